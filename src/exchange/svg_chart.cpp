// Stand-in until the real chart writer lands: each chart is a framed box
// with its title and its data as plain polylines, enough to build, test
// and look at the report.
#include "exchange/svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kv::report {

namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '&')
      out += "&amp;";
    else if (c == '"')
      out += "&quot;";
    else
      out += c;
  }
  return out;
}

std::string Colour(uint32_t rgb) {
  char b[8];
  std::snprintf(b, sizeof b, "#%06x", rgb & 0xFFFFFFu);
  return b;
}

std::string Open(int32_t w, int32_t h, const std::string& title) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(w) + "\" height=\"" +
         std::to_string(h) + "\" viewBox=\"0 0 " + std::to_string(w) + " " + std::to_string(h) +
         "\"><title>" + Escape(title) + "</title><rect x=\"0.5\" y=\"0.5\" width=\"" +
         std::to_string(w - 1) + "\" height=\"" + std::to_string(h - 1) +
         "\" fill=\"none\" stroke=\"#ccc\"/><text x=\"8\" y=\"16\">" + Escape(title) + "</text>";
}

struct Box {
  double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
  void Add(double x, double y) {
    if (std::isnan(x) || std::isnan(y)) return;
    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  }
};

std::string Polyline(const std::vector<double>& x, const std::vector<double>& y, const Box& b,
                     int32_t w, int32_t h, uint32_t colour, double width) {
  std::string points;
  char buffer[48];
  for (size_t i = 0; i < x.size() && i < y.size(); ++i) {
    if (std::isnan(x[i]) || std::isnan(y[i])) continue;
    const double px = 40 + (x[i] - b.x0) / std::max(b.x1 - b.x0, 1e-9) * (w - 60);
    const double py = h - 30 - (y[i] - b.y0) / std::max(b.y1 - b.y0, 1e-9) * (h - 60);
    std::snprintf(buffer, sizeof buffer, "%.1f,%.1f ", px, py);
    points += buffer;
  }
  return "<polyline fill=\"none\" stroke=\"" + Colour(colour) + "\" stroke-width=\"" +
         std::to_string(width) + "\" points=\"" + points + "\"/>";
}

}  // namespace

std::string LineChart(const LineChartSpec& spec) {
  Box b;
  for (const Series& s : spec.series)
    for (size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) b.Add(s.x[i], s.y[i]);
  std::string out = Open(spec.width, spec.height, spec.title);
  for (const Series& s : spec.series)
    out += Polyline(s.x, s.y, b, spec.width, spec.height, s.colour, s.highlight ? 3 : 1.5);
  return out + "</svg>";
}

std::string BarChart(const BarChartSpec& spec) {
  std::string out = Open(spec.width, spec.height, spec.title);
  double top = 0;
  for (const Bar& bar : spec.bars) top = std::max(top, bar.value);
  const double step = (spec.width - 60.0) / std::max<size_t>(spec.bars.size(), 1);
  for (size_t i = 0; i < spec.bars.size(); ++i) {
    const double h = top > 0 ? spec.bars[i].value / top * (spec.height - 60) : 0;
    char buffer[160];
    std::snprintf(buffer, sizeof buffer,
                  "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/>",
                  40 + i * step, spec.height - 30 - h, step * 0.8, h,
                  Colour(spec.bars[i].colour).c_str());
    out += buffer;
  }
  return out + "</svg>";
}

std::string SpeedMap(const MapSpec& spec) {
  Box b;
  for (const MapTrace& t : spec.traces)
    for (size_t i = 0; i < t.lat.size(); ++i) b.Add(t.lon[i], t.lat[i]);
  std::string out = Open(spec.width, spec.height, spec.title);
  for (const MapTrace& t : spec.traces)
    out += Polyline(t.lon, t.lat, b, spec.width, spec.height, 0x1F77B4, 2);
  return out + "</svg>";
}

}  // namespace kv::report
