#include "online/track_index.h"

#include "core/lat_lon_text.h"
#include "util/utf_convert.h"

namespace kv {

namespace {

// Calls line(text) for each line that has its line end, without the end.
template <typename Each>
void ForEachLine(std::string_view body, Each line) {
  size_t start = 0;
  for (size_t end = body.find('\n'); end != std::string_view::npos; end = body.find('\n', start)) {
    std::string_view text = body.substr(start, end - start);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (!line(text)) return;
    start = end + 1;
  }
}

// The text up to the next ';' (all of it when none); `rest` moves past it
// and its ';'. *ended tells whether a ';' was there.
std::string_view NextField(std::string_view* rest, bool* ended = nullptr) {
  const size_t semicolon = rest->find(';');
  const std::string_view field = rest->substr(0, semicolon);
  if (ended != nullptr) *ended = semicolon != std::string_view::npos;
  rest->remove_prefix(semicolon == std::string_view::npos ? rest->size() : semicolon + 1);
  return field;
}

}  // namespace

std::string LibraryUrl(std::string_view server, std::string_view page) {
  std::string url = "http://";
  url.append(server).append(kLibraryPath).append(page);
  return url;
}

std::vector<TrackIndexEntry> ParseTrackIndex(std::string_view body) {
  std::vector<TrackIndexEntry> entries;
  ForEachLine(body, [&entries](std::string_view rest) {
    bool first_ended = false, second_ended = false;
    const std::string_view file = NextField(&rest, &first_ended);
    const std::string_view both = NextField(&rest, &second_ended);
    const std::string_view description = NextField(&rest);
    if (file.empty() || !first_ended || both.empty() || !second_ended || description.empty())
      return true;
    const size_t slash = both.find('/');
    TrackIndexEntry entry;
    entry.file_name = ByteString(file);
    entry.group = FromUtf8(both.substr(0, slash));
    entry.name = slash == std::string_view::npos ? WideString() : FromUtf8(both.substr(slash + 1));
    entry.description = FromUtf8(description);
    entry.start = ParseLatLon(NextField(&rest));
    entries.push_back(std::move(entry));
    return true;
  });
  return entries;
}

std::vector<TrackGroup> TrackGroups(const std::vector<TrackIndexEntry>& entries) {
  std::vector<TrackGroup> groups;
  for (const TrackIndexEntry& entry : entries) {
    auto found = groups.begin();
    while (found != groups.end() && found->name != entry.group) ++found;
    if (found == groups.end()) found = groups.insert(groups.end(), TrackGroup{entry.group, 0});
    ++found->count;
  }
  return groups;
}

std::vector<const TrackIndexEntry*> GroupEntries(const std::vector<TrackIndexEntry>& entries,
                                                 std::u16string_view group) {
  std::vector<const TrackIndexEntry*> found;
  for (const TrackIndexEntry& entry : entries)
    if (entry.group.AsView() == group) found.push_back(&entry);
  return found;
}

bool IsUploadAccepted(std::string_view body) {
  bool accepted = false;
  ForEachLine(body, [&accepted](std::string_view line) {
    if (line.empty()) return true;
    accepted = line == "Success.";
    return false;
  });
  return accepted;
}

}  // namespace kv
