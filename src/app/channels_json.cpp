#include "app/channels_json.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "acquisition/obd_channels.h"
#include "app/json_text.h"
#include "timing/geodesy.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

constexpr double kMpsToKmh = 3.6;
constexpr double kStoredPerDegree = 6000000.0;

struct GpsColumn {
  const char* key;
  int decimals;
  double factor;  // from the channel's unit to the key's
};

// In ChannelIndex order.
constexpr std::array<GpsColumn, kGpsChannelCount> kGpsColumns = {{
    {"time_ms", 0, 1000.0},
    {"distance_m", kMetreDecimals, 1.0},
    {"direct_distance_m", kMetreDecimals, 1.0},
    {"speed_kmh", kSpeedDecimals, kMpsToKmh},
    {"altitude_m", kMetreDecimals, 1.0},
    {"satellites", 0, 1.0},
    {"bearing_deg", kAngleDecimals, 1.0},
    {"hdop", 2, 1.0},
    {"vdop", 2, 1.0},
    {"precision_3d", 2, 1.0},
    {"lateral_g", kGDecimals, 1.0},
    {"longitudinal_g", kGDecimals, 1.0},
}};

const ObdChannelTable& ObdTable() {
  static const ObdChannelTable table;
  return table;
}

const char* UnitSuffix(int32_t unit_kind) {
  switch (unit_kind) {
    case kUnitTime:
      return "_s";
    case kUnitDistance:
      return "_m";
    case kUnitSpeed:
      return "_kmh";
    case kUnitPercent:
      return "_pct";
    case kUnitTemperature:
      return "_c";
    case kUnitPressure:
      return "_kpa";
    case kUnitAngle:
      return "_deg";
    case kUnitMassFlow:
      return "_g_per_s";
    case kUnitVoltage:
      return "_v";
    default:  // rpm, counts and states: the name says it
      return "";
  }
}

// "Calc. engine load" -> "calc_engine_load".
std::string SnakeCase(const std::string& name) {
  std::string key;
  for (const char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else if (!key.empty() && key.back() != '_') {
      key += '_';
    }
  }
  while (!key.empty() && key.back() == '_') key.pop_back();
  return key;
}

// An OBD-II value's resolution is 1 / divisor of its unit: one decimal
// more than the divisor's tens keeps neighbouring raw values apart.
int ObdDecimals(const ObdChannel& channel) {
  if (channel.unit_kind == kUnitSpeed) return kSpeedDecimals;
  return std::max(0, static_cast<int>(std::ceil(std::log10(channel.divisor)))) + 1;
}

void AppendRounded(std::string& line, double value, int decimals) {
  if (line.back() != '[') line += ',';
  AppendJsonNumber(line, std::isfinite(value) ? RoundTo(value, decimals) : value);
}

}  // namespace

std::string ChannelKey(int32_t channel) {
  if (channel >= 0 && channel < kGpsChannelCount) return kGpsColumns[static_cast<size_t>(channel)].key;
  const ObdChannel* obd = ObdTable().Lookup(channel);
  std::string key = SnakeCase(ToUtf8(ChannelName(channel).AsView()).Std());
  // The labels keep their historical spelling on screen; keys are for
  // programs and are spelt right.
  if (key == "commander_egr") key = "commanded_egr";
  if (key == "evoporative_purge") key = "evaporative_purge";
  return key + (obd != nullptr ? UnitSuffix(obd->unit_kind) : "");
}

void WriteChannelsJson(const SessionData& session, int32_t first, int32_t last, const ChannelReference& reference,
                       std::ostream& out) {
  const SampleList& samples = session.Samples();
  const ObdSeries obd(session.ObdRecords());
  const std::vector<int32_t> obd_channels = obd.Channels();
  nlohmann::json names = nlohmann::json::array(), labels = nlohmann::json::array();
  for (int32_t c = 0; c < kGpsChannelCount; ++c) {
    names.push_back(ChannelKey(c));
    labels.push_back(ToUtf8(ChannelName(c).AsView()).Std());
  }
  names.push_back("lat_deg");
  names.push_back("lon_deg");
  labels.push_back("Latitude");
  labels.push_back("Longitude");
  std::vector<int> obd_decimals;
  std::vector<double> obd_factor;
  for (int32_t c : obd_channels) {
    names.push_back(ChannelKey(c));
    labels.push_back(ToUtf8(ChannelName(c).AsView()).Std());
    const ObdChannel* channel = ObdTable().Lookup(c);
    obd_decimals.push_back(channel != nullptr ? ObdDecimals(*channel) : kGDecimals);
    obd_factor.push_back(channel != nullptr && channel->unit_kind == kUnitSpeed ? kMpsToKmh : 1.0);
  }
  out << "{\"start_utc\":" << JsonText(IsoUtcOfSample(session, reference.time))
      << ",\"names\":" << JsonText(names) << ",\"labels\":" << JsonText(labels) << ",\"rows\":[";
  std::string line;  // one row at a time, its capacity reused
  for (int32_t i = first; i <= last; ++i) {
    line.assign(i == first ? "\n[" : ",\n[");
    for (int32_t c = 0; c < kGpsChannelCount; ++c) {
      double v = kNoValue;
      GpsChannelValue(samples, c, i, reference, &v);
      const GpsColumn& column = kGpsColumns[static_cast<size_t>(c)];
      AppendRounded(line, v * column.factor, column.decimals);
    }
    const IntPoint& p = samples[i].position;
    AppendRounded(line, IsSet(p.lat) ? p.lat / kStoredPerDegree : kNoValue, kDegreeDecimals);
    AppendRounded(line, IsSet(p.lon) ? p.lon / kStoredPerDegree : kNoValue, kDegreeDecimals);
    for (size_t k = 0; k < obd_channels.size(); ++k)
      AppendRounded(line, obd.ValueAt(obd_channels[k], samples[i].time) * obd_factor[k], obd_decimals[k]);
    line += ']';
    out << line;
  }
  out << "\n]}\n";
}

}  // namespace kv::app
