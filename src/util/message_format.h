// Messages with placeholders. Each step replaces the FIRST occurrence of its
// placeholder, searching the whole current text from the start, so a text
// inserted by an earlier step is searched too: FormatUN("%U then %N",
// "a%Nb", 5) gives "a5b then %N". A placeholder that is not found is a
// programming error (KvCore 11): message texts are ours, never input.
// Numbers are signed decimal integers without grouping.
//
// These take the message text itself; string_table.h has the same
// operations by string id.
#pragma once

#include <cstdint>
#include <string_view>

#include "util/wide_string.h"

namespace kv {

// "%N" <- n
WideString FormatN(std::u16string_view message, int32_t n);
// "%0N" <- first, then "%1N" <- second
WideString FormatNN(std::u16string_view message, int32_t first, int32_t second);
// "%U" <- text
WideString FormatU(std::u16string_view message, std::u16string_view text);
// "%0U" <- first, then "%1U" <- second
WideString FormatUU(std::u16string_view message, std::u16string_view first,
                    std::u16string_view second);
// "%0U", "%1U", "%2U" in that order
WideString FormatUUU(std::u16string_view message, std::u16string_view first,
                     std::u16string_view second, std::u16string_view third);
// "%U" <- text, then "%N" <- n
WideString FormatUN(std::u16string_view message, std::u16string_view text, int32_t n);

// One step: replaces the first `placeholder` in `message` by `value`.
void ReplacePlaceholder(WideString& message, std::u16string_view placeholder,
                        std::u16string_view value);

}  // namespace kv
