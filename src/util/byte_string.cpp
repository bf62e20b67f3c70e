#include "util/byte_string.h"

namespace kv {

void ByteString::AppendHex(uint32_t value, int32_t width) {
  const number_text::Digits digits = number_text::HexDigits(value);
  AppendRepeated('0', width - digits.length);
  Append(digits.View());
}

void ByteString::AppendClockCompact(int32_t ms_of_day, int32_t decimals) {
  if (ms_of_day < 0) ms_of_day = 0;
  AppendInt(ms_of_day / 3600000, 2);
  AppendInt(ms_of_day / 60000 % 60, 2);
  AppendInt(ms_of_day / 1000 % 60, 2);
  const int32_t ms = ms_of_day % 1000;
  switch (decimals) {
    case 1:
      AppendUnit('.');
      AppendInt(ms / 100, 1);
      break;
    case 2:
      AppendUnit('.');
      AppendInt(ms / 10, 2);
      break;
    case 3:
      AppendUnit('.');
      AppendInt(ms, 3);
      break;
    default:
      break;
  }
}

}  // namespace kv
