// The string table: every user-visible text by id (ids in string_ids.h),
// and the message formatting by id. Texts come back as WideString (UTF-16).
// Placeholder rules are those of message_format.h: each step replaces the
// first occurrence in the whole current text, and a missing placeholder is
// KvCore 11. Read-only static data: callable from any thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "util/message_format.h"
#include "util/string_ids.h"
#include "util/wide_string.h"

namespace kv {

// Longest text Load returns; longer table texts are cut to this length.
inline constexpr int32_t kMaxLoadedText = 2048;

// The text of `id`; an id without a text gives an empty string.
WideString Load(int32_t id);

// "%N" <- n
WideString FormatN(int32_t id, int32_t n);
// "%0N" <- first, then "%1N" <- second
WideString FormatNN(int32_t id, int32_t first, int32_t second);
// "%U" <- text
WideString FormatU(int32_t id, std::u16string_view text);
// "%0U" <- first, then "%1U" <- second
WideString FormatUU(int32_t id, std::u16string_view first, std::u16string_view second);
// "%0U", "%1U", "%2U" in that order
WideString FormatUUU(int32_t id, std::u16string_view first, std::u16string_view second,
                     std::u16string_view third);
// "%U" <- text, then "%N" <- n
WideString FormatUN(int32_t id, std::u16string_view text, int32_t n);

}  // namespace kv
