#include "ui/live_timer_painter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "timing/geodesy.h"
#include "ui/timer_content.h"
#include "util/utf_convert.h"

namespace kv::ui {

namespace {

using Align = platform::Canvas::Align;
constexpr uint32_t kGround = 0xFFFFFF;
constexpr uint32_t kRoute = 0xA0A0A0;
constexpr uint32_t kLine = 0x000000;
constexpr uint32_t kSplitLine = 0x0060FF;
constexpr uint32_t kCar = 0xE00000;
constexpr uint32_t kBarGround = 0xECECEC;

std::string Utf8(const WideString& text) { return ToUtf8(text.AsView()).Std(); }

// Room between a rectangle's sides and its text, and between parts of a line.
int32_t Pad(const Rect& r) { return std::max(4, r.w / 80); }
Rect Inset(const Rect& r) { return {r.x + Pad(r), r.y, r.w - 2 * Pad(r), r.h}; }

// A light colour (the panel's pure green) is hard to read on white in
// sunshine: its strokes get a rim of the same hue at half strength.
void PaintLabel(platform::Canvas& c, const Rect& r, const Label& label, int32_t font, Align align,
                bool bold = false) {
  if (!label.visible) return;
  const std::string text = Utf8(label.text);
  const uint32_t rgb = label.colour;
  const uint32_t light = 2126 * (rgb >> 16) + 7152 * ((rgb >> 8) & 0xFF) + 722 * (rgb & 0xFF);
  if (light > 6000 * 255) {
    const int32_t rim = std::max(1, font / 50);
    for (const int32_t dx : {-rim, rim})
      for (const int32_t dy : {-rim, rim})
        c.Text(r.x + dx, r.y + dy, r.w, r.h, text, font, (rgb >> 1) & 0x7F7F7F, align, bold);
  }
  c.Text(r.x, r.y, r.w, r.h, text, font, rgb, align, bold);
}

// The line height at which a text fits `width` (Canvas shrinks the same way).
int32_t FittedFont(platform::Canvas& c, const std::string& text, int32_t font, int32_t width) {
  const int32_t needed = c.TextWidth(text, font);
  return needed <= width ? font : font * width / needed;
}

// A bar from the centre, growing left when faster and right when slower,
// the value written on its empty half.
void PaintPredictedBar(platform::Canvas& c, const Rect& r, const FaceContent& content) {
  if (!content.predicted.visible || r.h < 4) return;
  const Rect track{r.x + r.w / 20, r.y + r.h / 6, r.w - r.w / 10, r.h - r.h / 3};
  const int32_t centre = track.x + track.w / 2, half = track.w / 2;
  const int32_t length = half * std::abs(content.predicted_bar) / 1000;
  c.FillRect(track.x, track.y, track.w, track.h, kBarGround);
  const bool faster = content.predicted_bar < 0;
  c.FillRect(faster ? centre - length : centre, track.y, length, track.h, content.predicted.colour);
  c.Line(centre, r.y, centre, r.y + r.h - 1, kLine);
  PaintLabel(c, {faster ? centre : track.x, r.y, half, r.h}, content.predicted, r.h, Align::kCentre,
             true);
}

// Face rows read like a dashboard at arm's length: the time right-aligned in
// bold, all times in one column as wide as the widest needs (so their digits
// line up); left of it the caption in small type over the lap number, one
// caption size for all rows. The big line the same way: the difference in
// the time column's place, the trap name as its caption.
void PaintFace(platform::Canvas& c, const LiveTimerState& s, const PaintInputs& in,
               const Rect& area) {
  const FaceLayout layout = LayOutFace(area.w, area.h);
  const FaceContent content = MakeFaceContent(s, in.decimals, in.satellites);
  PaintLabel(c, Inset(layout.strip), content.status.visible ? content.status : content.satellites,
             layout.strip_font, Align::kCentre);
  const int32_t pad = Pad(area), widest = area.w * 3 / 4 - 2 * pad;
  std::string big = Utf8(content.big.text), trap;
  if (const size_t space = big.rfind(' '); space != std::string::npos)
    trap = big.substr(0, space), big = big.substr(space + 1);
  const int32_t big_w = std::min(c.TextWidth(big, layout.big_font, true), widest);
  int32_t time_w = 0;
  for (int i = 0; i < 3; ++i) {
    const size_t k = static_cast<size_t>(i);
    time_w = std::max(time_w, c.TextWidth(Utf8(content.rows[k].time), layout.row_fonts[k], true));
  }
  time_w = std::min(time_w, widest);
  const int32_t column = area.w - time_w - 4 * pad, caption_h = layout.rows[2].h * 35 / 100;
  int32_t caption_font = caption_h;
  for (const FaceRow& row : content.rows)
    caption_font = std::min(caption_font, FittedFont(c, Utf8(row.caption), caption_h, column));
  for (int i = 0; i < 3; ++i) {
    // In landscape rows 1 and 2 share a place: one of them is shown.
    if (layout.landscape && i == (in.show_previous_row ? 0 : 1)) continue;
    const Rect& r = layout.rows[static_cast<size_t>(i)];
    const FaceRow& row = content.rows[static_cast<size_t>(i)];
    c.Text(r.x + pad, r.y + r.h / 10, column, caption_h, Utf8(row.caption), caption_font,
           row.colour);
    c.Text(r.x + pad, r.y + r.h * 45 / 100, column, r.h * 45 / 100, Utf8(row.number),
           r.h * 45 / 100, row.colour);
    c.Text(r.x + r.w - pad - time_w, r.y, time_w, r.h, Utf8(row.time),
           layout.row_fonts[static_cast<size_t>(i)], row.colour, Align::kRight, true);
    c.Line(r.x, r.y + r.h - 1, r.x + r.w, r.y + r.h - 1, 0xE0E0E0);
  }
  Rect b = layout.big;
  if (in.predicted_difference) {
    PaintPredictedBar(c, layout.bar, content);
    b.h = layout.bar.y - b.y;  // the big line's text keeps above the bar
  }
  if (!content.big.visible) return;
  c.Text(b.x + pad, b.y, b.w - big_w - 4 * pad, b.h, trap, caption_font, content.big.colour);
  c.Text(b.x + b.w - pad - big_w, b.y, big_w, b.h, big, layout.big_font, content.big.colour,
         Align::kRight, true);
}

// The time line: the time in bold from the left, given all the width the
// lap number on the right leaves it.
void PaintPanel(platform::Canvas& c, const LiveTimerState& s, const PaintInputs& in,
                const PanelLayout& p) {
  const PanelContent content = MakePanelContent(s, in.decimals);
  const Rect& t = p.time_line;
  const int32_t pad = Pad(t);
  const std::string number = Utf8(content.number.text);
  const int32_t number_w = std::min(c.TextWidth(number, t.h * 7 / 10), t.w / 3);
  c.Text(t.x + pad, t.y, t.w - number_w - 3 * pad, t.h, Utf8(content.time.text), t.h,
         content.time.colour, Align::kLeft, true);
  PaintLabel(c, Inset(t), content.middle, t.h * 8 / 10, Align::kCentre);
  c.Text(t.x + t.w - pad - number_w, t.y, number_w, t.h, number, t.h * 7 / 10,
         content.number.colour, Align::kRight);
  PaintLabel(c, Inset(p.trap_or_status),
             content.status.visible ? content.status : content.trap_name, p.trap_or_status.h,
             Align::kCentre);
  PaintLabel(c, Inset(p.difference), content.difference, p.difference.h, Align::kCentre, true);
  if (in.predicted_difference)
    PaintLabel(c, Inset(p.predicted), content.predicted, p.predicted.h, Align::kCentre, true);
}

// North up, the whole route (or a zoomed part of it around the car) fitted
// into the rectangle with equal scales east and north.
void PaintMap(platform::Canvas& c, const PaintInputs& in, const Rect& r) {
  c.FillRect(r.x, r.y, r.w, r.h, 0xF4F4F4);
  if (in.route == nullptr || in.route->Count() == 0 || r.w < 8 || r.h < 8) return;
  const SampleList& route = *in.route;
  double west = 1e9, east = -1e9, south = 1e9, north = -1e9;
  for (int32_t i = 0; i < route.Count(); ++i) {
    if (!route[i].position.IsSet()) continue;
    const GeoPoint p = ToGeoPoint(route[i].position);
    west = std::min(west, p.lon), east = std::max(east, p.lon);
    south = std::min(south, p.lat), north = std::max(north, p.lat);
  }
  if (west > east) return;
  const LogSample& last = route[route.Count() - 1];
  const GeoPoint car = ToGeoPoint(last.position);
  const double shrink = std::cos((south + north) / 2);  // a degree east is shorter than one north
  double span_x = std::max((east - west) * shrink, 1e-7), span_y = std::max(north - south, 1e-7);
  double centre_x = (west + east) / 2 * shrink, centre_y = (south + north) / 2;
  if (in.zoom > 0 && last.position.IsSet()) {
    const double factor = std::ldexp(1.0, -std::min(in.zoom, 20));
    span_x *= factor, span_y *= factor, centre_x = car.lon * shrink, centre_y = car.lat;
  }
  const double scale = std::min((r.w - 8) / span_x, (r.h - 8) / span_y);
  const auto x_of = [&](const GeoPoint& p) {
    return r.x + r.w / 2 + static_cast<int32_t>(std::lround((p.lon * shrink - centre_x) * scale));
  };
  const auto y_of = [&](const GeoPoint& p) {
    return r.y + r.h / 2 - static_cast<int32_t>(std::lround((p.lat - centre_y) * scale));
  };
  const int32_t width = std::max(1, std::min(r.w, r.h) / 150);
  bool have = false;
  int32_t px = 0, py = 0;
  for (int32_t i = 0; i < route.Count(); ++i) {
    if (!route[i].position.IsSet()) {
      have = false;
      continue;
    }
    const GeoPoint p = ToGeoPoint(route[i].position);
    const int32_t x = x_of(p), y = y_of(p);
    if (have && (x != px || y != py)) c.Line(px, py, x, y, kRoute, width);
    have = true, px = x, py = y;
  }
  if (in.traps != nullptr) {
    for (int32_t i = 0; i < in.traps->Count(); ++i) {
      const Trap& t = (*in.traps)[i];
      if (!t.end_a.IsSet() || t.line_type == kTrapDisabled) continue;
      const GeoPoint a = ToGeoPoint(t.end_a), b = ToGeoPoint(t.end_b);
      c.Line(x_of(a), y_of(a), x_of(b), y_of(b), t.line_type == kTrapSplit ? kSplitLine : kLine,
             width + 2);
    }
  }
  if (last.position.IsSet()) {
    const int32_t x = x_of(car), y = y_of(car), dot = std::max(4, std::min(r.w, r.h) / 40);
    c.FillRect(x - dot / 2, y - dot / 2, dot, dot, kCar);
    const double heading = HeadingWordToRadians(last.heading);
    if (IsSet(heading)) {
      c.Line(x, y, x + static_cast<int32_t>(std::lround(std::sin(heading) * dot * 2)),
             y - static_cast<int32_t>(std::lround(std::cos(heading) * dot * 2)), kCar,
             std::max(1, dot / 3));
    }
  }
}

}  // namespace

void PaintLiveTimer(platform::Canvas& c, const LiveTimerState& s, const PaintInputs& in) {
  c.Fill(kGround);
  const ViewLayout v =
      LayOutView(in.mode, c.Width(), c.Height(), in.data_logging, in.predicted_difference);
  if (in.mode == TimerMode::kFace) {
    PaintFace(c, s, in, v.face);
    return;
  }
  PaintPanel(c, s, in, v.panel);
  const Rect& h = v.header;
  c.Line(h.x, h.y, h.x + h.w, h.y, 0xC0C0C0);
  const int32_t header_h = std::min(h.h, std::max(12, c.Height() / 16));
  c.Text(h.x + 4, h.y, h.w - 8, header_h, Utf8(in.header), header_h, kEven, Align::kRight);
  Rect map = v.map;
  if (in.mode == TimerMode::kMap) map = {map.x, map.y + header_h, map.w, map.h - header_h};
  c.SetClip(map.x, map.y, map.w, map.h);  // lines and the car off the map's part stay off
  PaintMap(c, in, map);
  c.ClearClip();
}

}  // namespace kv::ui
