#include "ui/modal_view.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "ui/text_wrap.h"
#include "util/utf_convert.h"

namespace kv::ui {

namespace {

using Align = platform::Canvas::Align;
constexpr uint32_t kShadeColour = 0x000000;
constexpr int32_t kShadePercent = 40;
constexpr uint32_t kTextColour = 0x000000;
constexpr uint32_t kDefaultLabel = 0xFFFFFF;
constexpr uint32_t kDisabledLabel = 0xA0A0A0;

std::string Utf8(const WideString& text) { return ToUtf8(text.AsView()).Std(); }

bool Contains(const Rect& r, int32_t x, int32_t y) {
  return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
}

void FramedRect(platform::Canvas& c, const Rect& r, int32_t border, uint32_t face) {
  c.FillRect(r.x, r.y, r.w, r.h, kDialogFrame);
  c.FillRect(r.x + border, r.y + border, r.w - 2 * border, r.h - 2 * border, face);
}

}  // namespace

ModalView::ModalView(WideString text, std::vector<Button> buttons)
    : text_(std::move(text)), buttons_(std::move(buttons)) {}

void ModalView::Paint(platform::Canvas& c) {
  const int32_t width = c.Width(), height = c.Height();
  const auto count = static_cast<int32_t>(buttons_.size());
  // The text box's width does not depend on the rows: wrap first, then lay
  // out for as many rows as the text took.
  const DialogLayout probe = LayOutDialog(width, height, 1, count, HasBar());
  const int32_t line = probe.line;
  std::vector<std::string> rows =
      WrapText(Utf8(text_), probe.text.w, [&](std::string_view s) { return c.TextWidth(s, line); });
  layout_ = LayOutDialog(width, height, std::max<int32_t>(1, static_cast<int32_t>(rows.size())),
                         count, HasBar());
  painted_ = true;

  c.Shade(0, 0, width, height, kShadeColour, kShadePercent);
  const int32_t border = std::max(1, line / 15);
  FramedRect(c, layout_.frame, border, kDialogFace);
  const Rect& t = layout_.text;
  const auto shown = std::min<size_t>(rows.size(), static_cast<size_t>(layout_.lines));
  // A text cut off by a low window says so on its last row.
  if (shown > 0 && shown < rows.size()) rows[shown - 1] += "\u2026";
  for (size_t i = 0; i < shown; ++i) {
    c.Text(t.x, t.y + static_cast<int32_t>(i) * line, t.w, line, rows[i], line, kTextColour,
           Align::kCentre);
  }
  if (HasBar()) PaintBar(c, layout_.bar);
  const bool enabled = ButtonsEnabled();
  for (size_t i = 0; i < buttons_.size() && i < layout_.buttons.size(); ++i) {
    const Rect& r = layout_.buttons[i];
    const Button& b = buttons_[i];
    const uint32_t face = !enabled       ? kDisabledButtonFace
                          : b.is_default ? kDefaultButtonFace
                                         : kButtonFace;
    const uint32_t label = !enabled ? kDisabledLabel : b.is_default ? kDefaultLabel : kTextColour;
    FramedRect(c, r, border, face);
    c.Text(r.x + border, r.y, r.w - 2 * border, r.h, Utf8(b.label), line, label, Align::kCentre,
           b.is_default);
  }
}

ModalResult ModalView::Key(uint32_t key) {
  // A key pressed before the dialog was ever shown was meant for the
  // screen under it, not as an answer to a question not yet seen.
  return painted_ ? Accept(KeyResult(key)) : ModalResult::kNone;
}

ModalResult ModalView::Tap(int32_t x, int32_t y) {
  if (!painted_) return ModalResult::kNone;
  for (size_t i = 0; i < buttons_.size() && i < layout_.buttons.size(); ++i)
    if (Contains(layout_.buttons[i], x, y)) return Accept(buttons_[i].result);
  return ModalResult::kNone;
}

}  // namespace kv::ui
