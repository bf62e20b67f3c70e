#include "app/obd_channel_choice.h"

#include <algorithm>
#include <charconv>

#include "timing/channels.h"
#include "util/utf_convert.h"

namespace kv::app {

std::string ObdChannelWord(int32_t channel) {
  const std::string name = ToUtf8(ChannelName(channel).AsView()).Std();
  std::string word;
  for (char c : name) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (c >= 'A' && c <= 'Z') {
      word += static_cast<char>(c - 'A' + 'a');
    } else if (alnum) {
      word += c;
    } else if (!word.empty() && word.back() != '-') {
      word += '-';
    }
  }
  if (!word.empty() && word.back() == '-') word.pop_back();
  return word;
}

bool ParseObdChannels(std::string_view text, const ObdChannelTable& table, std::vector<int32_t>* channels,
                      std::string* error) {
  const auto fail = [&](std::string_view piece, const char* why) {
    std::string text = "\"";
    text.append(piece).append("\" ").append(why).append("; the channels are (number name):");
    for (int32_t i = 0; i < table.Count(); ++i)
      text.append("\n  ").append(std::to_string(table.At(i).channel)).append(" ").append(ObdChannelWord(table.At(i).channel));
    *error = text;
    return false;
  };
  size_t at = 0;
  for (;;) {
    const size_t comma = std::min(text.find(',', at), text.size());
    const std::string_view piece = text.substr(at, comma - at);
    std::string wanted(piece);
    for (char& c : wanted) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    int32_t number = 0;
    const auto [end, problem] = std::from_chars(piece.data(), piece.data() + piece.size(), number);
    int32_t found = -1, fits = 0;
    if (problem == std::errc() && end == piece.data() + piece.size()) {
      if (table.Lookup(number) != nullptr) found = number, fits = 1;
    } else {
      for (int32_t i = 0; i < table.Count() && !piece.empty(); ++i) {
        const std::string word = ObdChannelWord(table.At(i).channel);
        if (word == wanted) {
          found = table.At(i).channel, fits = 1;
          break;
        }
        if (word.starts_with(wanted)) found = table.At(i).channel, ++fits;
      }
    }
    if (fits == 0) return fail(piece, "is no OBD-II channel");
    if (fits > 1) return fail(piece, "fits more than one channel");
    if (std::find(channels->begin(), channels->end(), found) == channels->end()) channels->push_back(found);
    if (comma == text.size()) return true;
    at = comma + 1;
  }
}

ObdChannelChoice ChooseObdChannels(std::vector<int32_t> high, std::vector<int32_t> low, const Settings& settings) {
  ObdChannelChoice choice;
  if (!high.empty() || !low.empty()) {
    choice.high = std::move(high);
    choice.low = std::move(low);
    return choice;
  }
  // A settings file is no command line: numbers that name no OBD-II channel are skipped.
  const ObdChannelTable table;
  for (const auto& [from, to] : {std::pair{&settings.high_priority_channels, &choice.high},
                                 std::pair{&settings.low_priority_channels, &choice.low}}) {
    for (uint32_t c : *from)
      if (c <= 0xFF && table.Lookup(static_cast<int32_t>(c)) != nullptr) to->push_back(static_cast<int32_t>(c));
  }
  if (choice.high.empty() && choice.low.empty()) {
    choice.high.assign(std::begin(kDefaultObdChannels), std::end(kDefaultObdChannels));
    choice.is_default = true;
  }
  return choice;
}

void ApplyObdChannels(const ObdChannelChoice& choice, const ObdChannelTable& table, DataSourceControl& source) {
  source.ClearChannels();
  for (const auto& [list, priority] : {std::pair{&choice.high, 2}, std::pair{&choice.low, 1}}) {
    for (int32_t channel : *list)
      if (const ObdChannel* known = table.Lookup(channel)) source.AddChannel(known->pid, priority);
  }
}

bool NarrowToSupported(const ObdChannelTable& table, ObdChannelChoice* choice) {
  if (!choice->is_default) return false;
  bool known = false;
  for (int32_t i = 0; i < table.Count(); ++i) known = known || table.At(i).support == ObdSupport::kYes;
  if (!known) return false;
  std::erase_if(choice->high, [&](int32_t channel) {
    const ObdChannel* c = table.Lookup(channel);
    return c == nullptr || c->support != ObdSupport::kYes;
  });
  choice->is_default = false;
  return true;
}

std::string ChannelNames(const std::vector<int32_t>& channels) {
  std::string text;
  for (int32_t c : channels) {
    if (!text.empty()) text += ", ";
    text += ToUtf8(ChannelName(c).AsView()).Std();
  }
  return text;
}

std::string ChoiceText(const ObdChannelChoice& choice) {
  std::string polled = ChannelNames(choice.high);
  if (!choice.low.empty()) polled.append(polled.empty() ? "" : "; now and then: ").append(ChannelNames(choice.low));
  return "OBD-II channels polled: " + (polled.empty() ? std::string("none") : polled) +
         (choice.is_default ? " (those of them the vehicle supports)" : "");
}

}  // namespace kv::app
