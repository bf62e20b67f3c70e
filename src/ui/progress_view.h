// ProgressView: a caption, a bar and a "Cancel" button while something runs
// (a transfer, loading a session). The bar shows the share done with its
// percentage, or, while the total is unknown, stripes without a figure.
//
// Cancel (the button, Escape or either soft key; Enter does nothing, so a
// key meant for the screen below cannot abort a transfer) is answered once:
// the view then stays on screen with its button greyed out until its owner
// closes it, which may take a while (a worker thread has to stop first).
// Main thread only.
#pragma once

#include <cstdint>

#include "ui/modal_view.h"
#include "util/wide_string.h"

namespace kv::ui {

class ProgressView final : public ModalView {
 public:
  // Starts without a known total.
  explicit ProgressView(WideString caption);

  // done of total units (bytes, samples); total <= 0: not known. done is
  // taken within 0..total.
  void SetProgress(int32_t done, int32_t total);
  // 0..100, or -1 while the total is not known.
  int32_t Percent() const;
  void SetCaption(WideString caption) { SetText(std::move(caption)); }
  bool Cancelled() const { return cancelled_; }

  bool StaysOpenAfter(ModalResult /*result*/) const override { return true; }

 private:
  ModalResult KeyResult(uint32_t key) const override;
  ModalResult Accept(ModalResult result) override;
  bool ButtonsEnabled() const override { return !cancelled_; }
  bool HasBar() const override { return true; }
  void PaintBar(platform::Canvas& canvas, const Rect& bar) const override;

  int32_t done_ = 0, total_ = 0;
  bool cancelled_ = false;
};

}  // namespace kv::ui
