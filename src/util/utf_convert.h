// Conversion between UTF-16 (WideString) and UTF-8 (ByteString), without
// the platform's code pages or the C locale. Both directions append to the
// destination; a conversion that yields nothing leaves it unchanged.
//
// Malformed input never fails the conversion: each maximal ill-formed
// subsequence of UTF-8 (a bad lead byte, a truncated sequence, an overlong
// form, an encoded surrogate, a value above U+10FFFF) becomes one U+FFFD,
// and an unpaired UTF-16 surrogate becomes the UTF-8 of U+FFFD.
#pragma once

#include <cstdint>
#include <string_view>

#include "util/byte_string.h"
#include "util/wide_string.h"

namespace kv {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// One code point decoded from the start of `utf8` (which must not be
// empty): the point (U+FFFD for an ill-formed subsequence) and the number
// of bytes it took (1..4).
struct DecodedPoint {
  char32_t point = kReplacementCharacter;
  int32_t length = 1;
};
DecodedPoint DecodeUtf8(std::string_view utf8);

void AppendUtf8(ByteString& destination, std::u16string_view text);
void AppendUtf16(WideString& destination, std::string_view utf8);

// UTF-8 for form data: as AppendUtf8, with every double-quote byte written
// twice.
void AppendFormQuoted(ByteString& destination, std::u16string_view text);

ByteString ToUtf8(std::u16string_view text);
WideString FromUtf8(std::string_view utf8);

}  // namespace kv
