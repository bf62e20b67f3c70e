// Canvas: a picture drawn in software, in memory: filled rectangles, lines
// and text in DejaVu Sans, written out as PNG. The live timer paints into
// one; the window shows it, and a screenshot saves it. Needs no display.
// One thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kv::platform {

class Canvas {
 public:
  enum class Align { kLeft, kCentre, kRight };

  // Throws CodeException (kErrOutOfMemory) when the picture cannot be made.
  Canvas(int32_t width, int32_t height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  int32_t Width() const;
  int32_t Height() const;

  // Colours 0xRRGGBB.
  void Fill(uint32_t rgb);
  void FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t rgb);
  void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t rgb, int32_t thickness = 1);
  // UTF-8 text in the box, vertically centred: its line height is at most
  // `height_px`, made smaller when the text would not fit the box's width.
  // Nothing is drawn for an empty text or a box without room.
  void Text(int32_t x, int32_t y, int32_t w, int32_t h, std::string_view utf8, int32_t height_px,
            uint32_t rgb, Align align = Align::kLeft, bool bold = false);
  // Drawing stays inside this rectangle until ClearClip().
  void SetClip(int32_t x, int32_t y, int32_t w, int32_t h);
  void ClearClip();
  // Width in pixels of one line of text as Text draws it at `height_px`
  // before any shrinking; 0 for an empty text or without fonts.
  int32_t TextWidth(std::string_view utf8, int32_t height_px, bool bold = false);
  // Blends `rgb` over the rectangle, `percent` (0..100) of it: dims what
  // lies under a dialog while leaving it recognisable.
  void Shade(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t rgb, int32_t percent);
  // The colour at a pixel (tests, and a check that something was drawn).
  uint32_t Pixel(int32_t x, int32_t y) const;

  // The picture's rows, ARGB8888 words, `Pitch()` bytes apart (to show it).
  const void* Pixels() const;
  int32_t Pitch() const;

  // 0, or an errno value (a failed write, a missing font is reported when
  // the text is drawn: ENOENT).
  int32_t SavePng(const std::string& path) const;
  // 0, or ENOENT when the fonts were not found (text then stays undrawn).
  int32_t FontError() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A PNG file's pixels as ARGB8888 words, rows top down (to check what
// another program drew); false when it cannot be read.
bool ReadPng(const std::string& path, int32_t* width, int32_t* height, std::vector<uint32_t>* pixels);

}  // namespace kv::platform
