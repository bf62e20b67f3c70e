// The live timer's arithmetic and content without a window: layouts for
// portrait, landscape and extreme sizes (computed by hand), the status
// precedence, the texts and colours by the sign of the difference, and the
// modes and keys.
#include <gtest/gtest.h>

#include <string>

#include "platform/canvas.h"
#include "ui/live_timer_painter.h"
#include "ui/live_timer_view.h"
#include "ui/live_timer_state.h"
#include "ui/timer_content.h"
#include "ui/timer_layout.h"
#include "util/utf_convert.h"

namespace kv::ui {
namespace {

std::string Text(const WideString& text) { return ToUtf8(text.AsView()).Std(); }

TEST(TimerLayout, FacePanelAndViewByHand) {
  // Portrait 480x800: strip 1 + 43, rest 756, rows of 189, font 22 % of 756.
  FaceLayout f = LayOutFace(480, 800);
  EXPECT_FALSE(f.landscape);
  EXPECT_EQ(f.strip, (Rect{0, 0, 480, 44}));
  EXPECT_EQ(f.rows[2], (Rect{0, 422, 480, 189}));
  EXPECT_EQ(f.big, (Rect{0, 611, 480, 189}));
  EXPECT_EQ(f.bar, (Rect{0, 763, 480, 37})) << "the predicted bar: the big line's foot";
  EXPECT_EQ(f.row_fonts[0], 166);
  // Landscape 800x480: the strip capped by the height (1 + 50); thirds of 429.
  f = LayOutFace(800, 480);
  EXPECT_TRUE(f.landscape);
  EXPECT_EQ(f.strip.h, 51);
  EXPECT_EQ(f.rows[0], f.rows[1]) << "rows 1 and 2 share the first third";
  EXPECT_EQ(f.rows[2], (Rect{0, 194, 800, 143}));
  EXPECT_EQ(f.big_font, 143);
  // A very wide window never gets a strip over 1 + 10.5 % of its height.
  EXPECT_EQ(LayOutFace(2000, 300).strip.h, 32);
  EXPECT_EQ(LayOutFace(2000, 300).big.h, 90);
  // Regression guard: 9 % of 300 is 27 (0.09 * 300 in floating point is 26.99...).
  EXPECT_EQ(LayOutFace(300, 300).strip.h, 28);

  // Panel 800x480: base min(432, 302); time line 100, middle 51, difference 151.
  const PanelLayout p = LayOutPanel(800, 480, false);
  EXPECT_EQ(p.time_line, (Rect{0, 0, 800, 100}));
  EXPECT_EQ(p.trap_or_status, (Rect{0, 100, 800, 51}));
  EXPECT_EQ(p.difference, (Rect{0, 151, 800, 151}));
  EXPECT_EQ(LayOutPanel(800, 480, true).trap_or_status.h, 151) << "no time line when only logging";
  EXPECT_EQ(LayOutPanel(800, 480, false, true).predicted, (Rect{0, 302, 800, 51}))
      << "the predicted line under the difference, as high as the trap name";
  EXPECT_EQ(LayOutView(TimerMode::kSplit, 800, 480, false, true).header.y, 353);

  const ViewLayout split = LayOutView(TimerMode::kSplit, 800, 480, false);
  EXPECT_EQ(split.header, (Rect{0, 302, 800, 178}));
  EXPECT_EQ(split.map, (Rect{0, 391, 89, 89})) << "a square, half the height below the panel";
  EXPECT_EQ(LayOutView(TimerMode::kMap, 800, 480, false).map, split.header);
  EXPECT_EQ(LayOutView(TimerMode::kFace, 800, 480, false).face, (Rect{0, 0, 800, 480}));
}

TEST(LiveStatus, FirstMatchWins) {
  const struct {
    StatusInputs in;
    int32_t code;
  } cases[] = {
      {{false, 6, 1, true, true, false, false}, 9},
      {{true, 6, 1, true, true, false, false}, 10},
      {{true, 1, 1}, 1},
      {{true, 2, 1}, 2},
      {{true, 2, 2}, 3},
      {{true, 3, 2}, 4},
      {{true, 3, 0, true}, 5},
      {{true, 4, 0, true, true, false}, 8},
      {{true, 5, 0, false, true, false, false}, 6},
      {{true, 4, 0, false, true, true, false}, 7},
      {{true, 4, 0, false, false, false, false}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(LiveStatusCode(c.in), c.code) << c.code;
}

TEST(TimerContent, TextsAndColoursBySignAndState) {
  LiveTimerState s;
  PanelContent panel = MakePanelContent(s, 2);
  EXPECT_EQ(Text(panel.middle.text) + "|" + Text(panel.time.text), "Waiting...|")
      << "no fix, no lap yet";
  EXPECT_FALSE(panel.difference.visible);

  s.running_time = 59600;
  s.current_number = 2;
  panel = MakePanelContent(s, 2);
  EXPECT_EQ(Text(panel.time.text) + " " + Text(panel.number.text), "59 2")
      << "running: whole seconds, truncated";

  s.has_result = true;
  s.result_number = 1;
  s.result_time = 83456;
  s.trap_name = WideString(u"Split 1");
  const struct {
    int32_t diff;
    std::string big;
    uint32_t colour, panel_colour;
    std::string predicted;  // text and bar (per mille of the half length), when set
  } cases[] = {
      {-1234, "Split 1 -1.23", kFaster, kPanelFaster, "-1.2 -617"},
      {1234, "Split 1 +1.23", kSlower, kPanelSlower, "+1.2 617"},
      {0, "Split 1 +0.00", kEven, kPanelSlower, "+0.0 0"},
      {kNotSet, "Split 1 0.00", kEven, kPanelSlower, "+0.0 0"},
  };
  for (const auto& c : cases) {
    s.result_diff = s.predicted_diff = c.diff;
    const FaceContent face = MakeFaceContent(s, 2, 9);
    EXPECT_EQ(Text(face.big.text), c.big);
    EXPECT_EQ(face.big.colour, c.colour) << c.big;
    EXPECT_EQ(face.rows[2].colour, c.colour) << c.big;
    EXPECT_EQ(Text(face.predicted.text) + " " + std::to_string(face.predicted_bar), c.predicted);
    EXPECT_EQ(face.predicted.colour, c.colour) << c.big;
    EXPECT_EQ(Text(face.rows[2].time), "1:23.46");
    panel = MakePanelContent(s, 2);
    EXPECT_EQ(panel.difference.visible, IsSet(c.diff));
    EXPECT_EQ(panel.difference.colour, c.panel_colour) << c.big;
    EXPECT_EQ(panel.predicted.visible, IsSet(c.diff));
    EXPECT_EQ(panel.predicted.colour, c.panel_colour) << c.big;
  }
  EXPECT_TRUE(MakeFaceContent(s, 2, 9).satellites.visible);
  EXPECT_EQ(Text(MakeFaceContent(s, 2, 9).satellites.text), "9 satellites");
  s.status = 5;
  const FaceContent face = MakeFaceContent(s, 2, 9);
  EXPECT_EQ(Text(face.status.text) + (face.satellites.visible ? " and satellites" : ""),
            "No fix to satellites");
  EXPECT_FALSE(MakePanelContent(s, 2).trap_name.visible) << "the status line takes its place";
}

TEST(TimerModes, ToggleAndKeysPerMode) {
  EXPECT_EQ(InitialMode(false), TimerMode::kFace);
  EXPECT_EQ(InitialMode(true), TimerMode::kSplit);
  EXPECT_EQ(Toggle(TimerMode::kSplit, false), TimerMode::kMap);
  EXPECT_EQ(Toggle(TimerMode::kMap, false), TimerMode::kFace);
  EXPECT_EQ(Toggle(TimerMode::kMap, true), TimerMode::kSplit);
  EXPECT_EQ(Toggle(TimerMode::kFace, false), TimerMode::kSplit);
  const struct {
    uint32_t key;
    std::optional<int32_t> split, face;
  } cases[] = {
      {'1', kCmdZoomIn, 0},
      {kKeySoft3, kCmdZoomIn, 0},
      {'4', kCmdZoomOut, 0},
      {kKeySoft4, kCmdZoomOut, 0},
      {'2', kCmdMapNext, kCmdShowPreviousRow},
      {kKeySoft1, kCmdMapNext, kCmdShowPreviousRow},
      {'3', kCmdMapPrevious, kCmdShowComparisonRow},
      {kKeySoft2, kCmdMapPrevious, kCmdShowComparisonRow},
      {'\r', kCmdToggle, kCmdToggle},
      {'q', std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeyCommand(TimerMode::kSplit, c.key), c.split) << c.key;
    EXPECT_EQ(KeyCommand(TimerMode::kMap, c.key), c.split) << c.key;
    EXPECT_EQ(KeyCommand(TimerMode::kFace, c.key), c.face) << c.key;
  }
}

// Taps on a touch screen: in the landscape face the shared row switches
// between Comparison and Previous; in the split view the map's buttons zoom
// (never past the whole route or the deepest step); anywhere else toggles.
TEST(LiveTimerView, TapsSwitchRowsZoomOrToggle) {
  LiveTimerView view(false, false);
  const Rect shared = LayOutFace(800, 480).rows[0];
  const struct {
    int32_t x, y;
    TimerMode mode;
    bool previous_row;
  } taps[] = {
      {shared.x + 5, shared.y + 5, TimerMode::kFace, true},   // the shared row: rows switch
      {shared.x + 5, shared.y + 5, TimerMode::kFace, false},  // and back
      {5, 470, TimerMode::kSplit, false},                     // the big line: toggles
  };
  for (const auto& t : taps) {
    EXPECT_TRUE(view.Tap(t.x, t.y, 800, 480));
    EXPECT_EQ(view.Mode(), t.mode);
    EXPECT_EQ(view.ShowsPreviousRow(), t.previous_row);
  }
  for (const auto& [width, height] : {std::pair{800, 480}, {480, 640}, {1920, 1080}}) {
    const Rect zoom_in = view.ZoomInButton(width, height), zoom_out = view.ZoomOutButton(width, height);
    const ViewLayout v = LayOutView(TimerMode::kSplit, width, height, false);
    ASSERT_GE(zoom_in.w, 32) << width << "x" << height << ": a thumb's size";
    EXPECT_TRUE(zoom_out.x + zoom_out.w < zoom_in.x && zoom_in.x + zoom_in.w <= width &&
                zoom_in.y > v.panel.Bottom() && zoom_in.y + zoom_in.h <= height &&
                zoom_out.x > v.map.x + v.map.w)
        << width << "x" << height << ": apart, below the panel, beside the map";
  }
  const Rect zoom_in = view.ZoomInButton(800, 480), zoom_out = view.ZoomOutButton(800, 480);
  view.Tap(zoom_out.x, zoom_out.y, 800, 480);
  EXPECT_EQ(view.Zoom(), 0) << "never past the whole route";
  for (int k = 0; k < LiveTimerView::kMaxZoom + 2; ++k) view.Tap(zoom_in.x, zoom_in.y, 800, 480);
  EXPECT_EQ(view.Zoom(), LiveTimerView::kMaxZoom);
  EXPECT_TRUE(view.Key('-'));
  EXPECT_EQ(view.Zoom(), LiveTimerView::kMaxZoom - 1);
  EXPECT_EQ(view.Mode(), TimerMode::kSplit);
  EXPECT_FALSE(view.Key('q')) << "q is the window's";
  EXPECT_TRUE(view.Key('\r'));
  EXPECT_EQ(view.Mode(), TimerMode::kMap);
}

// Painted without a display: the big line comes out in the colour of the
// difference's sign, on white; the predicted difference's bar grows from
// the centre to the left when faster, to the right when slower, and the
// panel's predicted line has the panel's colour.
TEST(LiveTimerPainter, TheDifferencesAreDrawnInTheirColours) {
  const auto count = [](const platform::Canvas& canvas, const Rect& r, uint32_t colour) {
    int coloured = 0;
    for (int32_t y = r.y; y < r.y + r.h; y += 2)
      for (int32_t x = r.x; x < r.x + r.w; x += 2) coloured += canvas.Pixel(x, y) == colour;
    return coloured;
  };
  LiveTimerState s;
  s.has_result = true;
  s.result_number = 2;
  s.result_time = 83456;
  for (const auto& [diff, colour] : {std::pair{-1234, kFaster}, {1234, kSlower}}) {
    s.result_diff = s.predicted_diff = diff;
    platform::Canvas canvas(480, 800), panel(480, 800);
    PaintLiveTimer(canvas, s, PaintInputs{});
    ASSERT_EQ(canvas.FontError(), 0) << "DejaVu Sans (fonts-dejavu-core) is installed";
    const Rect big = LayOutFace(480, 800).big, bar = LayOutFace(480, 800).bar;
    EXPECT_GT(count(canvas, {0, big.y, 480, bar.y - big.y}, colour), 500) << diff;
    EXPECT_EQ(canvas.Pixel(0, 799), 0xFFFFFFu);
    const int32_t side = diff < 0 ? -1 : 1;
    EXPECT_EQ(canvas.Pixel(240 + side * 20, bar.y + bar.h / 2), colour) << diff;
    EXPECT_NE(canvas.Pixel(240 - side * 20, bar.y + bar.h / 2), colour) << diff;
    PaintInputs split;
    split.mode = TimerMode::kSplit;
    PaintLiveTimer(panel, s, split);
    EXPECT_GT(count(panel, LayOutPanel(480, 800, false, true).predicted,
                    diff < 0 ? kPanelFaster : kPanelSlower), 100) << diff;
  }
}

}  // namespace
}  // namespace kv::ui
