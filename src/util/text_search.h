// Searching and splitting, alike for 8-bit and UTF-16 texts.
#pragma once

#include <cstdint>
#include <string_view>

#include "util/byte_string.h"
#include "util/wide_string.h"

namespace kv {

// First index of a unit or a substring at or after `from`, or -1. An empty
// pattern is never found; `from` outside 0..length gives -1.
int32_t Find(std::string_view text, char unit, int32_t from = 0);
int32_t Find(std::u16string_view text, char16_t unit, int32_t from = 0);
int32_t Find(std::string_view text, std::string_view pattern, int32_t from = 0);
int32_t Find(std::u16string_view text, std::u16string_view pattern, int32_t from = 0);

// Where the first line of a text ends: the first CR LF, if it comes no
// later than the first LF, ends it with a terminator of 2; otherwise the
// first LF, terminator 1; no LF at all: index -1, terminator 0. A lone CR
// is part of the line.
struct LineEnd {
  int32_t index = -1;      // first unit of the terminator, or -1
  int32_t terminator = 0;  // 2 for CR LF, 1 for LF, 0 when none
};
LineEnd NextLine(std::string_view text);
LineEnd NextLine(std::u16string_view text);

// Moves the first field of `source` into `destination`: the text up to the
// first `separator`, which is removed from `source` together with the text.
// Without a separator the field is the whole source, or only its first
// `maximum` units when `maximum` is positive and the source is longer (the
// rest stays in the source). Returns false, with `destination` emptied,
// when the source is empty.
bool TakeField(ByteString& source, ByteString& destination, char separator, int32_t maximum);
bool TakeField(WideString& source, WideString& destination, char16_t separator, int32_t maximum);

}  // namespace kv
