#include "platform/canvas.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "util/errors.h"

namespace kv::platform {

namespace {

// Debian's fonts-dejavu-core.
constexpr const char* kRegular = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

struct TtfLibrary {
  TtfLibrary() : ok(TTF_Init() == 0) {}
  ~TtfLibrary() {
    if (ok) TTF_Quit();
  }
  bool ok;
};

// TTF keeps one library for the process; fonts are opened per canvas.
bool TtfReady() {
  static TtfLibrary library;
  return library.ok;
}

// A font's line height is about 1.16 of its size.
int32_t PointSize(int32_t height_px) { return std::max(1, height_px * 100 / 116); }

}  // namespace

// A text as the font renders it, kept as the spans of its inked pixels
// only: most of a line's box is empty and the strokes of large glyphs are
// mostly solid, so a frame writes solid spans whole and blends only the
// edges. The colour is applied as the run is laid down, so one run serves
// every colour.
struct InkSpan {
  int32_t x = 0, y = 0, length = 0;  // in the line's box
  int32_t coverage = -1;             // offset of its coverage values; -1: solid
};
struct GlyphRun {
  int32_t full_w = 0, full_h = 0;  // the whole line's box, for alignment
  std::vector<InkSpan> spans;
  std::vector<uint8_t> coverage;
  size_t Bytes() const { return spans.size() * sizeof(InkSpan) + coverage.size(); }
};

struct Canvas::Impl {
  SDL_Surface* surface = nullptr;
  SDL_Renderer* renderer = nullptr;
  std::map<std::pair<int32_t, bool>, TTF_Font*> fonts;  // (point size, bold)
  int32_t font_error = 0;
  // Rendering a line of text costs far more than laying it down, and a
  // frame mostly repeats the texts of the one before: runs are kept by
  // (text, point size, bold), dropped all at once past a memory bound.
  std::map<std::tuple<std::string, int32_t, bool>, GlyphRun> runs;
  size_t run_bytes = 0;

  ~Impl() {
    CloseFonts();
    if (renderer != nullptr) SDL_DestroyRenderer(renderer);
    if (surface != nullptr) SDL_FreeSurface(surface);
  }

  void CloseFonts() {
    for (auto& [key, font] : fonts)
      if (font != nullptr) TTF_CloseFont(font);
    fonts.clear();
  }

  void Colour(uint32_t rgb) {
    SDL_SetRenderDrawColor(renderer, static_cast<Uint8>(rgb >> 16), static_cast<Uint8>(rgb >> 8),
                           static_cast<Uint8>(rgb), 255);
  }

  TTF_Font* Font(int32_t size, bool bold) {
    const auto key = std::make_pair(size, bold);
    const auto found = fonts.find(key);
    if (found != fonts.end()) return found->second;
    // Texts shrunk to their boxes ask for ever new sizes over a long
    // session; the kept runs do not need their fonts.
    if (fonts.size() >= 64) CloseFonts();
    TTF_Font* font = TtfReady() ? TTF_OpenFont(bold ? kBold : kRegular, size) : nullptr;
    if (font == nullptr) font_error = ENOENT;
    fonts[key] = font;
    return font;
  }

