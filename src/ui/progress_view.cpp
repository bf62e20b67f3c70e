#include "ui/progress_view.h"

#include <algorithm>
#include <string>
#include <utility>

#include "ui/timer_content.h"
#include "util/string_table.h"

namespace kv::ui {

namespace {

constexpr uint32_t kTrough = 0xFFFFFF;
constexpr uint32_t kFilled = 0x70A8E8;
constexpr uint32_t kFigure = 0x000000;

}  // namespace

ProgressView::ProgressView(WideString caption)
    : ModalView(std::move(caption), {{Load(kStrCmdCancel), ModalResult::kCancel, false}}) {}

void ProgressView::SetProgress(int32_t done, int32_t total) {
  total_ = std::max(total, 0);
  done_ = std::clamp(done, 0, total_);
}

int32_t ProgressView::Percent() const {
  if (total_ <= 0) return -1;
  return static_cast<int32_t>(int64_t{done_} * 100 / total_);
}

ModalResult ProgressView::KeyResult(uint32_t key) const {
  const bool cancels = key == kKeyEscape || key == kKeySoft1 || key == kKeySoft2;
  return cancels ? ModalResult::kCancel : ModalResult::kNone;
}

ModalResult ProgressView::Accept(ModalResult result) {
  if (cancelled_ || result != ModalResult::kCancel) return ModalResult::kNone;
  cancelled_ = true;
  return result;
}

void ProgressView::PaintBar(platform::Canvas& c, const Rect& bar) const {
  c.FillRect(bar.x, bar.y, bar.w, bar.h, kDialogFrame);
  const Rect in{bar.x + 1, bar.y + 1, bar.w - 2, bar.h - 2};
  c.FillRect(in.x, in.y, in.w, in.h, kTrough);
  const int32_t percent = Percent();
  if (percent < 0) {
    // Not known how far: stripes, as wide as the gaps, a bar height apart.
    const int32_t step = std::max(2, bar.h);
    for (int32_t x = in.x; x < in.x + in.w; x += 2 * step)
      c.FillRect(x, in.y, std::min(step, in.x + in.w - x), in.h, kFilled);
    return;
  }
  const auto filled = static_cast<int32_t>(int64_t{std::max(in.w, 0)} * done_ / total_);
  c.FillRect(in.x, in.y, filled, in.h, kFilled);
  c.Text(in.x, in.y, in.w, in.h, std::to_string(percent) + "%", in.h, kFigure,
         platform::Canvas::Align::kCentre);
}

}  // namespace kv::ui
