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

void PaintLabel(platform::Canvas& c, const Rect& r, const Label& label, int32_t font, Align align,
                bool bold = false) {
  if (label.visible) c.Text(r.x, r.y, r.w, r.h, Utf8(label.text), font, label.colour, align, bold);
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

void PaintFace(platform::Canvas& c, const LiveTimerState& s, const PaintInputs& in,
               const Rect& area) {
  const FaceLayout layout = LayOutFace(area.w, area.h);
  const FaceContent content = MakeFaceContent(s, in.decimals, in.satellites);
  PaintLabel(c, layout.strip, content.status.visible ? content.status : content.satellites,
             layout.strip_font, Align::kCentre);
  for (int i = 0; i < 3; ++i) {
    // In landscape rows 1 and 2 share a place: one of them is shown.
    if (layout.landscape && i == (in.show_previous_row ? 0 : 1)) continue;
    const Rect& r = layout.rows[static_cast<size_t>(i)];
    const FaceRow& row = content.rows[static_cast<size_t>(i)];
    const int32_t font = layout.row_fonts[static_cast<size_t>(i)];
    const int32_t caption_w = r.w * 32 / 100, number_w = r.w * 12 / 100;
    c.Text(r.x + 4, r.y, caption_w - 4, r.h, Utf8(row.caption), font * 6 / 10, row.colour,
           Align::kLeft);
    c.Text(r.x + caption_w, r.y, number_w, r.h, Utf8(row.number), font * 7 / 10, row.colour,
           Align::kCentre);
    c.Text(r.x + caption_w + number_w, r.y, r.w - caption_w - number_w - 4, r.h, Utf8(row.time),
           font, row.colour, Align::kRight, true);
    c.Line(r.x, r.y + r.h - 1, r.x + r.w, r.y + r.h - 1, 0xE0E0E0);
  }
  if (in.predicted_difference) PaintPredictedBar(c, layout.bar, content);
  PaintLabel(c, layout.big, content.big, layout.big_font, Align::kCentre, true);
}

void PaintPanel(platform::Canvas& c, const LiveTimerState& s, const PaintInputs& in,
                const PanelLayout& p) {
  const PanelContent content = MakePanelContent(s, in.decimals);
  const Rect& t = p.time_line;
  c.Text(t.x + 4, t.y, t.w * 6 / 10, t.h, Utf8(content.time.text), t.h, content.time.colour,
         Align::kLeft, true);
  PaintLabel(c, t, content.middle, t.h * 8 / 10, Align::kCentre);
  c.Text(t.x + t.w * 6 / 10, t.y, t.w * 4 / 10 - 4, t.h, Utf8(content.number.text), t.h * 7 / 10,
         content.number.colour, Align::kRight);
  PaintLabel(c, p.trap_or_status, content.status.visible ? content.status : content.trap_name,
             p.trap_or_status.h, Align::kCentre);
  PaintLabel(c, p.difference, content.difference, p.difference.h, Align::kCentre, true);
  if (in.predicted_difference)
    PaintLabel(c, p.predicted, content.predicted, p.predicted.h, Align::kCentre, true);
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
  PaintMap(c, in, map);
}

}  // namespace kv::ui
