// WideString: UTF-16 text for everything shown on screen, file names and
// settings. Growth rules and index checks: see TextBuffer.
#pragma once

#include <cstdint>
#include <string_view>

#include "util/text_buffer.h"

namespace kv {

class WideString : public TextBuffer<char16_t, WideString> {
 public:
  using TextBuffer::TextBuffer;
  using TextBuffer::operator=;

  // Clock texts from milliseconds of the day (0..86399999): "hh:mm" and
  // "hh:mm:ss", two digits each, truncated (not rounded) to the unit shown.
  // Negative values are written as 00:00; values past the day are not
  // wrapped (hours keep counting).
  void AppendClockHm(int32_t ms_of_day);
  void AppendClockHms(int32_t ms_of_day);
};

}  // namespace kv
