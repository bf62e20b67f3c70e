#include "timing/sample_list.h"

#include <cmath>

#include "timing/sample_builder.h"

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

namespace {

uint16_t ToHundredths(double value) {
  if (!IsSet(value) || value < 0.0 || value * 100.0 >= LogSample::kNoWord) return LogSample::kNoWord;
  return static_cast<uint16_t>(value * 100.0 + 0.5);
}

}  // namespace

LogSample MakeLogSample(const SampleBuilder& builder, const LogSample* previous) {
  LogSample sample;
  sample.time = builder.TimeOfDay();
  sample.position = builder.Position();
  sample.altitude = RadToAngleValue(builder.Altitude());
  sample.speed = SpeedToStored(builder.Speed());
  sample.heading = RadiansToHeadingWord(builder.Course());
  sample.hdop = ToHundredths(builder.Hdop());
  sample.vdop = ToHundredths(builder.Vdop());
  sample.flags = static_cast<uint8_t>(builder.Satellites() & LogSample::kSatelliteMask);
  sample.distance = 0;
  if (previous != nullptr && IsSet(previous->distance)) {
    const double step = Distance(ToGeoPoint(previous->position), ToGeoPoint(sample.position));
    sample.distance = previous->distance + (IsSet(step) ? RadToAngleValue(step) : 0);
  }
  return sample;
}

}  // namespace kv