  const GlyphRun* Run(const std::string& text, int32_t size, bool bold);
  void Blend(const GlyphRun& run, int32_t x, int32_t y, const SDL_Rect& clip, uint32_t rgb);
};

const GlyphRun* Canvas::Impl::Run(const std::string& text, int32_t size, bool bold) {
  auto key = std::make_tuple(text, size, bold);
  if (const auto found = runs.find(key); found != runs.end()) return &found->second;
  TTF_Font* font = Font(size, bold);
  if (font == nullptr) return nullptr;
  SDL_Surface* rendered = TTF_RenderUTF8_Blended(font, text.c_str(), SDL_Color{255, 255, 255, 255});
  if (rendered == nullptr) return nullptr;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(rendered);
  if (argb == nullptr) return nullptr;
  const auto coverage = [argb](int32_t x, int32_t y) {
    uint32_t pixel = 0;
    std::memcpy(&pixel, static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch + x * 4, 4);
    return static_cast<uint8_t>(pixel >> 24);
  };
  GlyphRun run;
  run.full_w = argb->w, run.full_h = argb->h;
  for (int32_t y = 0; y < argb->h; ++y) {
    for (int32_t x = 0; x < argb->w;) {
      const uint8_t first = coverage(x, y);
      int32_t end = x + 1;
      // A span: solid pixels, or partly covered ones, up to the next change.
      while (end < argb->w && first != 0 && (coverage(end, y) == 255) == (first == 255) &&
             coverage(end, y) != 0)
        ++end;
      if (first == 255) {
        run.spans.push_back({x, y, end - x, -1});
      } else if (first != 0) {
        run.spans.push_back({x, y, end - x, static_cast<int32_t>(run.coverage.size())});
        for (int32_t k = x; k < end; ++k) run.coverage.push_back(coverage(k, y));
      }
      x = end;
    }
  }
  SDL_FreeSurface(argb);
  constexpr size_t kRunBytesKept = size_t{16} << 20;
  if (run_bytes + run.Bytes() > kRunBytesKept) runs.clear(), run_bytes = 0;
  run_bytes += run.Bytes();
  return &runs.emplace(std::move(key), std::move(run)).first->second;
}

// The run's box placed at (x, y), laid down in `rgb` within `clip`.
void Canvas::Impl::Blend(const GlyphRun& run, int32_t x, int32_t y, const SDL_Rect& clip,
                         uint32_t rgb) {
  const int32_t left = std::max(clip.x, 0), right = std::min(clip.x + clip.w, surface->w);
  const int32_t top = std::max(clip.y, 0), bottom = std::min(clip.y + clip.h, surface->h);
  const uint32_t solid = 0xFF000000u | rgb;
  for (const InkSpan& span : run.spans) {
    const int32_t py = y + span.y;
    if (py < top || py >= bottom) continue;
    const int32_t from = std::max(x + span.x, left), to = std::min(x + span.x + span.length, right);
    if (from >= to) continue;
    auto* row =
        reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) + py * surface->pitch);
    if (span.coverage < 0) {
      std::fill(row + from, row + to, solid);
      continue;
    }
    const uint8_t* cover = run.coverage.data() + span.coverage - (x + span.x);
    for (int32_t px = from; px < to; ++px) {
      const uint32_t a = cover[px], under = row[px];
      uint32_t out = 0xFF000000u;
      for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t mixed =
            (((rgb >> shift) & 0xFF) * a + ((under >> shift) & 0xFF) * (255 - a) + 127) / 255;
        out |= mixed << shift;
      }
      row[px] = out;
    }
  }
}

Canvas::Canvas(int32_t width, int32_t height) : impl_(std::make_unique<Impl>()) {
  impl_->surface = SDL_CreateRGBSurfaceWithFormat(0, width > 0 ? width : 1, height > 0 ? height : 1,
                                                  32, SDL_PIXELFORMAT_ARGB8888);
  if (impl_->surface != nullptr) impl_->renderer = SDL_CreateSoftwareRenderer(impl_->surface);
  if (impl_->renderer == nullptr) ThrowCode(kErrOutOfMemory);
}

Canvas::~Canvas() = default;

int32_t Canvas::Width() const { return impl_->surface->w; }
int32_t Canvas::Height() const { return impl_->surface->h; }
int32_t Canvas::FontError() const { return impl_->font_error; }

void Canvas::Fill(uint32_t rgb) {
  impl_->Colour(rgb);
  SDL_RenderClear(impl_->renderer);
}

void Canvas::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t rgb) {
  if (w <= 0 || h <= 0) return;
  impl_->Colour(rgb);
  const SDL_Rect r{x, y, w, h};
  SDL_RenderFillRect(impl_->renderer, &r);
}

void Canvas::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t rgb, int32_t thickness) {
  impl_->Colour(rgb);
  // Thick lines as parallel strokes, offset across their main direction.
  const bool steep = std::abs(y2 - y1) > std::abs(x2 - x1);
  for (int32_t k = -(thickness - 1) / 2; k <= thickness / 2; ++k) {
    if (steep) {
      SDL_RenderDrawLine(impl_->renderer, x1 + k, y1, x2 + k, y2);
    } else {
      SDL_RenderDrawLine(impl_->renderer, x1, y1 + k, x2, y2 + k);
    }
  }
}

