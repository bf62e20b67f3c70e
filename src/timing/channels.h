// Channels: the values that graphs, exports and the `channels` command read
// from a session, one double per sample index. The twelve GPS channels
// convert the stored words of the sample list to user units or derive a
// value from the previous sample (the G channels) or from a reference
// sample (time, distance, direct distance: the session's first sample, or
// the start of a lap for lap graphs). The OBD-II channels give, for each
// sample, the value of that channel in force at the sample's time: the
// latest OBD-II record at or before it.
//
// Pure functions over the sample list and the OBD-II records given; nothing
// here owns session data. Main thread.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "core/obd_record.h"
#include "timing/sample_list.h"
#include "util/wide_string.h"

namespace kv {

// GPS channel indices; the name of channel k is string kStrChannelFirst + k.
enum ChannelIndex : int32_t {
  kChTime = 0,               // s since the reference
  kChDistance = 1,           // m since the reference
  kChDirectDistance = 2,     // m great-circle from the reference position; negative before it
  kChGpsSpeed = 3,           // m/s
  kChAltitude = 4,           // m
  kChSatellites = 5,         // count
  kChBearing = 6,            // degrees
  kChCoordinatePrecision = 7,  // HDOP, as received
  kChAltitudePrecision = 8,    // VDOP, as received
  kChPrecision3d = 9,          // sqrt(HDOP^2 + VDOP^2)
  kChLateralG = 10,          // G, negative turning right (heading increasing)
  kChLongitudinalG = 11,     // G, positive accelerating
  kGpsChannelCount = 12,
};

// The unit word shown next to a GPS channel ("s", "m", "m/s", ...).
const char* GpsChannelUnit(int32_t channel);
// The channel's name from the string table (GPS and OBD-II channels alike).
WideString ChannelName(int32_t channel);

// What time, distance and direct distance are measured from.
struct ChannelReference {
  int32_t time = kNotSet;         // ms of day
  AngleValue distance = kNotSet;  // central angle
  IntPoint position;
};
// The reference of sample `index` (an empty reference outside the list).
ChannelReference ReferenceAt(const SampleList& samples, int32_t index);

// The G channels of sample i against sample i - 1 (both 0 for sample 0;
// Δt = 0 gives 0 by the safe division; a missing heading gives NaN lateral G).
double LateralG(const SampleList& samples, int32_t index);
double LongitudinalG(const SampleList& samples, int32_t index);

// GPS channel `channel` (0..11) of sample `index`. False when the channel
// or the index is outside its range (no value at all); otherwise true with
// *value, which is NaN when the sample does not hold the source field.
bool GpsChannelValue(const SampleList& samples, int32_t channel, int32_t index, const ChannelReference& reference,
                     double* value);

// The OBD-II records of a session, by channel, for lookups by time.
class ObdSeries {
 public:
  // Records in file order (time order); records without a time are dropped.
  explicit ObdSeries(const std::vector<ObdRecord>& records);
  // The channels that have at least one record, ascending.
  std::vector<int32_t> Channels() const;
  // The value in force at `time` in the channel's unit (ObdChannelTable
  // conversion): the latest record at or before `time`. NaN when the
  // channel has no record by then or is not a known channel.
  double ValueAt(int32_t channel, int32_t time) const;

 private:
  struct Point {
    int32_t time;
    uint32_t raw;
  };
  std::map<int32_t, std::vector<Point>> by_channel_;
};

}  // namespace kv
