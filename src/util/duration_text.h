// FormatDuration: the time texts of the live timer, the result tables and
// the lap names of exports.
//
// Arguments: a duration in milliseconds (0x7FFFFFFF, the not-set marker,
// is formatted as 0), decimals 0..3 (clamped), a sign flag and a rounding
// flag.
//   1. Negative values get "-" and are made positive; otherwise "+" when
//      the sign flag is set.
//   2. With rounding, half a unit of the last shown digit is added (500 ms
//      for 0 decimals, 50 for 1, 5 for 2, 0 for 3); then the value is
//      truncated to units of 10^-decimals s.
//   3. Hours, when at least 1, unpadded and ":".
//   4. Minutes, when hours were written or minutes >= 1: two digits after
//      hours, else unpadded; then ":".
//   5. Seconds: two digits when anything was written before, else unpadded.
//   6. With decimals > 0: "." and exactly that many fraction digits.
// 83456 ms, 2 decimals, rounded: "1:23.46"; 5678 ms, 3: "5.678";
// 3725000 ms, 0: "1:02:05"; -1230 ms, 1, signed: "-1.2".
#pragma once

#include <cstdint>

#include "util/byte_string.h"
#include "util/wide_string.h"

namespace kv {

void AppendDuration(WideString& destination, int32_t ms, int32_t decimals, bool sign, bool round);
void AppendDuration(ByteString& destination, int32_t ms, int32_t decimals, bool sign, bool round);
WideString FormatDuration(int32_t ms, int32_t decimals, bool sign, bool round);

}  // namespace kv
