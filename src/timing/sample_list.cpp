#include "timing/sample_list.h"

#include <cmath>


namespace kv {

uint16_t RadiansToHeadingWord(double radians) {
  if (!IsSet(radians)) return LogSample::kNoWord;
  auto word = static_cast<int32_t>(BearingToDegrees(NormaliseAngle(radians)) * 100.0 + 0.5);
  if (word >= 36000) word -= 36000;
  return static_cast<uint16_t>(word);
}

double HeadingWordToRadians(uint16_t word) {
  if (word == LogSample::kNoWord) return kNoValue;
  return NormaliseAngle(DegToRad(word / 100.0));
}

LogSample WithDistance(LogSample sample, const LogSample* previous) {
  sample.distance = 0;
  if (previous != nullptr && IsSet(previous->distance)) {
    const double step = Distance(ToGeoPoint(previous->position), ToGeoPoint(sample.position));
    sample.distance = previous->distance + (IsSet(step) ? RadToAngleValue(step) : 0);
  }
  return sample;
}

}  // namespace kv
