// ModalRunner: the open modal views of the window, newest on top. The top
// one takes every key and tap; an answer is reported through the callback
// given with the view. The window paints the runner over its screen.
//
// It knows no window and no loop. To wait for an answer, show the view
// with a callback that stores the result and sets an end event, and run
// Application::RunLoop on that event: data sources keep being serviced.
//
// A view is closed before its callback runs (unless it stays open after
// the answer, as a progress view does until Close), so a callback may show
// the next view or close others. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/canvas.h"
#include "ui/modal_view.h"

namespace kv::ui {

class ModalRunner {
 public:
  using Answered = std::function<void(ModalResult)>;

  // Opens `view` on top of the others; the reference lives until the view
  // is closed.
  ModalView& Show(std::unique_ptr<ModalView> view, Answered answered = {});
  // Closes the view without a callback; nothing for a view not open.
  void Close(const ModalView& view);
  bool Active() const { return !open_.empty(); }

  // false when no modal view is open (the input is the screen's); while
  // one is, every key and tap is taken, answering or not.
  bool Key(uint32_t key);
  bool Tap(int32_t x, int32_t y);
  // Each open view over the canvas, the oldest first.
  void Paint(platform::Canvas& canvas);

 private:
  struct Open {
    std::unique_ptr<ModalView> view;
    Answered answered;
  };
  void Deliver(ModalResult result);

  std::vector<Open> open_;
};

}  // namespace kv::ui
