#include "core/lat_lon_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "util/text_parse.h"

namespace kv {

namespace {

void AppendDegrees(std::string& out, AngleValue value) {
  const int64_t tenths = static_cast<int64_t>(value) * 10;  // 1/6 of 1e-7 degree
  const int64_t units = (tenths + (tenths < 0 ? -3 : 3)) / 6;
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld.%07lld", units < 0 ? "-" : "",
                static_cast<long long>(std::llabs(units) / 10000000),
                static_cast<long long>(std::llabs(units) % 10000000));
  out += text;
}

}  // namespace

std::optional<IntPoint> ParseLatLon(std::string_view text) {
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos || text.find(',', comma + 1) != std::string_view::npos)
    return std::nullopt;
  const ParseResult<double> lat = TextToReal(text.substr(0, comma), u'.');
  const ParseResult<double> lon = TextToReal(text.substr(comma + 1), u'.');
  if (!lat.ok || !lon.ok || !(std::fabs(lat.value) <= 90.0) || !(std::fabs(lon.value) <= 180.0))
    return std::nullopt;
  return IntPoint{static_cast<AngleValue>(std::lround(lat.value * kAngleValuesPerDegree)),
                  static_cast<AngleValue>(std::lround(lon.value * kAngleValuesPerDegree))};
}

std::string LatLonText(IntPoint position) {
  std::string text;
  AppendDegrees(text, position.lat);
  text += ',';
  AppendDegrees(text, position.lon);
  return text;
}

}  // namespace kv
