// The report's charts: the thinning bound, and SVG that any XML reader
// takes, holding its series, marks, escaped names, nice ticks and a true
// scale bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <regex>
#include <set>

#include "exchange/svg_chart.h"
#include "exchange/trace_reduction.h"
#include "support/temp_folder.h"
#include "timing/geodesy.h"

namespace kv::report {
namespace {

const double kNaN = std::nan("");

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay, l2 = dx * dx + dy * dy;
  const double t = l2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / l2, 0.0, 1.0) : 0.0;
  return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

TEST(ReduceTrace, EveryDroppedPointWithinToleranceAndGapsKept) {
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0, 3);
  const struct {
    const char* legend;
    double tolerance;
    std::function<double(size_t)> y;
  } cases[] = {
      {"noisy random walk", 0.4, [&, v = 0.0](size_t) mutable { return v += noise(random); }},
      {"sine, 72,000 points", 0.4, [](size_t i) { return 100 * std::sin(i * 0.001); }},
      {"sine with gaps", 0.5,
       [](size_t i) { return i % 5000 < 40 || i == 9000 ? kNaN : 50 * std::sin(i * 0.01); }},
      {"zero tolerance", 0.0, [](size_t i) { return std::floor(i / 100.0); }}};
  for (const auto& c : cases) {
    std::vector<double> x(72000), y(72000);
    for (size_t i = 0; i < x.size(); ++i) x[i] = i * 0.0125, y[i] = c.y(i);
    const std::vector<size_t> kept = ReduceTrace(x, y, c.tolerance);
    ASSERT_GE(kept.size(), 2u) << c.legend;
    EXPECT_LT(kept.size(), x.size() / 2) << c.legend;
    EXPECT_EQ(kept.front(), 0u);
    EXPECT_EQ(kept.back(), x.size() - 1);
    double worst = 0;
    for (size_t k = 0; k + 1 < kept.size(); ++k) {
      const size_t a = kept[k], b = kept[k + 1];
      ASSERT_LT(a, b) << c.legend;
      const bool across_gap = !std::isfinite(y[a]) || !std::isfinite(y[b]);
      for (size_t i = a + 1; i < b; ++i) {
        ASSERT_TRUE(std::isfinite(y[i]) || across_gap)
            << c.legend << ": a gap joined over at " << i;
        if (!across_gap)
          worst = std::max(worst, SegmentDistance(x[i], y[i], x[a], y[a], x[b], y[b]));
      }
    }
    EXPECT_LE(worst, c.tolerance + 1e-9) << c.legend;
    // Around a gap: the point before it, its first point and the point after it.
    const auto kept_at = [&](size_t i) { return std::binary_search(kept.begin(), kept.end(), i); };
    for (size_t i = 1; i < y.size(); ++i) {
      const bool starts = std::isfinite(y[i - 1]) && !std::isfinite(y[i]);
      const bool ends = !std::isfinite(y[i - 1]) && std::isfinite(y[i]);
      EXPECT_TRUE(!starts || (kept_at(i - 1) && kept_at(i))) << c.legend << ": the gap at " << i;
      EXPECT_TRUE(!ends || kept_at(i)) << c.legend << ": the end of the gap at " << i;
    }
  }
}

TEST(ReduceTrace, DegenerateInputs) {
  const struct {
    const char* legend;
    std::vector<double> x, y;
    double tolerance;
    std::vector<size_t> kept;
  } cases[] = {
      {"empty", {}, {}, 1, {}},
      {"one point", {3}, {4}, 1, {0}},
      {"two points", {0, 1}, {0, 1}, 1, {0, 1}},
      {"all equal", {2, 2, 2, 2, 2}, {5, 5, 5, 5, 5}, 0, {0, 4}},
      {"y shorter than x", {0, 1, 2, 3}, {0, 0, 0}, 1, {0, 2}},
      {"NaN tolerance drops only points on the line", {0, 1, 2, 3}, {0, 1, 2, 0}, kNaN, {0, 2, 3}},
      {"lone points between gaps", {0, 1, 2, 3, 4}, {kNaN, 1, kNaN, kNaN, 2}, 1, {0, 1, 2, 4}},
      {"a turn back beyond the ends", {0, 10, 5}, {0, 0, 0}, 1, {0, 1, 2}}};
  for (const auto& c : cases) EXPECT_EQ(ReduceTrace(c.x, c.y, c.tolerance), c.kept) << c.legend;
}