void Canvas::Shade(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t rgb, int32_t percent) {
  if (w <= 0 || h <= 0) return;
  SDL_SetRenderDrawBlendMode(impl_->renderer, SDL_BLENDMODE_BLEND);
  SDL_SetRenderDrawColor(impl_->renderer, static_cast<Uint8>(rgb >> 16),
                         static_cast<Uint8>(rgb >> 8), static_cast<Uint8>(rgb),
                         static_cast<Uint8>(std::clamp(percent, 0, 100) * 255 / 100));
  const SDL_Rect r{x, y, w, h};
  SDL_RenderFillRect(impl_->renderer, &r);
  SDL_SetRenderDrawBlendMode(impl_->renderer, SDL_BLENDMODE_NONE);
}

int32_t Canvas::TextWidth(std::string_view utf8, int32_t height_px, bool bold) {
  if (utf8.empty() || height_px <= 2) return 0;
  TTF_Font* font = impl_->Font(PointSize(height_px), bold);
  int w = 0, h = 0;
  if (font == nullptr || TTF_SizeUTF8(font, std::string(utf8).c_str(), &w, &h) != 0) return 0;
  return w;
}

void Canvas::Text(int32_t x, int32_t y, int32_t w, int32_t h, std::string_view utf8,
                  int32_t height_px, uint32_t rgb, Align align, bool bold) {
  if (utf8.empty() || w <= 0 || h <= 0 || height_px <= 2) return;
  const std::string text(utf8);
  // Start at the line height, then shrink until the text fits the width.
  int32_t size = PointSize(height_px);
  TTF_Font* font = nullptr;
  int text_w = 0, text_h = 0;
  for (int attempt = 0; attempt < 4; ++attempt) {
    font = impl_->Font(size, bold);
    if (font == nullptr) return;
    TTF_SizeUTF8(font, text.c_str(), &text_w, &text_h);
    if (text_w <= w || size <= 4) break;
    size = std::max(4, size * w / std::max(text_w, 1));
  }
  const GlyphRun* run = impl_->Run(text, size, bold);
  if (run == nullptr || run->spans.empty()) return;
  SDL_RenderFlush(impl_->renderer);  // what was drawn before lies under the text
  int32_t to_x = x;
  if (align == Align::kCentre) to_x = x + (w - run->full_w) / 2;
  if (align == Align::kRight) to_x = x + w - run->full_w;
  impl_->Blend(*run, to_x, y + (h - run->full_h) / 2, SDL_Rect{x, y, w, h}, rgb);
}

void Canvas::SetClip(int32_t x, int32_t y, int32_t w, int32_t h) {
  const SDL_Rect r{x, y, w, h};
  SDL_RenderSetClipRect(impl_->renderer, &r);
}

void Canvas::ClearClip() { SDL_RenderSetClipRect(impl_->renderer, nullptr); }

uint32_t Canvas::Pixel(int32_t x, int32_t y) const {
  SDL_RenderFlush(impl_->renderer);
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return 0;
  const auto* row = static_cast<const uint8_t*>(impl_->surface->pixels) + y * impl_->surface->pitch;
  uint32_t argb = 0;
  std::memcpy(&argb, row + x * 4, 4);
  return argb & 0xFFFFFF;
}

const void* Canvas::Pixels() const {
  SDL_RenderFlush(impl_->renderer);
  return impl_->surface->pixels;
}

int32_t Canvas::Pitch() const { return impl_->surface->pitch; }

int32_t Canvas::SavePng(const std::string& path) const {
  SDL_RenderFlush(impl_->renderer);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(Width());
  image.height = static_cast<png_uint_32>(Height());
  image.format = PNG_FORMAT_BGRA;  // ARGB8888 as it lies in memory on a little-endian machine
  errno = 0;
  if (png_image_write_to_file(&image, path.c_str(), 0, impl_->surface->pixels,
                              impl_->surface->pitch, nullptr) == 0)
    return errno != 0 ? errno : EIO;
  return 0;
}

bool ReadPng(const std::string& path, int32_t* width, int32_t* height, std::vector<uint32_t>* pixels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return false;
  image.format = PNG_FORMAT_BGRA;
  pixels->assign(static_cast<size_t>(image.width) * image.height, 0);
  if (png_image_finish_read(&image, nullptr, pixels->data(), 0, nullptr) == 0) {
    png_image_free(&image);
    return false;
  }
  *width = static_cast<int32_t>(image.width);
  *height = static_cast<int32_t>(image.height);
  return true;
}

}  // namespace kv::platform
