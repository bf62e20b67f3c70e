#include "ui/modal_runner.h"

#include <algorithm>
#include <utility>

namespace kv::ui {

ModalView& ModalRunner::Show(std::unique_ptr<ModalView> view, Answered answered) {
  open_.push_back({std::move(view), std::move(answered)});
  return *open_.back().view;
}

void ModalRunner::Close(const ModalView& view) {
  const auto it = std::find_if(open_.begin(), open_.end(),
                               [&](const Open& o) { return o.view.get() == &view; });
  if (it != open_.end()) open_.erase(it);
}

bool ModalRunner::Key(uint32_t key) {
  if (open_.empty()) return false;
  Deliver(open_.back().view->Key(key));
  return true;
}

bool ModalRunner::Tap(int32_t x, int32_t y) {
  if (open_.empty()) return false;
  Deliver(open_.back().view->Tap(x, y));
  return true;
}

void ModalRunner::Paint(platform::Canvas& canvas) {
  for (Open& o : open_) o.view->Paint(canvas);
}

void ModalRunner::Deliver(ModalResult result) {
  if (result == ModalResult::kNone) return;
  Open& top = open_.back();
  if (top.view->StaysOpenAfter(result)) {
    // The callback may close this very view: call a copy.
    const Answered answered = top.answered;
    if (answered) answered(result);
    return;
  }
  const Open answered = std::move(top);
  open_.pop_back();
  if (answered.answered) answered.answered(result);
}

}  // namespace kv::ui
