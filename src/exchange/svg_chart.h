// exchange/svg_chart.h
#pragma once
#include <cstdint>
#include <string>
#include <vector>
namespace kv::report {
struct Series {
  std::string name;              // legend and hover text, UTF-8
  std::vector<double> x, y;      // same length; NaN in y breaks the line
  uint32_t colour = 0x1F77B4;    // 0xRRGGBB
  bool highlight = false;        // drawn thicker, on top
};
struct LineChartSpec {
  int32_t width = 900, height = 320;   // SVG user units (px)
  std::string title, x_label, y_label; // labels carry their unit, e.g. "Distance (m)", "Speed (km/h)"
  std::vector<Series> series;
  std::vector<double> x_marks;         // vertical lines (timing lines)
  std::vector<std::string> x_mark_labels;
  bool zero_line = false;              // a horizontal line at y = 0 (time difference)
};
std::string LineChart(const LineChartSpec& spec);  // one <svg>...</svg> element, self-contained
struct Bar { std::string label; double value = 0; uint32_t colour = 0x1F77B4; std::string text; };
struct BarChartSpec { int32_t width = 900, height = 260; std::string title, y_label; std::vector<Bar> bars; };
std::string BarChart(const BarChartSpec& spec);    // vertical bars, label under each, `text` above
struct MapTrace { std::vector<double> lat, lon, speed; };   // degrees, speed in the chart's unit; NaN breaks
struct MapLine { double lat1, lon1, lat2, lon2; bool split = false; std::string name; };
struct MapSpec {
  int32_t width = 600, height = 600; std::string title, speed_unit = "km/h";
  std::vector<MapTrace> traces; std::vector<MapLine> lines;
};
std::string SpeedMap(const MapSpec& spec);  // north up, equal scales, coloured by speed, a scale bar in m
}  // namespace kv::report
