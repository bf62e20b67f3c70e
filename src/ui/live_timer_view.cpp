#include "ui/live_timer_view.h"

#include <algorithm>

#include "ui/timer_content.h"

namespace kv::ui {

namespace {

bool Inside(const Rect& r, int32_t x, int32_t y) {
  return x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h;
}

// Two buttons side by side in the bottom-right corner of the area below
// the panel (the map fills it in map mode; beside the split view's small
// map it is free), big enough for a thumb in a moving car: a quarter of the
// area's smaller side, at least 32 px. Index 0 zooms out, 1 in.
Rect MapButton(const Rect& area, int32_t index) {
  const int32_t side = std::max(32, std::min(area.w, area.h) / 4), margin = side / 4;
  if (area.w < 2 * side + 3 * margin || area.h < side + 2 * margin) return {};
  return {area.x + area.w - (2 - index) * (side + margin), area.y + area.h - side - margin, side,
          side};
}

}  // namespace

LiveTimerView::LiveTimerView(bool data_logging, bool predicted_line)
    : data_logging_(data_logging),
      predicted_line_(predicted_line && !data_logging),
      mode_(InitialMode(data_logging)) {}

bool LiveTimerView::Command(int32_t command) {
  switch (command) {
    case kCmdToggle:
      mode_ = Toggle(mode_, data_logging_);
      return true;
    case kCmdZoomIn:
      zoom_ = std::min(zoom_ + 1, kMaxZoom);
      return true;
    case kCmdZoomOut:
      zoom_ = std::max(zoom_ - 1, 0);
      return true;
    case kCmdShowComparisonRow:
    case kCmdShowPreviousRow:
      if (mode_ == TimerMode::kFace) show_previous_row_ = command == kCmdShowPreviousRow;
      return true;
    case kCmdMapPrevious:
    case kCmdMapNext:
      return true;  // one map only: nothing to step through
    default:
      return false;
  }
}

bool LiveTimerView::Key(uint32_t key) {
  if (key == '+') key = '1';
  if (key == '-') key = '4';
  const std::optional<int32_t> command = KeyCommand(mode_, key);
  if (!command) return false;
  if (*command != 0) Command(*command);
  return true;
}

bool LiveTimerView::Tap(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (mode_ == TimerMode::kFace) {
    const FaceLayout face = LayOutFace(width, height);
    if (face.landscape && Inside(face.rows[0], x, y))
      return Command(show_previous_row_ ? kCmdShowComparisonRow : kCmdShowPreviousRow);
  } else {
    if (Inside(ZoomInButton(width, height), x, y)) return Command(kCmdZoomIn);
    if (Inside(ZoomOutButton(width, height), x, y)) return Command(kCmdZoomOut);
  }
  return Command(kCmdToggle);
}

Rect LiveTimerView::ZoomInButton(int32_t width, int32_t height) const {
  if (mode_ == TimerMode::kFace) return {};
  return MapButton(LayOutView(mode_, width, height, data_logging_, predicted_line_).header, 1);
}

Rect LiveTimerView::ZoomOutButton(int32_t width, int32_t height) const {
  if (mode_ == TimerMode::kFace) return {};
  return MapButton(LayOutView(mode_, width, height, data_logging_, predicted_line_).header, 0);
}

void LiveTimerView::Paint(platform::Canvas& canvas, const LiveTimerState& state,
                          PaintInputs in) const {
  in.mode = mode_;
  in.zoom = zoom_;
  in.show_previous_row = show_previous_row_;
  in.data_logging = data_logging_;
  in.predicted_difference = predicted_line_;
  PaintLiveTimer(canvas, state, in);
  if (in.route == nullptr) return;
  const int32_t w = canvas.Width(), h = canvas.Height();
  for (const auto& [button, text] :
       {std::pair{ZoomInButton(w, h), "+"}, std::pair{ZoomOutButton(w, h), "\xE2\x88\x92"}}) {
    if (button.w == 0) continue;
    canvas.FillRect(button.x, button.y, button.w, button.h, 0x404040);
    canvas.Text(button.x, button.y, button.w, button.h, text, button.h * 8 / 10, 0xFFFFFF,
                platform::Canvas::Align::kCentre, true);
  }
}

}  // namespace kv::ui
