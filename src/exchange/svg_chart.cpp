#include "exchange/svg_chart.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "exchange/svg_text.h"
#include "exchange/trace_reduction.h"

namespace kv::report {
namespace {

constexpr double kTolerancePx = 0.4;
constexpr double kFont = 11, kTitleFont = 13, kTickFont = 10;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Range {
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  void Add(double v) {
    if (!std::isfinite(v)) return;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  bool Empty() const { return lo > hi; }
};

// The plot area inside the chart, and the data range it shows.
struct Frame {
  double left, top, width, height;
  double x0, x1, y0, y1;
  double Px(double x) const { return left + (x - x0) / (x1 - x0) * width; }
  double Py(double y) const { return top + (y1 - y) / (y1 - y0) * height; }
};

// The widest tick label of the y axis, for the left margin.
double YTickWidth(const TickScale& ticks) {
  double widest = 0;
  for (int32_t i = 0; i < ticks.count; ++i)
    widest = std::max(widest, TextWidth(FixedText(ticks.At(i), ticks.decimals), kTickFont));
  return widest;
}

void YAxis(std::string& out, const Frame& f, const TickScale& ticks, const std::string& label) {
  out += "<g class=\"y-axis\" stroke=\"#d0d0d0\" stroke-width=\"1\">";
  for (int32_t i = 0; i < ticks.count; ++i)
    AppendLine(out, f.left, f.Py(ticks.At(i)), f.left + f.width, f.Py(ticks.At(i)));
  out += "</g><g class=\"y-ticks\" font-size=\"10\" fill=\"#333\">";
  for (int32_t i = 0; i < ticks.count; ++i)
    AppendText(out, f.left - 5, f.Py(ticks.At(i)) + 3.5, "end",
               FixedText(ticks.At(i), ticks.decimals));
  out += "</g>";
  if (label.empty()) return;
  const double x = 14, y = f.top + f.height / 2;
  std::string rotate = "transform=\"rotate(-90 ";
  AppendCoordinate(rotate, x);
  rotate += ' ';
  AppendCoordinate(rotate, y);
  rotate += ")\" fill=\"#111\"";
  AppendText(out, x, y, "middle", label, rotate);
}

void PlotBorder(std::string& out, const Frame& f) {
  out += "<rect x=\"";
  AppendCoordinate(out, f.left);
  out += "\" y=\"";
  AppendCoordinate(out, f.top);
  out += "\" width=\"";
  AppendCoordinate(out, f.width);
  out += "\" height=\"";
  AppendCoordinate(out, f.height);
  out += "\" fill=\"none\" stroke=\"#777\" stroke-width=\"1\"/>";
}

void NoData(std::string& out, const Frame& f) {
  AppendText(out, f.left + f.width / 2, f.top + f.height / 2, "middle", "No data",
             "font-size=\"13\" fill=\"#777\"");
}

// A padded y range: 5 % of the span on each side, or a unit when the data is flat.
void PadRange(Range& r) {
  if (r.Empty()) r.lo = 0, r.hi = 1;
  const double span = r.hi - r.lo;
  const double margin = span > 0 ? span * 0.05 : std::max(1.0, std::fabs(r.lo) * 0.1);
  r.lo -= margin;
  r.hi += margin;
}

// One series as polylines over its finite stretches (a lone point as a dot).
void DrawSeries(std::string& out, const Frame& f, const Series& s) {
  const size_t n = std::min(s.x.size(), s.y.size());
  std::vector<double> px(n), py(n);
  for (size_t i = 0; i < n; ++i) {
    const bool ok = std::isfinite(s.x[i]) && std::isfinite(s.y[i]);
    px[i] = ok ? f.Px(s.x[i]) : kNaN;
    py[i] = ok ? f.Py(s.y[i]) : kNaN;
  }
  out += "<g class=\"series\" fill=\"none\" stroke=\"";
  AppendColour(out, s.colour);
  out += s.highlight ? "\" stroke-width=\"2.6\"" : "\" stroke-width=\"1.3\"";
  out += " stroke-linejoin=\"round\" stroke-linecap=\"round\"><title>";
  AppendXmlText(out, s.name);
  out += "</title>";
  const std::vector<size_t> kept = ReduceTrace(px, py, kTolerancePx);
  for (size_t k = 0; k < kept.size();) {
    if (!std::isfinite(px[kept[k]])) {
      ++k;
      continue;
    }
    size_t end = k;
    while (end + 1 < kept.size() && std::isfinite(px[kept[end + 1]])) ++end;
    if (end == k) {
      out += "<circle cx=\"";
      AppendCoordinate(out, px[kept[k]]);
      out += "\" cy=\"";
      AppendCoordinate(out, py[kept[k]]);
      out += s.highlight ? "\" r=\"2\"" : "\" r=\"1.3\"";
      out += " fill=\"";
      AppendColour(out, s.colour);
      out += "\" stroke=\"none\"/>";
    } else {
      out += "<polyline points=\"";
      for (size_t j = k; j <= end; ++j) {
        if (j > k) out += ' ';
        AppendCoordinate(out, px[kept[j]]);
        out += ',';
        AppendCoordinate(out, py[kept[j]]);
      }
      out += "\"/>";
    }
    k = end + 1;
  }
  out += "</g>";
}

// Legend entries laid in rows: the first from `x` (after the title), the
// others from the left edge; returns the rows used.
int32_t Legend(std::string* out, const std::vector<Series>& series, double x, double right,
               double y) {
  if (series.empty() || (series.size() == 1 && series[0].name.empty())) return 0;
  constexpr double kRowStart = 8;
  int32_t rows = 1;
  double at = x;
  for (const Series& s : series) {
    const double w = 22 + TextWidth(s.name, kFont) + 14;
    if (at + w > right && at > kRowStart) {
      at = kRowStart;
      ++rows;
    }
    if (out != nullptr) {
      const double row_y = y + (rows - 1) * 15;
      *out += "<g stroke=\"";
      AppendColour(*out, s.colour);
      *out += s.highlight ? "\" stroke-width=\"3\">" : "\" stroke-width=\"1.6\">";
      AppendLine(*out, at, row_y - 4, at + 18, row_y - 4);
      *out += "</g>";
      AppendText(*out, at + 22, row_y, "start", s.name, "fill=\"#111\"");
    }
    at += w;
  }
  return rows;
}

}  // namespace

std::string LineChart(const LineChartData& chart) {
  const int32_t width = std::max(chart.width, 200), height = std::max(chart.height, 120);
  Range xr, yr;
  for (const Series& s : chart.series) {
    const size_t n = std::min(s.x.size(), s.y.size());
    for (size_t i = 0; i < n; ++i) {
      if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) continue;
      xr.Add(s.x[i]);
      yr.Add(s.y[i]);
    }
  }
  const bool no_data = xr.Empty();
  if (no_data) xr.lo = 0, xr.hi = 1;
  if (xr.hi == xr.lo) xr.lo -= 0.5, xr.hi += 0.5;
  if (chart.zero_line) yr.Add(0.0);
  PadRange(yr);

