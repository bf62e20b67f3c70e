// The two message boxes: a message with one "OK" button, and a question
// with "Yes" and "No". Main thread only.
//
// Keys: Enter presses the highlighted button (OK, Yes); Escape answers OK
// (the message is dismissed) or No; the left soft key is OK or Yes, the
// right one OK or No; a question also takes 'y' and 'n' in either case.
#pragma once

#include <cstdint>

#include "ui/modal_view.h"
#include "util/wide_string.h"

namespace kv::ui {

class MessageBox final : public ModalView {
 public:
  explicit MessageBox(WideString text);

 private:
  ModalResult KeyResult(uint32_t key) const override;
};

class YesNoQuestion final : public ModalView {
 public:
  explicit YesNoQuestion(WideString text);

 private:
  ModalResult KeyResult(uint32_t key) const override;
};

}  // namespace kv::ui
