// The two string encodings inside our binary files (docs/formats.md):
//   PackedString: a character count N (one byte N*4 for N < 64; two bytes
//     ((N*8)+1) & 0xFF, N >> 5 for 64 <= N <= 8191), then each UTF-16 unit
//     below 128 as one byte and any other as 0x0E, high byte, low byte.
//   Utf8String: u16 little-endian byte count, then that many UTF-8 bytes.
#pragma once

#include <cstdint>
#include <string_view>

#include "util/byte_string.h"

namespace kv {

inline constexpr int32_t kMaxPackedStringLength = 8191;  // UTF-16 units
inline constexpr int32_t kMaxUtf8StringBytes = 65535;
inline constexpr uint8_t kPackedWideMarker = 0x0E;

// Append the encoded form; false (and nothing appended) when the text is
// too long for the encoding.
bool AppendPackedString(ByteString& out, std::u16string_view text);
bool AppendUtf8String(ByteString& out, std::u16string_view text);

}  // namespace kv