  // The legend starts after the title and wraps below it.
  const double legend_x = chart.title.empty() ? 8 : 8 + TextWidth(chart.title, kTitleFont) + 24;
  const int32_t legend_rows = Legend(nullptr, chart.series, legend_x, width - 8.0, 17);
  const double top = 28 + 15.0 * std::max(0, legend_rows - 1);
  const TickScale yt =
      NiceTicks(yr.lo, yr.hi, std::max(2, static_cast<int32_t>((height - top - 40) / 40)));
  const double left = std::max(40.0, YTickWidth(yt) + (chart.y_label.empty() ? 10 : 28));
  const Frame f{left,  top,  width - left - 14, std::max(20.0, height - top - 40), xr.lo, xr.hi,
                yr.lo, yr.hi};

  std::string out;
  out.reserve(16384);
  std::string mapping = "data-plot=\"";
  for (double v : {f.left, f.top, f.width, f.height}) mapping += ShortestText(v) + ' ';
  mapping.back() = '"';
  mapping += " data-x=\"" + ShortestText(f.x0) + ' ' + ShortestText(f.x1) + '"';
  mapping += " data-y=\"" + ShortestText(f.y0) + ' ' + ShortestText(f.y1) + '"';
  OpenChart(out, width, height, chart.title, mapping);
  Legend(&out, chart.series, legend_x, width - 8.0, 17);

