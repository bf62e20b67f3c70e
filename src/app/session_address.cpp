#include "app/session_address.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <tuple>

#include "platform/folders.h"
#include "session/session_loader.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

std::string Utf8(std::u16string_view text) { return ToUtf8(text).Std(); }

// N of "last" (0) or "last~N"; -1 for anything else.
int64_t StepsBeforeLast(const std::string& text) {
  if (text == "last") return 0;
  if (!text.starts_with("last~") || text.size() == 5) return -1;
  int64_t n = -1;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data() + 5, end, n);
  return ec == std::errc() && ptr == end ? n : -1;
}

SessionAddress Found(const SessionHeader& h) { return {0, h.root, h.base_name}; }

}  // namespace

bool StartsEarlier(const SessionHeader& a, const SessionHeader& b) {
  const auto key = [](const SessionHeader& h) {
    return std::make_tuple(h.created.IsKnown(), h.created.IsKnown() ? h.created.day : 0,
                           h.created.IsKnown() ? h.created.time : 0);
  };
  if (key(a) != key(b)) return key(a) < key(b);
  return Utf8(a.base_name) < Utf8(b.base_name);
}

std::string LocalStartText(const DateTimeValue& created) {
  if (!created.IsKnown()) return {};
  const int64_t local = platform::UtcSecondsToLocal(created.ToUnixSeconds());
  const CalendarParts p = DateTimeValue::FromUnixMs(local * 1000).Decompose();
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", p.year, p.month, p.day, p.hours, p.minutes);
  return text;
}

std::vector<SessionHeader> SessionsByStart(const StorageList& storage) {
  std::vector<SessionHeader> sessions;
  for (SessionListing& entry : ListSessionFiles(storage))
    if (entry.regular && entry.error == 0) sessions.push_back(std::move(entry.header));
  std::stable_sort(sessions.begin(), sessions.end(), StartsEarlier);
  return sessions;
}

SessionAddress ResolveSession(const StorageList& storage, const std::string& text, std::ostream& err) {
  // A full base name needs no listing, and wins over any other reading.
  const WideString base = FromUtf8(text);
  if (!text.empty()) {
    const std::string root = FindSessionRoot(storage, base);
    if (!root.empty()) return {0, root, base};
  }
  const std::vector<SessionHeader> sessions = SessionsByStart(storage);
  std::vector<const SessionHeader*> candidates;
  const int64_t steps = StepsBeforeLast(text);
  if (steps >= 0) {
    if (steps < static_cast<int64_t>(sessions.size())) return Found(sessions[sessions.size() - 1 - steps]);
  } else if (!text.empty()) {
    for (const SessionHeader& h : sessions)
      if (Utf8(h.title) == text) candidates.push_back(&h);
    if (candidates.empty())
      for (const SessionHeader& h : sessions)
        if (Utf8(h.base_name).starts_with(text)) candidates.push_back(&h);
  }
  if (candidates.size() == 1) return Found(*candidates.front());
  if (candidates.empty()) {
    err << "No such session: " << text << '\n';
    return {1, {}, {}};
  }
  err << "\"" << text << "\" names " << candidates.size() << " sessions:\n";
  for (const SessionHeader* h : candidates)
    err << "  " << Utf8(h->base_name) << "  " << Utf8(h->title) << "  " << LocalStartText(h->created) << '\n';
  return {2, {}, {}};
}

}  // namespace kv::app
