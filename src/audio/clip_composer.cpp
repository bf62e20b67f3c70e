#include "audio/clip_composer.h"

#include <algorithm>

#include "core/not_set.h"
#include "util/utf_convert.h"

namespace kv::audio {

namespace {

// "1;hour;" or "5;hours;"; nothing for 0.
void AppendCount(WideString& out, int64_t count, std::u16string_view one,
                 std::u16string_view many) {
  if (count < 1) return;
  out.AppendInt(count);
  out.AppendUnit(u';');
  out.Append(count == 1 ? one : many);
  out.AppendUnit(u';');
}

}  // namespace

WideString Compose(int32_t ms, int32_t decimals, bool sign) {
  WideString out;
  if (!IsSet(ms)) return out;
  const int32_t d = std::clamp(decimals, 0, kMaxDecimals);
  // 64 bits: the magnitude of INT32_MIN and the added half unit do not fit in 32.
  int64_t time = ms;
  if (time < 0) {
    out.Append(u"minus;");
    time = -time;
  } else if (sign) {
    out.Append(u"plus;");
  }
  int64_t per_second = 1;  // units in a second: 10^d
  for (int32_t i = 0; i < d; ++i) per_second *= 10;
  const int64_t unit_ms = 1000 / per_second;
  const int64_t units = d >= 1 ? (time + unit_ms / 2) / unit_ms : time / 1000;

  AppendCount(out, units / (3600 * per_second), u"hour", u"hours");
  const int64_t within_hour = units % (3600 * per_second);
  AppendCount(out, within_hour / (60 * per_second), u"minute", u"minutes");
  const int64_t within_minute = within_hour % (60 * per_second);
  const int64_t seconds = within_minute / per_second;
  const int64_t fraction = within_minute % per_second;
  if (seconds >= 1) {
    out.AppendInt(seconds);
    out.AppendUnit(u';');
  }
  if (d == 0) {
    if (seconds == 1)
      out.Append(u"second");
    else if (seconds > 1)
      out.Append(u"seconds");
    return out;
  }
  if (seconds == 0) out.Append(u"0;");
  out.Append(u"point;");
  for (int64_t place = per_second / 10; place >= 1; place /= 10) {
    out.AppendInt(fraction / place % 10);
    out.AppendUnit(u';');
  }
  out.Append(u"seconds");
  return out;
}

std::vector<std::string> SplitClipList(std::u16string_view list) {
  std::vector<std::string> names;
  while (!list.empty()) {
    const size_t end = std::min(list.find(u';'), list.size());
    if (end > 0) names.push_back(ToUtf8(list.substr(0, end)).Std());
    list.remove_prefix(std::min(end + 1, list.size()));
  }
  return names;
}

}  // namespace kv::audio
