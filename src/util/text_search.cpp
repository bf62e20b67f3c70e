#include "util/text_search.h"

namespace kv {

namespace {

template <typename Unit>
int32_t FindUnit(std::basic_string_view<Unit> text, Unit unit, int32_t from) {
  if (from < 0 || static_cast<size_t>(from) > text.size()) return -1;
  const size_t at = text.find(unit, static_cast<size_t>(from));
  return at == std::basic_string_view<Unit>::npos ? -1 : static_cast<int32_t>(at);
}

template <typename Unit>
int32_t FindText(std::basic_string_view<Unit> text, std::basic_string_view<Unit> pattern,
                 int32_t from) {
  if (pattern.empty() || from < 0 || static_cast<size_t>(from) > text.size()) return -1;
  const size_t at = text.find(pattern, static_cast<size_t>(from));
  return at == std::basic_string_view<Unit>::npos ? -1 : static_cast<int32_t>(at);
}

template <typename Unit>
LineEnd FindLineEnd(std::basic_string_view<Unit> text) {
  const size_t lf = text.find(static_cast<Unit>('\n'));
  if (lf == std::basic_string_view<Unit>::npos) return {};
  // A CR LF no later than the first LF can only be the CR right before it.
  if (lf > 0 && text[lf - 1] == static_cast<Unit>('\r')) return {static_cast<int32_t>(lf - 1), 2};
  return {static_cast<int32_t>(lf), 1};
}

template <typename Text, typename Unit>
bool TakeFirstField(Text& source, Text& destination, Unit separator, int32_t maximum) {
  destination.Clear();
  if (source.IsEmpty()) return false;
  const int32_t at = FindUnit(source.AsView(), separator, 0);
  int32_t field = at;
  int32_t consumed = at + 1;
  if (at < 0) {
    field = source.Length();
    if (maximum > 0 && maximum < field) field = maximum;
    consumed = field;
  }
  destination.Assign(source.AsView().substr(0, static_cast<size_t>(field)));
  source.Remove(0, consumed);
  return true;
}

}  // namespace

int32_t Find(std::string_view text, char unit, int32_t from) { return FindUnit(text, unit, from); }
int32_t Find(std::u16string_view text, char16_t unit, int32_t from) {
  return FindUnit(text, unit, from);
}
int32_t Find(std::string_view text, std::string_view pattern, int32_t from) {
  return FindText(text, pattern, from);
}
int32_t Find(std::u16string_view text, std::u16string_view pattern, int32_t from) {
  return FindText(text, pattern, from);
}

LineEnd NextLine(std::string_view text) { return FindLineEnd(text); }
LineEnd NextLine(std::u16string_view text) { return FindLineEnd(text); }

bool TakeField(ByteString& source, ByteString& destination, char separator, int32_t maximum) {
  return TakeFirstField(source, destination, separator, maximum);
}
bool TakeField(WideString& source, WideString& destination, char16_t separator, int32_t maximum) {
  return TakeFirstField(source, destination, separator, maximum);
}

}  // namespace kv
