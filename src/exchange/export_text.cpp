#include "exchange/export_text.h"

#include <climits>
#include <cmath>

#include "timing/geodesy.h"
#include "timing/sample_list.h"
#include "util/utf_convert.h"

namespace kv {

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }
bool IsXmlForbiddenByte(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

// U+FFFE and U+FFFF: not characters in XML.
bool IsNonCharacterAt(std::string_view u, size_t i) {
  return i + 2 < u.size() && static_cast<unsigned char>(u[i]) == 0xEF && static_cast<unsigned char>(u[i + 1]) == 0xBF &&
         (static_cast<unsigned char>(u[i + 2]) == 0xBE || static_cast<unsigned char>(u[i + 2]) == 0xBF);
}

// Walks the UTF-8 of `text`; `piece` appends the bytes of one position and
// returns how many bytes it consumed (at least 1).
template <typename Piece>
void Walk(ByteString& out, std::u16string_view text, Piece piece) {
  const ByteString utf8 = ToUtf8(text);
  const std::string_view u = utf8.AsView();
  size_t i = 0;
  while (i < u.size()) i += piece(u, i);
  (void)out;
}

}  // namespace

void AppendCdataText(ByteString& out, std::u16string_view text) {
  Walk(out, text, [&](std::string_view u, size_t i) -> size_t {
    const unsigned char c = static_cast<unsigned char>(u[i]);
    if (IsXmlForbiddenByte(c)) {
      out.Append(kReplacementUtf8);
      return 1;
    }
    if (IsNonCharacterAt(u, i)) {
      out.Append(kReplacementUtf8);
      return 3;
    }
    // "]]>" would end the section: close it after "]]" and open a new one
    // for the ">".
    if (c == ']' && u.substr(i, 3) == "]]>") {
      out.Append("]]]]><![CDATA[>");
      return 3;
    }
    out.AppendUnit(static_cast<char>(c));
    return 1;
  });
}

void AppendHtmlText(ByteString& out, std::u16string_view text) {
  Walk(out, text, [&](std::string_view u, size_t i) -> size_t {
    const unsigned char c = static_cast<unsigned char>(u[i]);
    if (IsXmlForbiddenByte(c)) {
      out.Append(kReplacementUtf8);
      return 1;
    }
    if (IsNonCharacterAt(u, i)) {
      out.Append(kReplacementUtf8);
      return 3;
    }
    switch (c) {
      case '&': out.Append("&amp;"); break;
      case '<': out.Append("&lt;"); break;
      case '>': out.Append("&gt;"); break;
      case '"': out.Append("&quot;"); break;
      default: out.AppendUnit(static_cast<char>(c));
    }
    return 1;
  });
}

void AppendCsvText(ByteString& out, std::u16string_view text) {
  out.AppendUnit('"');
  Walk(out, text, [&](std::string_view u, size_t i) -> size_t {
    const unsigned char c = static_cast<unsigned char>(u[i]);
    if (c == '"') out.Append("\"\"");
    else out.AppendUnit(IsControl(c) ? ' ' : static_cast<char>(c));
    return 1;
  });
  out.AppendUnit('"');
}

void AppendLineText(ByteString& out, std::u16string_view text, bool double_quotes) {
  Walk(out, text, [&](std::string_view u, size_t i) -> size_t {
    const unsigned char c = static_cast<unsigned char>(u[i]);
    if (c == '"' && double_quotes) out.Append("\"\"");
    else out.AppendUnit(IsControl(c) ? ' ' : static_cast<char>(c));
    return 1;
  });
}

void AppendNumber(ByteString& out, double value, int32_t decimals, bool sign, char point) {
  if (point == '.') {
    out.AppendReal(value, decimals, sign);
    return;
  }
  const number_text::RealText text = number_text::FormatReal(value, decimals, sign);
  std::string_view v = text.View();
  const size_t dot = v.find('.');
  if (dot == std::string_view::npos) {
    out.Append(v);
    return;
  }
  out.Append(v.substr(0, dot));
  out.AppendUnit(point);
  out.Append(v.substr(dot + 1));
}

void AppendDateText(ByteString& out, const DateTimeValue& value) {
  if (!IsSet(value.day)) {
    out.AppendUnit('?');
    return;
  }
  const CalendarParts p = value.Decompose();
  out.AppendInt(p.year, 4);
  out.AppendUnit('-');
  out.AppendInt(p.month, 2);
  out.AppendUnit('-');
  out.AppendInt(p.day, 2);
}

void AppendTimeText(ByteString& out, const DateTimeValue& value) {
  if (!IsSet(value.time)) {
    out.AppendUnit('?');
    return;
  }
  const CalendarParts p = value.Decompose();
  out.AppendInt(p.hours, 2);
  out.AppendUnit(':');
  out.AppendInt(p.minutes, 2);
  out.AppendUnit(':');
  out.AppendInt(p.seconds, 2);
}

int32_t TimeOfDayMs(int32_t time) {
  if (!IsSet(time)) return 0;
  const int32_t t = time % 86400000;
  return t < 0 ? t + 86400000 : t;
}

double LatitudeDegrees(const LogSample& s) {
  return IsSet(s.position.lat) ? s.position.lat / 6000000.0 : kNoValue;
}
double LongitudeDegrees(const LogSample& s) {
  return IsSet(s.position.lon) ? s.position.lon / 6000000.0 : kNoValue;
}
double AltitudeMetres(const LogSample& s) {
  return IsSet(s.altitude) ? RadToMetres(AngleValueToRad(s.altitude)) : kNoValue;
}
double SpeedMetresPerSecond(const LogSample& s) {
  return IsSet(s.speed) ? RadToMetres(StoredToSpeed(s.speed)) : kNoValue;
}
double HeadingDegrees(const LogSample& s) {
  return s.heading == LogSample::kNoWord ? kNoValue : s.heading * 0.01;
}
double DistanceMetres(const LogSample& s) {
  return IsSet(s.distance) ? RadToMetres(AngleValueToRad(s.distance)) : kNoValue;
}
double Hdop(const LogSample& s) { return s.hdop == LogSample::kNoWord ? kNoValue : s.hdop * 0.01; }
double Vdop(const LogSample& s) { return s.vdop == LogSample::kNoWord ? kNoValue : s.vdop * 0.01; }

SampleCalendar::SampleCalendar(const SessionData& session) { known_ = session.SampleEpochMs(&epoch_ms_); }

bool SampleCalendar::At(int32_t time, CalendarParts* parts) {
  if (!known_ || !IsSet(time)) return false;
  const int64_t unix_ms = epoch_ms_ + time;
  int64_t day = unix_ms / 86400000;
  int64_t ms = unix_ms % 86400000;
  if (ms < 0) {
    ms += 86400000;
    --day;
  }
  if (day != cached_day_) {
    cached_day_ = day;
    cached_ = DateTimeValue::FromUnixMs(day * 86400000).Decompose();
  }
  *parts = cached_;
  const int32_t t = static_cast<int32_t>(ms);
  parts->hours = t / 3600000;
  parts->minutes = t / 60000 % 60;
  parts->seconds = t / 1000 % 60;
  parts->milliseconds = t % 1000;
  return true;
}

}  // namespace kv
