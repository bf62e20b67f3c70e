#include "ui/message_box.h"

#include <utility>

#include "ui/timer_content.h"

namespace kv::ui {

MessageBox::MessageBox(WideString text)
    : ModalView(std::move(text), {{WideString(kLabelOk), ModalResult::kOk, true}}) {}

ModalResult MessageBox::KeyResult(uint32_t key) const {
  switch (key) {
    case kKeyEnter:
    case kKeyEscape:
    case kKeySoft1:
    case kKeySoft2:
      return ModalResult::kOk;
    default:
      return ModalResult::kNone;
  }
}

YesNoQuestion::YesNoQuestion(WideString text)
    : ModalView(std::move(text), {{WideString(kLabelYes), ModalResult::kYes, true},
                                  {WideString(kLabelNo), ModalResult::kNo, false}}) {}

ModalResult YesNoQuestion::KeyResult(uint32_t key) const {
  switch (key) {
    case kKeyEnter:
    case kKeySoft1:
    case 'y':
    case 'Y':
      return ModalResult::kYes;
    case kKeyEscape:
    case kKeySoft2:
    case 'n':
    case 'N':
      return ModalResult::kNo;
    default:
      return ModalResult::kNone;
  }
}

}  // namespace kv::ui
