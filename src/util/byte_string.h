// ByteString: 8-bit text for file contents, NMEA, the OBD-II adapter and
// HTTP (UTF-8 where it carries user text). Growth rules and index checks:
// see TextBuffer.
#pragma once

#include <cstdint>
#include <string_view>

#include "util/text_buffer.h"

namespace kv {

class ByteString : public TextBuffer<char, ByteString> {
 public:
  using TextBuffer::TextBuffer;
  using TextBuffer::operator=;

  // Upper-case hexadecimal ("%X"), zero-filled to at least `width` digits.
  void AppendHex(uint32_t value, int32_t width = 0);

  // Clock text for file formats from milliseconds of the day: "hhmmss"
  // (two digits each), then for `decimals` 1, 2 or 3 "." and the tenths,
  // hundredths or milliseconds (truncated) with that many digits. Other
  // decimals write no fraction. Negative values are written as 000000.
  void AppendClockCompact(int32_t ms_of_day, int32_t decimals);
};

}  // namespace kv