  YAxis(out, f, yt, chart.y_label);
  const TickScale xt = NiceTicks(f.x0, f.x1, std::max(2, static_cast<int32_t>(f.width / 90)));
  out += "<g class=\"x-axis\" stroke=\"#d0d0d0\" stroke-width=\"1\">";
  for (int32_t i = 0; i < xt.count; ++i)
    AppendLine(out, f.Px(xt.At(i)), f.top, f.Px(xt.At(i)), f.top + f.height);
  out += "</g><g class=\"x-ticks\" font-size=\"10\" fill=\"#333\">";
  for (int32_t i = 0; i < xt.count; ++i)
    AppendText(out, f.Px(xt.At(i)), f.top + f.height + 14, "middle",
               FixedText(xt.At(i), xt.decimals));
  out += "</g>";
  if (!chart.x_label.empty())
    AppendText(out, f.left + f.width / 2, height - 6.0, "middle", chart.x_label, "fill=\"#111\"");
  if (chart.zero_line) {
    out += "<g class=\"zero\" stroke=\"#444\" stroke-width=\"1.2\">";
    AppendLine(out, f.left, f.Py(0), f.left + f.width, f.Py(0));
    out += "</g>";
  }

  out += "<g class=\"marks\" stroke=\"#555\" stroke-width=\"1\" stroke-dasharray=\"4 3\">";
  for (size_t i = 0; i < chart.x_marks.size(); ++i) {
    const double x = chart.x_marks[i];
    if (!(x >= f.x0 && x <= f.x1)) continue;
    AppendLine(out, f.Px(x), f.top, f.Px(x), f.top + f.height);
  }
  out += "</g>";

