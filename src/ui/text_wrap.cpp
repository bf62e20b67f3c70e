#include "ui/text_wrap.h"

#include "util/utf_convert.h"

namespace kv::ui {

namespace {

size_t CharLength(std::string_view text) { return static_cast<size_t>(DecodeUtf8(text).length); }

void WrapParagraph(std::string_view text, int32_t width, const TextMeasure& measure,
                   std::vector<std::string>& lines) {
  std::string line;
  size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == ' ') {
      ++pos;
      continue;
    }
    const size_t end = std::min(text.find(' ', pos), text.size());
    std::string_view word = text.substr(pos, end - pos);
    pos = end;
    const std::string joined = line.empty() ? std::string(word) : line + " " + std::string(word);
    if (measure(joined) <= width) {
      line = joined;
      continue;
    }
    if (!line.empty()) lines.push_back(std::move(line));
    line.clear();
    // A word too wide for any line: the longest run of whole characters
    // that fits, at least one, per line.
    while (measure(word) > width) {
      size_t cut = CharLength(word);
      while (cut < word.size()) {
        const size_t next = cut + CharLength(word.substr(cut));
        if (measure(word.substr(0, next)) > width) break;
        cut = next;
      }
      if (cut >= word.size()) break;
      lines.emplace_back(word.substr(0, cut));
      word.remove_prefix(cut);
    }
    line = word;
  }
  lines.push_back(std::move(line));
}

}  // namespace

std::vector<std::string> WrapText(std::string_view utf8, int32_t width,
                                  const TextMeasure& measure) {
  std::vector<std::string> lines;
  while (!utf8.empty()) {
    const size_t end = std::min(utf8.find('\n'), utf8.size());
    std::string_view paragraph = utf8.substr(0, end);
    if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);
    WrapParagraph(paragraph, width, measure, lines);
    utf8.remove_prefix(end < utf8.size() ? end + 1 : end);
  }
  return lines;
}

}  // namespace kv::ui
