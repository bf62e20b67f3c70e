// Where a modal dialog's parts go in a window of W x H pixels: the dialog
// centred, its wrapped text on top, a progress bar below the text when it
// has one, and one or two buttons along the bottom. Integer pixels, so a
// layout is the same on every machine; taps are hit against these
// rectangles.
#pragma once

#include <array>
#include <cstdint>

#include "ui/timer_layout.h"

namespace kv::ui {

struct DialogLayout {
  Rect frame;                   // the dialog
  Rect text;                    // `lines` rows of `line` pixels each
  Rect bar;                     // empty without a bar
  std::array<Rect, 2> buttons;  // left to right; [1] empty for one button
  int32_t line = 0;             // text and button label height in pixels
  int32_t lines = 0;            // text rows shown: as asked, or fewer if the window is too low
};

// text_lines: rows the wrapped text needs (the text box's width does not
// depend on it, so a layout for 1 row gives the width to wrap to).
// buttons: 1 or 2.
DialogLayout LayOutDialog(int32_t width, int32_t height, int32_t text_lines, int32_t buttons,
                          bool bar);

}  // namespace kv::ui
