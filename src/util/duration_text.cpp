#include "util/duration_text.h"

#include <algorithm>

namespace kv {

namespace {

// The system-wide not-set marker for times (kv::kNotSet); spelled out here
// because the utilities sit below the core records.
constexpr int32_t kNoTime = 0x7FFFFFFF;

template <typename Text>
void AppendDurationTo(Text& out, int32_t ms, int32_t decimals, bool sign, bool round) {
  using Unit = typename Text::View::value_type;
  decimals = std::clamp(decimals, 0, 3);
  int64_t value = ms == kNoTime ? 0 : ms;  // 64 bits: the magnitude of INT32_MIN plus rounding
  if (value < 0) {
    out.AppendUnit(static_cast<Unit>('-'));
    value = -value;
  } else if (sign) {
    out.AppendUnit(static_cast<Unit>('+'));
  }
  static constexpr int64_t kHalfUnit[] = {500, 50, 5, 0};
  static constexpr int64_t kMsPerUnit[] = {1000, 100, 10, 1};
  static constexpr int64_t kUnitsPerSecond[] = {1, 10, 100, 1000};
  if (round) value += kHalfUnit[decimals];
  const int64_t units = value / kMsPerUnit[decimals];
  const int64_t per_second = kUnitsPerSecond[decimals];
  const int64_t hours = units / (3600 * per_second);
  const int64_t minutes = units / (60 * per_second) % 60;
  const int64_t seconds = units / per_second % 60;
  bool written = false;
  if (hours >= 1) {
    out.AppendInt(hours);
    out.AppendUnit(static_cast<Unit>(':'));
    written = true;
  }
  if (written || minutes >= 1) {
    out.AppendInt(minutes, written ? 2 : 0);
    out.AppendUnit(static_cast<Unit>(':'));
    written = true;
  }
  out.AppendInt(seconds, written ? 2 : 0);
  if (decimals > 0) {
    out.AppendUnit(static_cast<Unit>('.'));
    out.AppendInt(units % per_second, decimals);
  }
}

}  // namespace

void AppendDuration(WideString& destination, int32_t ms, int32_t decimals, bool sign, bool round) {
  AppendDurationTo(destination, ms, decimals, sign, round);
}

void AppendDuration(ByteString& destination, int32_t ms, int32_t decimals, bool sign, bool round) {
  AppendDurationTo(destination, ms, decimals, sign, round);
}

WideString FormatDuration(int32_t ms, int32_t decimals, bool sign, bool round) {
  WideString out;
  AppendDurationTo(out, ms, decimals, sign, round);
  return out;
}

}  // namespace kv