// xmllint's verdict on the text (empty when it is well-formed); skipped
// without xmllint.
std::string XmlErrors(const std::string& svg) {
  if (std::system("command -v xmllint >/dev/null") != 0) return {};
  testing::TempFolder folder;
  const std::string path = folder.Path() + "chart.svg", log = folder.Path() + "log";
  std::ofstream(path) << svg;
  const int status =
      std::system(("xmllint --nonet --noout '" + path + "' 2>'" + log + "'").c_str());
  return status == 0 ? std::string() : "xmllint: " + testing::ReadWholeFile(log);
}

std::vector<std::string> All(const std::string& text, const std::string& pattern) {
  std::vector<std::string> found;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
       ++it)
    found.push_back(it->size() > 1 ? (*it)[1].str() : it->str());
  return found;
}

// The tick labels of a group: at least two, steps of 1, 2 or 5 x 10^k, no
// float noise in their texts.
void ExpectNiceTicks(const std::string& svg, const std::string& group) {
  const size_t from = svg.find("<g class=\"" + group + "\"");
  ASSERT_NE(from, std::string::npos) << group;
  const std::vector<std::string> labels =
      All(svg.substr(from, svg.find("</g>", from) - from), ">([^<]*)</text>");
  ASSERT_GE(labels.size(), 2u) << group;
  const double step = std::stod(labels[1]) - std::stod(labels[0]);
  const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 ||
              std::fabs(mantissa - 5) < 1e-6)
      << group << " step " << step;
  for (size_t i = 0; i < labels.size(); ++i) {
    EXPECT_LE(labels[i].size(), 7u) << group << ": " << labels[i];
    EXPECT_NEAR(std::stod(labels[i]), std::stod(labels[0]) + i * step, step * 1e-6) << group;
  }
}

TEST(LineChart, SeriesMarksEscapedNamesAndNiceTicks) {
  LineChartData chart;
  chart.title = "Speed <&> \"laps\"";
  chart.x_label = "Distance (m)";
  Series plain{"Lap 3 <slow> & \"wet\"", {}, {}, 0x1F77B4, false},
      best{"Best", {}, {}, 0xD62728, true};
  for (int32_t i = 0; i <= 3000; ++i) {
    plain.x.push_back(i * 0.7),
        plain.y.push_back(i > 1000 && i < 1020 ? kNaN : 0.1 + 0.6 * std::sin(i * 0.01));
    best.x.push_back(i * 0.7), best.y.push_back(0.3 * std::cos(i * 0.004));
  }
  chart.series = {best, plain};
  chart.x_marks = {0, 1000, 5000};
  chart.x_mark_labels = {"Start/finish", "Split <1>"};
  chart.zero_line = true;
  const std::string svg = LineChart(chart);
  EXPECT_EQ(XmlErrors(svg), "");
  const std::vector<std::string> groups =
      All(svg, "<g class=\"series\"[^>]*><title>([^<]*)</title>");
  EXPECT_EQ(groups, (std::vector<std::string>{"Lap 3 &lt;slow&gt; &amp; &quot;wet&quot;", "Best"}))
      << "one group a series, the highlighted one on top";
  EXPECT_EQ(All(svg, "<polyline").size(), 3u) << "the gap breaks the plain line";
  const size_t marks = svg.find("class=\"marks\"");
  EXPECT_EQ(All(svg.substr(marks, svg.find("</g>", marks) - marks), "<line").size(), 2u)
      << "5000 m is beyond the data";
  EXPECT_NE(svg.find(">Split &lt;1&gt;</text>"), std::string::npos);
  EXPECT_NE(svg.find("class=\"zero\""), std::string::npos);
  EXPECT_EQ(svg.find("<svg", 1), std::string::npos);
  ExpectNiceTicks(svg, "x-ticks");
  ExpectNiceTicks(svg, "y-ticks");
  // Every drawn point inside the plot area.
  const std::vector<std::string> plot = All(svg, "data-plot=\"([^\"]*)\"");
  ASSERT_EQ(plot.size(), 1u);
  double left, top, width, height;
  ASSERT_EQ(std::sscanf(plot[0].c_str(), "%lf %lf %lf %lf", &left, &top, &width, &height), 4);
  for (const std::string& xy : All(svg, "([-0-9.]+,[-0-9.]+)")) {
    const double x = std::stod(xy), y = std::stod(xy.substr(xy.find(',') + 1));
    EXPECT_TRUE(x >= left - 0.05 && x <= left + width + 0.05 && y >= top - 0.05 &&
                y <= top + height + 0.05)
        << xy;
  }
}

