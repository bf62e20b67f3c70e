#include "timing/channels.h"

#include <algorithm>
#include <cmath>

#include "acquisition/obd_channels.h"
#include "timing/geodesy.h"
#include "util/string_ids.h"
#include "util/string_table.h"

namespace kv {

namespace {

constexpr double kTenthsPerHundredth = 0.01;

double Hundredths(uint16_t word) { return word == LogSample::kNoWord ? kNoValue : word * kTenthsPerHundredth; }

double Seconds(int32_t later, int32_t earlier) {
  if (!IsSet(later) || !IsSet(earlier)) return kNoValue;
  return (static_cast<double>(later) - static_cast<double>(earlier)) * 0.001;
}

double Speed(const LogSample& s) { return IsSet(s.speed) ? StoredToSpeed(s.speed) : kNoValue; }

// One table for every OBD-II lookup: the conversion is the channel's, not
// the car's, so the support flags of a live table do not matter here.
const ObdChannelTable& ObdTable() {
  static const ObdChannelTable table;
  return table;
}

}  // namespace

const char* GpsChannelUnit(int32_t channel) {
  static constexpr const char* kUnits[kGpsChannelCount] = {"s", "m", "m", "m/s", "m", "count", "deg",
                                                          "", "", "", "G", "G"};
  return channel >= 0 && channel < kGpsChannelCount ? kUnits[channel] : "";
}

WideString ChannelName(int32_t channel) { return Load(kStrChannelFirst + channel); }

ChannelReference ReferenceAt(const SampleList& samples, int32_t index) {
  ChannelReference reference;
  if (index < 0 || index >= samples.Count()) return reference;
  const LogSample& s = samples[index];
  reference.time = s.time;
  reference.distance = s.distance;
  reference.position = s.position;
  return reference;
}

double LongitudinalG(const SampleList& samples, int32_t index) {
  if (index <= 0 || index >= samples.Count()) return 0.0;
  const LogSample& previous = samples[index - 1];
  const LogSample& current = samples[index];
  const double dt = Seconds(current.time, previous.time);
  return RadPerSec2ToG(SafeDivide(Speed(current) - Speed(previous), dt));
}

double LateralG(const SampleList& samples, int32_t index) {
  if (index <= 0 || index >= samples.Count()) return 0.0;
  const LogSample& previous = samples[index - 1];
  const LogSample& current = samples[index];
  const double h1 = HeadingWordToRadians(previous.heading);
  const double h2 = HeadingWordToRadians(current.heading);
  if (!IsSet(h1) || !IsSet(h2)) return kNoValue;
  // Normalised, so 359 -> 1 degree is a turn of 2 degrees, not 358.
  const double turn = NormaliseAngle(h1 - h2);
  const double dt = Seconds(current.time, previous.time);
  return RadPerSec2ToG(SafeDivide(std::sin(turn * 0.5) * Speed(current), dt));
}

bool GpsChannelValue(const SampleList& samples, int32_t channel, int32_t index, const ChannelReference& reference,
                     double* value) {
  if (channel < 0 || channel >= kGpsChannelCount || index < 0 || index >= samples.Count()) return false;
  const LogSample& s = samples[index];
  double v = kNoValue;
  switch (channel) {
    case kChTime:
      v = Seconds(s.time, reference.time);
      break;
    case kChDistance:
      if (IsSet(s.distance) && IsSet(reference.distance))
        v = RadToMetres(AngleValueToRad(s.distance) - AngleValueToRad(reference.distance));
      break;
    case kChDirectDistance:
      if (s.position.IsSet() && reference.position.IsSet()) {
        v = RadToMetres(Distance(ToGeoPoint(reference.position), ToGeoPoint(s.position)));
        if (IsSet(s.time) && IsSet(reference.time) && s.time < reference.time) v = -v;
      }
      break;
    case kChGpsSpeed:
      v = RadToMetres(Speed(s));
      break;
    case kChAltitude:
      if (IsSet(s.altitude)) v = RadToMetres(AngleValueToRad(s.altitude));
      break;
    case kChSatellites:
      v = s.Satellites();
      break;
    case kChBearing:
      v = Hundredths(s.heading);
      break;
    case kChCoordinatePrecision:
      v = Hundredths(s.hdop);
      break;
    case kChAltitudePrecision:
      v = Hundredths(s.vdop);
      break;
    case kChPrecision3d: {
      const double h = Hundredths(s.hdop), a = Hundredths(s.vdop);
      v = std::sqrt(h * h + a * a);
      break;
    }
    case kChLateralG:
      v = LateralG(samples, index);
      break;
    case kChLongitudinalG:
      v = LongitudinalG(samples, index);
      break;
    default:
      return false;
  }
  *value = v;
  return true;
}

ObdSeries::ObdSeries(const std::vector<ObdRecord>& records) {
  for (const ObdRecord& r : records) {
    if (!IsSet(r.time)) continue;
    auto& points = by_channel_[r.channel];
    // Kept sorted even if a resumed file's clock stepped back: the lookup
    // needs the order, and the later record of an equal time wins.
    if (!points.empty() && points.back().time > r.time) {
      const auto at = std::upper_bound(points.begin(), points.end(), r.time,
                                       [](int32_t t, const Point& p) { return t < p.time; });
      points.insert(at, Point{r.time, r.value});
    } else {
      points.push_back(Point{r.time, r.value});
    }
  }
}

std::vector<int32_t> ObdSeries::Channels() const {
  std::vector<int32_t> channels;
  for (const auto& [channel, points] : by_channel_) channels.push_back(channel);
  return channels;
}

double ObdSeries::ValueAt(int32_t channel, int32_t time) const {
  const auto found = by_channel_.find(channel);
  const ObdChannel* definition = ObdTable().Lookup(channel);
  if (found == by_channel_.end() || definition == nullptr || !IsSet(time)) return kNoValue;
  const auto& points = found->second;
  const auto after = std::upper_bound(points.begin(), points.end(), time,
                                      [](int32_t t, const Point& p) { return t < p.time; });
  if (after == points.begin()) return kNoValue;
  return ObdChannelTable::Value(*definition, static_cast<int32_t>(std::prev(after)->raw));
}

}  // namespace kv
