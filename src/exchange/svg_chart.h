// Charts of a session report as standalone SVG elements, drawn by hand (no
// plotting library): line charts of channels against distance or time, bar
// charts of lap times, and a map of the route coloured by speed.
//
// Every function returns one <svg>...</svg> element that needs nothing
// outside it (no script, style sheet, font file or id shared with another
// chart), so a page may hold many of them and print them as they are: white
// background, dark text, strokes that survive a printer. Names and labels
// are UTF-8 and written XML-escaped. Hover texts are <title> elements, read
// by browsers without any script.
//
// Dense traces are thinned for drawing after they are mapped to pixels, so
// that no dropped point lies further than 0.5 px from the line drawn (0.4 px
// of thinning and at most 0.07 px of rounding to 0.1 px): an hour at 20 Hz
// draws as a few thousand points per line.
//
// Not-set values are quiet NaN and break lines; they never count towards
// axis ranges. Pure functions, any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv::report {

struct Series {
  std::string name;            // legend and hover text, UTF-8
  std::vector<double> x, y;    // same length (the shorter counts); NaN breaks the line
  uint32_t colour = 0x1F77B4;  // 0xRRGGBB
  bool highlight = false;      // drawn thicker, on top
};

// The <svg> element carries the mapping from data to pixels for a page
// script that shows values under the pointer: data-plot="left top width
// height" (px) and data-x="min max", data-y="min max" (data units; y grows
// upwards, the pixels downwards).
struct LineChartData {
  int32_t width = 900, height = 320;    // SVG user units (px)
  std::string title, x_label, y_label;  // labels carry their unit, e.g. "Distance (m)"
  std::vector<Series> series;
  std::vector<double> x_marks;  // vertical lines (timing lines); outside the x range: not drawn
  std::vector<std::string> x_mark_labels;  // one per mark, may be shorter
  bool zero_line = false;                  // a horizontal line at y = 0; the range then holds 0
};
// x spans the data exactly; y spans the data with a margin of 5 % of its
// range. Ticks at 1, 2 or 5 x 10^k with as many decimals as the step needs.
std::string LineChart(const LineChartData& chart);

struct Bar {
  std::string label;  // under the bar
  double value = 0;   // NaN: no bar
  uint32_t colour = 0x1F77B4;
  std::string text;  // above the bar (below a negative one); turned upright when too wide
};
struct BarChartData {
  int32_t width = 900, height = 260;
  std::string title, y_label;
  std::vector<Bar> bars;
};
// Bars stand on 0 (the y range always holds it), so their heights compare.
std::string BarChart(const BarChartData& chart);

struct MapTrace {
  std::vector<double> lat, lon, speed;  // degrees, speed in the chart's unit; NaN breaks
};
struct MapLine {
  double lat1, lon1, lat2, lon2;  // degrees
  bool split = false;             // drawn dashed; start and finish lines solid
  std::string name;
};
struct MapSpec {
  int32_t width = 600, height = 600;
  std::string title, speed_unit = "km/h";
  std::vector<MapTrace> traces;
  std::vector<MapLine> lines;
};
// North up, equal scales in metres (a local plane about the centre of the
// data on the 6,371 km sphere; a route across 180 degrees of longitude stays
// whole). Each trace is drawn in pieces coloured along a ramp from blue
// (slowest speed of all traces) to red (fastest); points without a speed
// (speed shorter than lat, or NaN) are grey. A legend of the ramp, a scale
// bar in metres and a north arrow at the bottom and top.
std::string SpeedMap(const MapSpec& chart);

}  // namespace kv::report