TEST(BarChart, OneBarEachWithTextsAndNiceTicks) {
  BarChartData chart;
  chart.title = "Lap times";
  chart.bars = {{"1", 92.5, 0x1F77B4, "1:32.500"},
                {"2 <out>\x01\xff", kNaN, 0x1F77B4, "no time"},
                {"3", 90.1, 0xD62728, "1:30.100"}};
  const std::string svg = BarChart(chart);
  EXPECT_EQ(XmlErrors(svg), "");
  EXPECT_EQ(All(svg, "<g class=\"bar\">").size(), 3u);
  EXPECT_EQ(All(svg, "<rect [^>]*fill=\"#(1f77b4|d62728)\"").size(), 2u)
      << "no bar without a value";
  EXPECT_NE(svg.find("<title>2 &lt;out&gt;\uFFFD\uFFFD: no time</title>"), std::string::npos);
  EXPECT_NE(svg.find(">1:30.100</text>"), std::string::npos);
  ExpectNiceTicks(svg, "y-ticks");
}

TEST(SpeedMap, ScaleBarTrueToTheDrawingAndColouredBySpeed) {
  const struct {
    const char* legend;
    double lat, lon;
  } places[] = {{"mid latitude", 48.2, 11.6}, {"across 180 degrees", -16.8, 180.0}};
  for (const auto& place : places) {
    // A 1200 m x 700 m loop, its speed growing with the sample index.
    MapTrace trace;
    const double dlat = 350 / (kEarthRadius * kPi / 180),
                 dlon = dlat * 600 / 350 / std::cos(place.lat * kPi / 180);
    for (int32_t i = 0; i <= 2000; ++i) {
      const double a = i * 2 * kPi / 2000, lon = place.lon + dlon * std::cos(a);
      trace.lat.push_back(place.lat + dlat * std::sin(a));
      trace.lon.push_back(lon > 180 ? lon - 360 : lon);
      trace.speed.push_back(40 + i * 0.05);
    }
    MapTrace no_speed{
        {place.lat, place.lat + dlat / 2}, {place.lon - dlon / 2, place.lon - dlon / 2}, {}};
    MapSpec chart;
    chart.title = "Route & traps";
    chart.traces = {trace, no_speed};
    chart.lines = {
        {place.lat - dlat, place.lon, place.lat - dlat * 0.9, place.lon, false, "Start <1>"}};
    const std::string svg = SpeedMap(chart);
    EXPECT_EQ(XmlErrors(svg), "") << place.legend;
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    for (const std::string& xy : All(svg, "([-0-9.]+,[-0-9.]+)")) {
      const double x = std::stod(xy), y = std::stod(xy.substr(xy.find(',') + 1));
      x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
    EXPECT_LE(x1 - x0, chart.width) << place.legend;
    const double px_per_m = (y1 - y0) / 700;
    EXPECT_NEAR((x1 - x0) / 1200, px_per_m, px_per_m * 0.01) << place.legend << ": equal scales";
    const std::vector<std::string> bar =
        All(svg, "class=\"scale-bar\" x1=\"([-0-9. \"xy12=]+)\"/>");
    const std::vector<std::string> claim = All(svg, "class=\"scale-text\"[^>]*>([0-9.]+) m<");
    ASSERT_EQ(bar.size(), 1u);
    ASSERT_EQ(claim.size(), 1u);
    double bx1, by1, bx2, by2;
    ASSERT_EQ(
        std::sscanf(bar[0].c_str(), "%lf\" y1=\"%lf\" x2=\"%lf\" y2=\"%lf", &bx1, &by1, &bx2, &by2),
        4)
        << bar[0];
    EXPECT_NEAR((bx2 - bx1) / std::stod(claim[0]), px_per_m, px_per_m * 0.01) << place.legend;
    const std::vector<std::string> colours = All(svg, "<polyline stroke=\"(#[0-9a-f]{6})\"");
    EXPECT_GE(std::set<std::string>(colours.begin(), colours.end()).size(), 10u)
        << "the ramp used whole";
    EXPECT_LT(colours.size(), 40u) << "pieces of one colour joined";
    EXPECT_EQ(colours.back(), "#9a9a9a") << "a trace without speeds is grey";
    EXPECT_NE(svg.find(">Start &lt;1&gt;</text>"), std::string::npos);
  }
}

}  // namespace
}  // namespace kv::report
