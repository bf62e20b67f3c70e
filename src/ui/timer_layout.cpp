#include "ui/timer_layout.h"

#include <algorithm>

namespace kv::ui {

namespace {

// floor(value * per_mille / 1000) for the sizes here (never negative).
int32_t PerMille(int32_t value, int32_t per_mille) {
  return static_cast<int32_t>(int64_t{std::max(value, 0)} * per_mille / 1000);
}

}  // namespace

FaceLayout LayOutFace(int32_t width, int32_t height) {
  FaceLayout f;
  f.landscape = height < width;
  const int32_t strip = std::min(1 + PerMille(width, 90), 1 + PerMille(height, 105));
  f.strip = {0, 0, width, strip};
  f.strip_font = strip;
  const int32_t rest = std::max(height - strip, 0);
  if (!f.landscape) {
    const int32_t row = rest / 4;
    for (int i = 0; i < 3; ++i) f.rows[static_cast<size_t>(i)] = {0, strip + i * row, width, row};
    f.big = {0, strip + 3 * row, width, rest - 3 * row};
    const int32_t font = PerMille(rest, 220);
    f.row_fonts = {font, font, font};
    f.big_font = font;
  } else {
    const int32_t third = rest / 3;
    f.rows[0] = f.rows[1] = {0, strip, width, third};
    f.rows[2] = {0, strip + third, width, third};
    f.big = {0, strip + 2 * third, width, rest - 2 * third};
    f.row_fonts = {third, third, third};
    f.big_font = f.big.h;
  }
  f.bar = {0, f.big.y + f.big.h - f.big.h / 5, width, f.big.h / 5};
  return f;
}

PanelLayout LayOutPanel(int32_t width, int32_t height, bool data_logging, bool predicted_line) {
  const int32_t base = std::min(PerMille(width, 540), PerMille(height, 630));
  const int32_t small = data_logging ? 0 : PerMille(base, 333);
  const int32_t difference = base / 2;
  const int32_t middle = base - difference - small;
  PanelLayout p;
  p.time_line = {0, 0, width, small};
  p.trap_or_status = {0, small, width, middle};
  p.difference = {0, small + middle, width, difference};
  const int32_t predicted = predicted_line && !data_logging ? middle : 0;
  p.predicted = {0, base, width, predicted};
  return p;
}

ViewLayout LayOutView(TimerMode mode, int32_t width, int32_t height, bool data_logging,
                      bool predicted_line) {
  ViewLayout v;
  if (mode == TimerMode::kFace) {
    v.face = {0, 0, width, height};
    return v;
  }
  v.panel = LayOutPanel(width, height, data_logging, predicted_line);
  const int32_t top = v.panel.Bottom();
  const int32_t below = std::max(height - top, 0);
  v.header = {0, top, width, below};
  if (mode == TimerMode::kMap) {
    v.map = v.header;
  } else {
    const int32_t side = std::min(width, below) / 2;
    v.map = {0, height - side, side, side};
  }
  return v;
}

}  // namespace kv::ui
