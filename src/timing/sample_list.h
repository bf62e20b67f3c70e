// The session's sample list and the conversions between LogSample's stored
// words and the radians the arithmetic uses. Main thread only.
#pragma once

#include <cstdint>

#include "core/growable_array.h"
#include "core/log_sample.h"
#include "timing/geodesy.h"

namespace kv {

// An hour at 20 Hz is 72,000 samples; grow by a minute of them.
inline constexpr int32_t kSampleListGrowth = 1200;
using SampleList = GrowableArray<LogSample>;

// Stored speeds are central angles per 1000 s.
inline AngleValue SpeedToStored(double rad_per_sec) { return RadToAngleValue(rad_per_sec * 1000.0); }
inline double StoredToSpeed(AngleValue stored) { return AngleValueToRad(stored) * 0.001; }
inline AngleValue MetresPerSecondToStored(double mps) { return SpeedToStored(MetresToRad(mps)); }

// Heading words are 1/100 degree in [0, 36000); kNoWord when none.
uint16_t RadiansToHeadingWord(double radians);
// To (-pi, pi]; NaN for kNoWord.
double HeadingWordToRadians(uint16_t word);

// `sample` with its distance carried on from `previous` (nullptr for the
// session's first sample: distance 0).
LogSample WithDistance(LogSample sample, const LogSample* previous);

}  // namespace kv
