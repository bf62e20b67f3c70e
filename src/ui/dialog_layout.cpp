#include "ui/dialog_layout.h"

#include <algorithm>

namespace kv::ui {

DialogLayout LayOutDialog(int32_t width, int32_t height, int32_t text_lines, int32_t buttons,
                          bool bar) {
  DialogLayout d;
  const int32_t unit = std::max(std::min(width, height), 0);
  // Text stays readable on the smallest screens; buttons twice its height
  // are big enough for a fingertip.
  d.line = std::max(10, unit / 16);
  const int32_t pad = d.line / 2, button_h = 2 * d.line;
  // A wide window gets a dialog of about a third wider than high, not a
  // strip across the whole screen.
  const int32_t dialog_w = std::max(0, std::min(width - 2 * pad, unit * 4 / 3));
  const int32_t bar_h = bar ? d.line + pad : 0;
  const int32_t fixed = 3 * pad + button_h + bar_h;
  const int32_t fit = std::max(0, (height - 2 * pad - fixed) / d.line);
  d.lines = std::min(std::max(text_lines, 0), fit);
  const int32_t dialog_h = fixed + d.lines * d.line;
  const int32_t x = (width - dialog_w) / 2, y = (height - dialog_h) / 2;
  d.frame = {x, y, dialog_w, dialog_h};
  const int32_t inner_w = std::max(0, dialog_w - 2 * pad);
  d.text = {x + pad, y + pad, inner_w, d.lines * d.line};
  if (bar) d.bar = {x + pad, y + 2 * pad + d.lines * d.line, inner_w, d.line};
  const int32_t button_y = y + dialog_h - pad - button_h;
  const int32_t button_w = std::max(0, (dialog_w - 3 * pad) / 2);
  if (buttons >= 2) {
    d.buttons[0] = {x + pad, button_y, button_w, button_h};
    d.buttons[1] = {x + dialog_w - pad - button_w, button_y, button_w, button_h};
  } else {
    d.buttons[0] = {x + (dialog_w - button_w) / 2, button_y, button_w, button_h};
  }
  return d;
}

}  // namespace kv::ui