  for (const Series& s : chart.series)
    if (!s.highlight) DrawSeries(out, f, s);
  for (const Series& s : chart.series)
    if (s.highlight) DrawSeries(out, f, s);
  // Mark labels over the lines, with a white halo, in up to three rows so
  // that close marks keep their labels apart.
  out +=
      "<g class=\"mark-labels\" font-size=\"10\" fill=\"#333\" stroke=\"#fff\" "
      "stroke-width=\"3\" paint-order=\"stroke\">";
  std::vector<std::pair<double, double>> taken[3];
  for (size_t i = 0; i < chart.x_marks.size() && i < chart.x_mark_labels.size(); ++i) {
    const double x = chart.x_marks[i];
    const std::string& label = chart.x_mark_labels[i];
    if (!(x >= f.x0 && x <= f.x1) || label.empty()) continue;
    const double w = TextWidth(label, kTickFont);
    const bool near_right = f.Px(x) + 3 + w > f.left + f.width;
    const double lo = near_right ? f.Px(x) - 3 - w : f.Px(x) + 3, hi = lo + w;
    int32_t row = 0;
    while (row < 3 && std::any_of(taken[row].begin(), taken[row].end(), [&](const auto& t) {
             return lo < t.second + 4 && hi > t.first - 4;
           }))
      ++row;
    if (row == 3) row = 0;
    taken[row].emplace_back(lo, hi);
    AppendText(out, near_right ? hi : lo, f.top + 11 + 11 * row, near_right ? "end" : "start",
               label);
  }
  out += "</g>";
  if (no_data) NoData(out, f);
  PlotBorder(out, f);
  out += "</svg>";
  return out;
}

std::string BarChart(const BarChartData& chart) {
  const int32_t width = std::max(chart.width, 160), height = std::max(chart.height, 120);
  Range vr;
  vr.Add(0.0);
  for (const Bar& b : chart.bars) vr.Add(b.value);
  if (vr.hi == vr.lo) vr.hi = 1;
  vr.hi += (vr.hi > 0 ? 0.05 : 0) * (vr.hi - vr.lo);
  vr.lo -= (vr.lo < 0 ? 0.05 : 0) * (vr.hi - vr.lo);

  const double slot_estimate = (width - 80.0) / std::max<size_t>(1, chart.bars.size());
  double text_width = 0;
  for (const Bar& b : chart.bars) text_width = std::max(text_width, TextWidth(b.text, kTickFont));
  const bool upright = text_width > slot_estimate - 2;  // texts turned to read upwards
  const double head = text_width == 0 ? 6 : upright ? text_width + 8 : 16;
  const double top = 28 + (vr.hi > 0 ? head : 6), bottom = 22 + (vr.lo < 0 ? head : 0);
  const TickScale yt =
      NiceTicks(vr.lo, vr.hi, std::max(2, static_cast<int32_t>((height - top - bottom) / 40)));
  const double left = std::max(40.0, YTickWidth(yt) + (chart.y_label.empty() ? 10 : 28));
  const Frame f{left,  top,  width - left - 10, std::max(20.0, height - top - bottom), 0, 1,
                vr.lo, vr.hi};

  std::string out;
  out.reserve(4096);
  OpenChart(out, width, height, chart.title, {});
  YAxis(out, f, yt, chart.y_label);

  const double slot = f.width / std::max<size_t>(1, chart.bars.size());
  double label_width = 0;
  for (const Bar& b : chart.bars)
    label_width = std::max(label_width, TextWidth(b.label, kTickFont));
  const size_t label_every =
      std::max<size_t>(1, static_cast<size_t>(std::ceil((label_width + 4) / slot)));
  const double zero = f.Py(0);
  for (size_t i = 0; i < chart.bars.size(); ++i) {
    const Bar& b = chart.bars[i];
    const double centre = f.left + slot * (i + 0.5);
    out += "<g class=\"bar\"><title>";
    AppendXmlText(out, b.label);
    out += ": ";
    AppendXmlText(out, b.text.empty() ? ShortestText(b.value) : b.text);
    out += "</title>";
    double end = zero;
    if (std::isfinite(b.value)) {
      end = f.Py(b.value);
      out += "<rect x=\"";
      AppendCoordinate(out, centre - slot * 0.35);
      out += "\" y=\"";
      AppendCoordinate(out, std::min(end, zero));
      out += "\" width=\"";
      AppendCoordinate(out, slot * 0.7);
      out += "\" height=\"";
      AppendCoordinate(out, std::fabs(end - zero));
      out += "\" fill=\"";
      AppendColour(out, b.colour);
      out += "\"/>";
    }
    if (!b.text.empty()) {
      const bool below = std::isfinite(b.value) && b.value < 0;
      if (!upright) {
        AppendText(out, centre, below ? end + 12 : end - 4, "middle", b.text,
                   "font-size=\"10\" fill=\"#111\"");
      } else {
        const double y = below ? end + 4 : end - 4;
        std::string rotate = "font-size=\"10\" fill=\"#111\" transform=\"rotate(-90 ";
        AppendCoordinate(rotate, centre + 3.5);
        rotate += ' ';
        AppendCoordinate(rotate, y);
        rotate += ")\"";
        AppendText(out, centre + 3.5, y, below ? "end" : "start", b.text, rotate);
      }
    }
    if (i % label_every == 0)
      AppendText(out, centre, f.top + f.height + (vr.lo < 0 ? head : 0) + 14, "middle", b.label,
                 "font-size=\"10\" fill=\"#333\"");
    out += "</g>";
  }
  if (std::none_of(chart.bars.begin(), chart.bars.end(),
                   [](const Bar& b) { return std::isfinite(b.value); }))
    NoData(out, f);
  out += "<g stroke=\"#444\" stroke-width=\"1\">";
  AppendLine(out, f.left, zero, f.left + f.width, zero);
  out += "</g></svg>";
  return out;
}

}  // namespace kv::report
