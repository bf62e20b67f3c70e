// A time as the list of voice clips that speak it: "1;minute;23;point;5;seconds"
// for 83456 ms with one decimal. Clip names are plain decimal numbers
// ("0".."59", and any hour count) and the words "minus", "plus", "hour",
// "hours", "minute", "minutes", "point", "second", "seconds"; the fraction
// is spoken digit by digit. Pure functions, any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/wide_string.h"

namespace kv::audio {

// Fraction digits a time can be spoken with; other counts are clamped to
// 0..kMaxDecimals.
inline constexpr int32_t kMaxDecimals = 3;

// The clip list of `ms` (signed milliseconds, any int32) with `decimals`
// fraction digits, rounded half up; with 0 decimals whole seconds,
// truncated, and nothing at all for a time under a second. Negative times
// start with "minus", others with "plus" when `sign` is set. Names are
// separated by ";" with none after the final word; a list that ends
// without a word ("1;minute;" for 60 s with 0 decimals) keeps the
// separator of its last name. kNotSet (no time) gives the empty list: it
// is never spoken as 596 hours.
WideString Compose(int32_t ms, int32_t decimals, bool sign);

// The names of a clip list in order, empty names dropped (ASCII, so the
// UTF-8 text is the name itself).
std::vector<std::string> SplitClipList(std::u16string_view list);

}  // namespace kv::audio
