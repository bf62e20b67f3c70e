// ModalView: a dialog over the current screen that takes all input until it
// is answered: a text, one or two buttons, and for a progress view a bar.
// Window-independent: it paints into a Canvas and is handed keys (as the
// window delivers them, see timer_content.h) and taps in canvas pixels.
// Main thread only.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/canvas.h"
#include "ui/dialog_layout.h"
#include "util/wide_string.h"

namespace kv::ui {

enum class ModalResult : int32_t { kNone = 0, kOk, kYes, kNo, kCancel };

constexpr uint32_t kKeyEnter = '\r';
constexpr uint32_t kKeyEscape = 0x1B;

// The button labels of the device's own message boxes, which the program
// never had in its string table. "Cancel" is the program's own
// (kStrCmdCancel).
inline constexpr std::u16string_view kLabelOk = u"OK";
inline constexpr std::u16string_view kLabelYes = u"Yes";
inline constexpr std::u16string_view kLabelNo = u"No";

// Colours 0xRRGGBB.
constexpr uint32_t kDialogFace = 0xF4F4F4;
constexpr uint32_t kDialogFrame = 0x404040;
constexpr uint32_t kButtonFace = 0xD8D8D8;
constexpr uint32_t kDefaultButtonFace = 0x2060C0;  // the button Enter presses
constexpr uint32_t kDisabledButtonFace = 0xECECEC;

class ModalView {
 public:
  virtual ~ModalView() = default;
  ModalView(const ModalView&) = delete;
  ModalView& operator=(const ModalView&) = delete;

  // Dims the whole canvas and draws the dialog centred on it. Remembers
  // where the buttons went: taps are hit against the last painting.
  void Paint(platform::Canvas& canvas);
  // What the key or tap answered; kNone for anything else (a tap beside the
  // buttons, a key without meaning here, any input before the first Paint).
  ModalResult Key(uint32_t key);
  ModalResult Tap(int32_t x, int32_t y);
  // Whether the dialog stays on screen after giving `result` (a progress
  // view stays until its owner closes it).
  virtual bool StaysOpenAfter(ModalResult /*result*/) const { return false; }

  const DialogLayout& Layout() const { return layout_; }

 protected:
  struct Button {
    WideString label;
    ModalResult result = ModalResult::kNone;
    bool is_default = false;  // the one Enter presses, drawn highlighted
  };
  ModalView(WideString text, std::vector<Button> buttons);

  void SetText(WideString text) { text_ = std::move(text); }
  virtual ModalResult KeyResult(uint32_t key) const = 0;
  // Every result passes here before it is returned; kNone suppresses it.
  virtual ModalResult Accept(ModalResult result) { return result; }
  virtual bool ButtonsEnabled() const { return true; }
  virtual bool HasBar() const { return false; }
  virtual void PaintBar(platform::Canvas& /*canvas*/, const Rect& /*bar*/) const {}

 private:
  WideString text_;
  std::vector<Button> buttons_;
  DialogLayout layout_;
  bool painted_ = false;
};

}  // namespace kv::ui
