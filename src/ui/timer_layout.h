// Where the live timer's parts go in a window of W x H pixels: the timer
// face (full size), the compact panel, and, by display mode, the panel with
// the header and the map. Integer pixels; the fractions of the sizes are
// taken exactly (9 % of W is 9 * W / 100, truncated), so a layout never
// differs by a pixel from one machine's floating point to another's.
#pragma once

#include <array>
#include <cstdint>

namespace kv::ui {

struct Rect {
  int32_t x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Rect&) const = default;
};

// The face: a top strip (status or satellites line), rows 1 "Best" /
// "Comparison", 2 "Previous", 3 "Current", and the big line (trap name and
// difference). In landscape (H < W) rows 1 and 2 share one rectangle and
// one of them is shown at a time. The predicted difference's bar is the
// foot of the big line, a fifth of it: the big text is vertically centred
// with its line height at most the rectangle's, so only descenders reach
// below its digits' baseline.
struct FaceLayout {
  bool landscape = false;
  Rect strip;
  std::array<Rect, 3> rows;
  Rect big;
  Rect bar;
  int32_t strip_font = 0;  // text heights in pixels
  std::array<int32_t, 3> row_fonts{};
  int32_t big_font = 0;
};
FaceLayout LayOutFace(int32_t width, int32_t height);

// The compact panel of the split and map modes: the time line (time,
// middle text, lap number), the trap name or status line, the difference
// line; each text as high as its rectangle. A data-logging session has no
// time line (height 0). With `predicted_line` (a lap session showing the
// predicted difference) a fourth line as high as the trap-name line goes
// under the difference line and the panel grows by it; else it is empty.
struct PanelLayout {
  Rect time_line;
  Rect trap_or_status;
  Rect difference;
  Rect predicted;
  int32_t Bottom() const { return predicted.y + predicted.h; }
};
PanelLayout LayOutPanel(int32_t width, int32_t height, bool data_logging,
                        bool predicted_line = false);

enum class TimerMode : int32_t { kSplit = 0, kMap = 1, kFace = 2 };

// The window by mode. Split and map: the panel on top, the header below
// it; the map a square in the bottom-left corner (split, side half the
// smaller of the width and the height left) or everything below the panel
// (map). Face: the face alone, full size (the other rectangles empty).
struct ViewLayout {
  PanelLayout panel;
  Rect header;
  Rect map;
  Rect face;
};
ViewLayout LayOutView(TimerMode mode, int32_t width, int32_t height, bool data_logging,
                      bool predicted_line = false);

}  // namespace kv::ui
