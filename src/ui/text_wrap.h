// Word wrap for dialog texts, apart from any font: the caller says how wide
// a piece of text is (Canvas::TextWidth in the window, a character count in
// tests).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kv::ui {

// Width in pixels of one line of UTF-8 text.
using TextMeasure = std::function<int32_t(std::string_view)>;

// The lines of `utf8` no wider than `width`: a line break ("\n" or "\r\n")
// always ends a line; words (separated by spaces) are kept whole where they
// fit, and a word wider than a line is cut between characters, never inside
// one (ill-formed bytes count as one character each). Every line but an
// empty paragraph's holds at least one character, so a width too small for
// anything still ends. No lines for an empty text.
std::vector<std::string> WrapText(std::string_view utf8, int32_t width, const TextMeasure& measure);

}  // namespace kv::ui
