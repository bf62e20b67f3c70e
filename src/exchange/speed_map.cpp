#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "exchange/svg_chart.h"
#include "exchange/svg_text.h"
#include "exchange/trace_reduction.h"
#include "timing/geodesy.h"

namespace kv::report {
namespace {

constexpr double kTolerancePx = 0.4;
constexpr int32_t kBuckets = 12;
constexpr uint32_t kNoSpeedColour = 0x9A9A9A;
constexpr double kMetresPerDegree = kEarthRadius * kPi / 180.0;

// The speed ramp: samples of a perceptual rainbow (blue, cyan, green,
// yellow, orange, red) without its darkest ends, darkened a little so that
// the yellows still show on paper.
std::array<uint32_t, kBuckets> SpeedRamp() {
  std::array<uint32_t, kBuckets> ramp{};
  for (int32_t b = 0; b < kBuckets; ++b) {
    const double t = 0.08 + 0.86 * (b + 0.5) / kBuckets;
    const double rgb[3] = {
        0.13572138 +
            t * (4.61539260 +
                 t * (-42.66032258 + t * (132.13108234 + t * (-152.94239396 + t * 59.28637943)))),
        0.09140261 + t * (2.19418839 + t * (4.84296658 + t * (-14.18503333 +
                                                              t * (4.27729857 + t * 2.82956604)))),
        0.10667330 +
            t * (12.64194608 +
                 t * (-60.58204836 + t * (110.36276771 + t * (-89.90310912 + t * 27.34824973))))};
    uint32_t colour = 0;
    for (const double c : rgb)
      colour =
          colour << 8 | static_cast<uint32_t>(std::lround(std::clamp(c * 0.88, 0.0, 1.0) * 255));
    ramp[b] = colour;
  }
  return ramp;
}

// Degrees to the plane of the chart: metres east and north of the centre,
// then pixels.
struct Projection {
  double lat0 = 0, lon0 = 0, cos_lat0 = 1;
  bool unwrap = false;
  double scale = 1, cx = 0, cy = 0;  // px per metre; pixel centre
  double Lon(double lon) const { return unwrap && lon < 0 ? lon + 360 : lon; }
  double Px(double lon) const {
    return cx + (Lon(lon) - lon0) * cos_lat0 * kMetresPerDegree * scale;
  }
  double Py(double lat) const { return cy - (lat - lat0) * kMetresPerDegree * scale; }
};

bool Finite(double lat, double lon) { return std::isfinite(lat) && std::isfinite(lon); }

template <typename Visit>
void EachPosition(const MapSpec& chart, Visit visit) {
  for (const MapTrace& t : chart.traces)
    for (size_t i = 0; i < std::min(t.lat.size(), t.lon.size()); ++i)
      if (Finite(t.lat[i], t.lon[i])) visit(t.lat[i], t.lon[i]);
  for (const MapLine& l : chart.lines) {
    if (!Finite(l.lat1, l.lon1) || !Finite(l.lat2, l.lon2)) continue;
    visit(l.lat1, l.lon1);
    visit(l.lat2, l.lon2);
  }
}

// The largest of 1, 2, 5 x 10^k metres not above `metres`.
double NiceLength(double metres) {
  const double magnitude = std::pow(10.0, std::floor(std::log10(metres)));
  const double f = metres / magnitude;
  return (f >= 5 ? 5 : f >= 2 ? 2 : 1) * magnitude;
}

void DrawTrace(std::string& out, const Projection& p, const MapTrace& t, double v0, double v1,
               const std::array<uint32_t, kBuckets>& ramp) {
  const size_t n = std::min(t.lat.size(), t.lon.size());
  const auto bucket = [&](size_t i) -> int32_t {  // of the piece from point i to i + 1
    if (t.speed.size() < n) return -1;
    const double v = (t.speed[i] + t.speed[i + 1]) / 2;
    if (!std::isfinite(v)) return -1;
    if (!(v1 > v0)) return kBuckets / 2;
    return std::clamp(static_cast<int32_t>((v - v0) / (v1 - v0) * kBuckets), 0, kBuckets - 1);
  };
  std::vector<double> px, py;
  for (size_t i = 0; i + 1 < n;) {
    if (!Finite(t.lat[i], t.lon[i]) || !Finite(t.lat[i + 1], t.lon[i + 1])) {
      ++i;
      continue;
    }
    // Consecutive pieces of one colour make one polyline.
    const int32_t b = bucket(i);
    size_t end = i + 1;
    while (end + 1 < n && Finite(t.lat[end + 1], t.lon[end + 1]) && bucket(end) == b) ++end;
    px.clear();
    py.clear();
    for (size_t j = i; j <= end; ++j) {
      px.push_back(p.Px(t.lon[j]));
      py.push_back(p.Py(t.lat[j]));
    }
    out += "<polyline stroke=\"";
    AppendColour(out, b < 0 ? kNoSpeedColour : ramp[b]);
    out += "\" points=\"";
    bool first = true;
    for (const size_t k : ReduceTrace(px, py, kTolerancePx)) {
      if (!first) out += ' ';
      first = false;
      AppendCoordinate(out, px[k]);
      out += ',';
      AppendCoordinate(out, py[k]);
    }
    out += "\"/>";
    i = end;
  }
}

}  // namespace

std::string SpeedMap(const MapSpec& chart) {
  const int32_t width = std::max(chart.width, 200), height = std::max(chart.height, 200);
  const double left = 12, top = 30, right = width - 12.0, bottom = height - 48.0;

  double lat_lo = 90, lat_hi = -90, lon_lo = 180, lon_hi = -180;
  bool any = false;
  EachPosition(chart, [&](double lat, double lon) {
    any = true;
    lat_lo = std::min(lat_lo, lat), lat_hi = std::max(lat_hi, lat);
    lon_lo = std::min(lon_lo, lon), lon_hi = std::max(lon_hi, lon);
  });
  Projection p;
  // A route across 180 degrees of longitude is drawn on one side of it.
  if (lon_hi - lon_lo > 180) {
    p.unwrap = true;
    lon_lo = 360, lon_hi = -360;
    EachPosition(chart, [&](double, double lon) {
      lon_lo = std::min(lon_lo, p.Lon(lon)), lon_hi = std::max(lon_hi, p.Lon(lon));
    });
  }
  if (any) {
    p.lat0 = (lat_lo + lat_hi) / 2;
    p.lon0 = (lon_lo + lon_hi) / 2;
    p.cos_lat0 = std::cos(p.lat0 * kPi / 180);
  }
  const double east = any ? (lon_hi - lon_lo) * p.cos_lat0 * kMetresPerDegree : 0;
  const double north = any ? (lat_hi - lat_lo) * kMetresPerDegree : 0;
  p.scale = std::min((right - left) / std::max(east, 1.0), (bottom - top) / std::max(north, 1.0));
  p.cx = (left + right) / 2;
  p.cy = (top + bottom) / 2;

  double v0 = std::numeric_limits<double>::infinity(), v1 = -v0;
  for (const MapTrace& t : chart.traces)
    if (t.speed.size() >= std::min(t.lat.size(), t.lon.size()))
      for (const double v : t.speed)
        if (std::isfinite(v)) v0 = std::min(v0, v), v1 = std::max(v1, v);
  const auto ramp = SpeedRamp();

  std::string out;
  out.reserve(65536);
  OpenChart(out, width, height, chart.title, {});
  out +=
      "<g class=\"route\" fill=\"none\" stroke-width=\"2.5\" stroke-linejoin=\"round\" "
      "stroke-linecap=\"round\">";
  for (const MapTrace& t : chart.traces) DrawTrace(out, p, t, v0, v1, ramp);
  out += "</g>";

  for (const MapLine& l : chart.lines) {
    if (!Finite(l.lat1, l.lon1) || !Finite(l.lat2, l.lon2)) continue;
    out += l.split ? "<g class=\"trap\" stroke=\"#555\" stroke-width=\"2\" stroke-dasharray=\"4 "
                     "2\"><title>"
                   : "<g class=\"trap\" stroke=\"#111\" stroke-width=\"3\"><title>";
    AppendXmlText(out, l.name);
    out += "</title>";
    const double x1 = p.Px(l.lon1), y1 = p.Py(l.lat1), x2 = p.Px(l.lon2), y2 = p.Py(l.lat2);
    AppendLine(out, x1, y1, x2, y2);
    // The name beyond the end that lies further right, away from the line,
    // or beyond the left end when it would leave the chart.
    const bool second = x2 >= x1,
               fits = std::max(x1, x2) + 4 + TextWidth(l.name, 10) <= width - 2.0;
    const double ex = second == fits ? x2 : x1, ey = second == fits ? y2 : y1;
    AppendText(out, fits ? ex + 4 : ex - 4, ey + 4, fits ? "start" : "end", l.name,
               "stroke=\"none\" font-size=\"10\" fill=\"#111\"");
    out += "</g>";
  }

  // North arrow, top right.
  out += "<g class=\"north\" fill=\"#111\" stroke=\"none\"><path d=\"M";
  AppendCoordinate(out, right - 8);
  out += " 14l5 12h-10z\"/>";
  AppendText(out, right - 8, 38, "middle", "N", "font-size=\"10\"");
  out += "</g>";

  // Speed legend, bottom left: the ramp with its slowest and fastest speed.
  const double ly = height - 30.0, step = std::min(18.0, (width / 2.0 - 40) / kBuckets);
  if (v1 >= v0) {
    const int32_t decimals = v1 - v0 >= 10 ? 0 : 1;
    out += "<g class=\"speed-legend\"><title>Speed (";
    AppendXmlText(out, chart.speed_unit);
    out += ")</title>";
    for (int32_t b = 0; b < kBuckets; ++b) {
      out += "<rect x=\"";
      AppendCoordinate(out, left + b * step);
      out += "\" y=\"";
      AppendCoordinate(out, ly);
      out += "\" width=\"";
      AppendCoordinate(out, step + 0.2);
      out += "\" height=\"8\" fill=\"";
      AppendColour(out, ramp[b]);
      out += "\"/>";
    }
    AppendText(out, left, ly + 20, "start", FixedText(v0, decimals),
               "font-size=\"10\" fill=\"#111\"");
    AppendText(out, left + kBuckets * step, ly + 20, "end", FixedText(v1, decimals),
               "font-size=\"10\" fill=\"#111\"");
    AppendText(out, left, ly - 5, "start", "Speed (" + chart.speed_unit + ")",
               "font-size=\"10\" fill=\"#111\"");
    out += "</g>";
  }

  // Scale bar, bottom right: a round length of about a quarter of the width.
  if (!any) {
    AppendText(out, width / 2.0, height / 2.0, "middle", "No data",
               "font-size=\"13\" fill=\"#777\"");
    return out += "</svg>";
  }
  const double metres = NiceLength((right - left) / 4 / p.scale);
  const double bar = metres * p.scale, by = height - 18.0;
  out += "<g class=\"scale\" stroke=\"#111\" stroke-width=\"2\">";
  out += "<line class=\"scale-bar\" x1=\"";
  AppendCoordinate(out, right - bar);
  out += "\" y1=\"";
  AppendCoordinate(out, by);
  out += "\" x2=\"";
  AppendCoordinate(out, right);
  out += "\" y2=\"";
  AppendCoordinate(out, by);
  out += "\"/>";
  AppendLine(out, right - bar, by - 5, right - bar, by + 1);
  AppendLine(out, right, by - 5, right, by + 1);
  AppendText(
      out, right - bar / 2, by - 6, "middle",
      FixedText(metres, std::max(0, static_cast<int32_t>(-std::floor(std::log10(metres) + 1e-9)))) +
          " m",
      "class=\"scale-text\" stroke=\"none\" font-size=\"10\" fill=\"#111\"");
  out += "</g></svg>";
  return out;
}

}  // namespace kv::report
