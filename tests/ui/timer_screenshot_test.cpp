// The live timer painted without a display, checked by region rather than
// by pixel-exact glyphs: each label's rectangle holds ink of its colour,
// large enough to read, clear of the rectangle's edges (not cut off), and
// what must stay empty is ground. KV_KEEP_SCREENSHOTS=1 keeps the pictures
// in a temporary folder (its path is printed) for a look.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "ui/live_timer_painter.h"
#include "ui/timer_content.h"

namespace kv::ui {
namespace {

constexpr uint32_t kGround = 0xFFFFFF;

// The smallest box around the pixels of exactly `colour` in `area` (the
// cores of anti-aliased glyphs); w = 0 when there are none.
Rect InkBox(const platform::Canvas& c, uint32_t colour, const Rect& area) {
  int32_t x0 = area.x + area.w, y0 = area.y + area.h, x1 = area.x - 1, y1 = area.y - 1;
  for (int32_t y = area.y; y < area.y + area.h; ++y)
    for (int32_t x = area.x; x < area.x + area.w; ++x)
      if (c.Pixel(x, y) == colour)
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  return x1 < x0 ? Rect{} : Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

// Ink of `colour` (0: only ground) in `r`, at least a third of it tall.
void ExpectInk(const platform::Canvas& c, const Rect& r, uint32_t colour,
               const std::string& where) {
  if (colour == 0) {
    for (int32_t y = r.y; y < r.y + r.h; ++y)
      for (int32_t x = r.x; x < r.x + r.w; ++x)
        ASSERT_EQ(c.Pixel(x, y), kGround) << where << " is not empty at " << x << "," << y;
    return;
  }
  const Rect ink = InkBox(c, colour, r);
  ASSERT_GT(ink.w, 0) << where << ": no ink of " << std::hex << colour;
  EXPECT_TRUE(ink.x > r.x && ink.y > r.y && ink.x + ink.w < r.x + r.w && ink.y + ink.h < r.y + r.h)
      << where << ": ink touches the edge (cut off)";
  EXPECT_GE(ink.h, r.h / 3) << where << ": text too small";
}

TEST(TimerScreenshot, LabelsInkTheirRectanglesInTheirColours) {
  const struct {
    const char* name;
    int32_t status, result_time, diff;  // result_time kNotSet: no lap yet
    const char16_t* trap;
    uint32_t face, panel_diff;  // the result's colours; 0: none shown
  } cases[] = {
      {"no_fix", 5, kNotSet, kNotSet, u"", 0, 0},
      {"faster", 0, 83456, -1234, u"Start/Finish", kFaster, kPanelFaster},
      {"slower", 0, 84690, 2345, u"Start/Finish", kSlower, kPanelSlower},
      {"split_alone", 0, 41230, kNotSet, u"Split 2", kEven, 0},
      {"hour_lap", 0, 3725120, -61000, u"Start/Finish", kFaster, kPanelFaster},
  };
  std::string keep;
  if (std::getenv("KV_KEEP_SCREENSHOTS") != nullptr) {
    keep = (std::filesystem::temp_directory_path() / "kv-screenshots-XXXXXX").string();
    keep = std::string(mkdtemp(keep.data())) + "/";
    std::cout << "Screenshots in " << keep << '\n';
  }
  for (const auto& c : cases) {
    LiveTimerState s;
    s.status = c.status;
    s.has_result = IsSet(c.result_time);
    s.result_time = c.result_time, s.result_diff = c.diff, s.result_number = 3;
    s.trap_name = WideString(c.trap);
    if (s.has_result) {
      s.comparison_time = 83000, s.comparison_number = 2, s.current_number = 4;
      s.running_time = 4200, s.held_previous_time = 85999, s.held_previous_number = 2;
    }
    for (const auto& [w, h] : {std::pair{480, 640}, {800, 480}}) {
      for (const TimerMode mode : {TimerMode::kFace, TimerMode::kSplit}) {
        PaintInputs in;
        in.mode = mode, in.satellites = 9;
        platform::Canvas canvas(w, h);
        PaintLiveTimer(canvas, s, in);
        ASSERT_EQ(canvas.FontError(), 0) << "DejaVu Sans (fonts-dejavu-core) is installed";
        const std::string where = std::string(c.name) + "_" + std::to_string(w) + "x" +
                                  std::to_string(h) +
                                  (mode == TimerMode::kFace ? "_face" : "_panel");
        EXPECT_TRUE(keep.empty() || canvas.SavePng(keep + where + ".png") == 0) << where;
        if (mode == TimerMode::kFace) {
          const FaceLayout f = LayOutFace(w, h);
          ExpectInk(canvas, f.strip, c.status != 0 ? kSlower : kEven, where + " strip");
          ExpectInk(canvas, f.rows[0], kNeutral, where + " row 1");
          ExpectInk(canvas, f.rows[2], c.face != 0 ? c.face : kNeutral, where + " row 3");
          ExpectInk(canvas, f.big, c.face, where + " big line");
        } else {
          const PanelLayout p = LayOutPanel(w, h, false);
          ExpectInk(canvas, p.time_line, kNeutral, where + " time line");
          const uint32_t line = c.status != 0 ? kPanelSlower : c.trap[0] != 0 ? kPanelTrapName : 0;
          ExpectInk(canvas, p.trap_or_status, line, where + " trap or status");
          ExpectInk(canvas, p.difference, c.panel_diff, where + " difference");
        }
      }
    }
  }
}

}  // namespace
}  // namespace kv::ui
