// Pieces the report charts share: numbers, colours and text as SVG wants
// them, and the choice of axis ticks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv::report {

// UTF-8 text made safe inside an element or a double-quoted attribute: & < >
// and " as entities; bytes that are not UTF-8 and characters XML forbids
// become U+FFFD.
void AppendXmlText(std::string& out, std::string_view utf8);
// A pixel coordinate rounded to 0.1 px, without a trailing ".0"; values
// beyond +-1e7 px (data far outside the chart) are clamped.
void AppendCoordinate(std::string& out, double px);
// "#rrggbb".
void AppendColour(std::string& out, uint32_t rgb);
// `value` with `decimals` (0..12) decimals, never "-0".
std::string FixedText(double value, int32_t decimals);
// The shortest text that reads back as `value`.
std::string ShortestText(double value);
// Estimated width in px of `utf8` in a sans-serif font of `size` px.
double TextWidth(std::string_view utf8, double size);

// The opening of a chart: the <svg> element with `attributes` (may be
// empty) added to it, its <title> for hover and a white background, and the
// title drawn at the top left. The caller closes it with "</svg>".
void OpenChart(std::string& out, int32_t width, int32_t height, std::string_view title,
               std::string_view attributes);
// <text> at (x, y); anchor "start", "middle" or "end"; `extra` attributes
// (may be empty) are written as they are.
void AppendText(std::string& out, double x, double y, std::string_view anchor,
                std::string_view text, std::string_view extra = {});
// <line> from (x1, y1) to (x2, y2), styled by its group.
void AppendLine(std::string& out, double x1, double y1, double x2, double y2);

// The ticks of an axis over [lo, hi]: multiples of `step` (1, 2 or 5 x
// 10^k, chosen for about `target` ticks) inside the range, with the decimals
// the step needs.
struct TickScale {
  double first_index = 0, step = 1;  // the first tick is first_index * step
  int32_t count = 0, decimals = 0;
  double At(int32_t i) const { return (first_index + i) * step; }
};
TickScale NiceTicks(double lo, double hi, int32_t target);

}  // namespace kv::report
