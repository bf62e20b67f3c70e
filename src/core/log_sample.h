// LogSample: one entry of a session's sample list, 32 bytes. Kept small on
// purpose: an hour at 20 Hz is 72,000 of them. The fix record of the sample
// file ("-plots.bin", type 5) stores the same fields; see docs/formats.md.
#pragma once

#include <cstdint>

#include "core/geo_types.h"

namespace kv {

struct LogSample {
  static constexpr uint16_t kNoWord = 0xFFFF;
  static constexpr uint8_t kSatelliteMask = 0x3F;     // bits 0-5: satellites in use
  static constexpr uint8_t kLoadedWithoutSatellites = 0x80;  // bit 7, set when loaded

  int32_t time = kNotSet;       // ms, time of day UTC (may run past midnight)
  IntPoint position;
  AngleValue altitude = kNotSet;  // central angle
  AngleValue speed = kNotSet;     // rad/s * 1000 as an AngleValue
  AngleValue distance = kNotSet;  // central angle travelled since the session's first sample
  uint16_t heading = kNoWord;     // 1/100 degree
  uint16_t hdop = kNoWord;        // x 100
  uint16_t vdop = kNoWord;        // x 100
  uint8_t flags = 0;
  uint8_t reserved = 0;

  int32_t Satellites() const { return flags & kSatelliteMask; }
};

static_assert(sizeof(LogSample) == 32, "the sample list holds 72,000 of these an hour");

}  // namespace kv
