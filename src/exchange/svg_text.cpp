#include "exchange/svg_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "exchange/export_text.h"
#include "util/byte_string.h"
#include "util/utf_convert.h"

namespace kv::report {

void AppendXmlText(std::string& out, std::string_view utf8) {
  ByteString escaped;
  AppendHtmlText(escaped, FromUtf8(utf8));
  out.append(escaped.AsView());
}

void AppendCoordinate(std::string& out, double px) {
  long long tenths = std::llround(std::clamp(px, -1e7, 1e7) * 10.0);
  if (tenths < 0) {
    out += '-';
    tenths = -tenths;
  }
  out += std::to_string(tenths / 10);
  if (tenths % 10 != 0) {
    out += '.';
    out += static_cast<char>('0' + tenths % 10);
  }
}

void AppendColour(std::string& out, uint32_t rgb) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '#';
  for (int shift = 20; shift >= 0; shift -= 4) out += kHex[(rgb >> shift) & 0xF];
}

std::string FixedText(double value, int32_t decimals) {
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                                 std::clamp(decimals, 0, 12));
  std::string text(buffer, end.ec == std::errc() ? end.ptr : buffer);
  if (text.find_first_not_of("-0.") == std::string::npos && !text.empty() && text[0] == '-')
    text.erase(0, 1);
  return text;
}

std::string ShortestText(double value) {
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end.ec == std::errc() ? end.ptr : buffer);
}

double TextWidth(std::string_view utf8, double size) {
  double units = 0;  // code points, continuation bytes skipped
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) units += 1;
  return units * size * 0.58;
}

void OpenChart(std::string& out, int32_t width, int32_t height, std::string_view title,
               std::string_view attributes) {
  const std::string w = std::to_string(width), h = std::to_string(height);
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h;
  out += "\" viewBox=\"0 0 " + w + ' ' + h;
  out += "\" font-family=\"Helvetica, Arial, sans-serif\" font-size=\"11\" role=\"img\"";
  if (!attributes.empty()) out.append(" ").append(attributes);
  out += "><title>";
  AppendXmlText(out, title);
  out += "</title><rect width=\"" + w + "\" height=\"" + h + "\" fill=\"#fff\"/>";
  if (title.empty()) return;
  out += "<text x=\"8\" y=\"17\" font-size=\"13\" font-weight=\"bold\" fill=\"#111\">";
  AppendXmlText(out, title);
  out += "</text>";
}

void AppendText(std::string& out, double x, double y, std::string_view anchor,
                std::string_view text, std::string_view extra) {
  out += "<text x=\"";
  AppendCoordinate(out, x);
  out += "\" y=\"";
  AppendCoordinate(out, y);
  out += '"';
  if (anchor != "start") out.append(" text-anchor=\"").append(anchor) += '"';
  if (!extra.empty()) out.append(" ").append(extra);
  out += '>';
  AppendXmlText(out, text);
  out += "</text>";
}

void AppendLine(std::string& out, double x1, double y1, double x2, double y2) {
  out += "<line x1=\"";
  AppendCoordinate(out, x1);
  out += "\" y1=\"";
  AppendCoordinate(out, y1);
  out += "\" x2=\"";
  AppendCoordinate(out, x2);
  out += "\" y2=\"";
  AppendCoordinate(out, y2);
  out += "\"/>";
}

TickScale NiceTicks(double lo, double hi, int32_t target) {
  TickScale t;
  if (!(hi > lo) || !std::isfinite(hi - lo)) return t;
  const double raw = (hi - lo) / std::max(target, 1);
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / magnitude;
  t.step = (f < 1.5 ? 1.0 : f < 3.0 ? 2.0 : f < 7.0 ? 5.0 : 10.0) * magnitude;
  t.decimals = std::max(0, static_cast<int32_t>(-std::floor(std::log10(t.step) + 1e-9)));
  t.first_index = std::ceil(lo / t.step - 1e-9);
  t.count = static_cast<int32_t>(std::floor(hi / t.step + 1e-9) - t.first_index) + 1;
  return t;
}

}  // namespace kv::report
