#include "util/text_compare.h"

#include <algorithm>

namespace kv {

namespace {

inline uint32_t Code(char c) { return static_cast<unsigned char>(c); }
inline uint32_t Code(char16_t c) { return c; }

inline char Same(char c) { return c; }
inline char16_t Same(char16_t c) { return c; }

template <typename Unit, typename Fold>
int32_t CompareWith(std::basic_string_view<Unit> a, std::basic_string_view<Unit> b, Fold fold) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const uint32_t x = Code(fold(a[i]));
    const uint32_t y = Code(fold(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + (u'a' - u'A'));
  // Latin-1 capitals; U+00D7 is the multiplication sign.
  if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) return static_cast<char16_t>(c + 0x20);
  return c;
}

int32_t Compare(std::string_view a, std::string_view b) {
  return CompareWith(a, b, [](char c) { return Same(c); });
}
int32_t Compare(std::u16string_view a, std::u16string_view b) {
  return CompareWith(a, b, [](char16_t c) { return Same(c); });
}
int32_t CompareNoCase(std::string_view a, std::string_view b) {
  return CompareWith(a, b, [](char c) { return FoldCase(c); });
}
int32_t CompareNoCase(std::u16string_view a, std::u16string_view b) {
  return CompareWith(a, b, [](char16_t c) { return FoldCase(c); });
}

}  // namespace kv
