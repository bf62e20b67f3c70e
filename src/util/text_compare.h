// Comparisons of two texts: negative, 0 or positive (-1, 0, 1).
// When either text is empty only the lengths decide; otherwise the common
// prefix is compared unit by unit (as unsigned codes), and when it is equal
// the shorter text is less. Equality across the program means 0 here.
//
// Without regard to case, units are folded to lower case first:
// 8-bit texts fold A-Z only (they are ASCII or UTF-8, and folding UTF-8
// bytes as Latin-1 would corrupt them); UTF-16 texts fold A-Z and the
// Latin-1 capitals U+00C0..U+00DE (except U+00D7). Independent of the
// C locale.
#pragma once

#include <cstdint>
#include <string_view>

namespace kv {

int32_t Compare(std::string_view a, std::string_view b);
int32_t Compare(std::u16string_view a, std::u16string_view b);
int32_t CompareNoCase(std::string_view a, std::string_view b);
int32_t CompareNoCase(std::u16string_view a, std::u16string_view b);

inline bool EqualNoCase(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }
inline bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  return CompareNoCase(a, b) == 0;
}

// The lower-case form used by CompareNoCase.
char FoldCase(char c);
char16_t FoldCase(char16_t c);

}  // namespace kv
