// Text pieces every export writer shares: user text made safe for the
// format it lands in, the numbers of the sample fields, and the date and
// time texts.
//
// User text (titles, notes, names) may hold anything a keyboard or an old
// file gave: quotes, "]]>", control characters, unpaired surrogates. Each
// helper writes UTF-8 that cannot break its container. Any thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/date_time.h"
#include "core/log_sample.h"
#include "session/session_data.h"
#include "util/byte_string.h"

namespace kv {

// Inside <![CDATA[ ... ]]>: a "]]>" in the text is split across two
// sections; characters XML forbids (C0 controls other than tab, LF and CR,
// U+FFFE, U+FFFF) become U+FFFD.
void AppendCdataText(ByteString& out, std::u16string_view text);
// HTML inside a CDATA section: & < > " as entities, the rest as above.
void AppendHtmlText(ByteString& out, std::u16string_view text);
// A CSV field: in double quotes, each double quote doubled; control
// characters (line breaks included) become spaces, so a row stays a line.
void AppendCsvText(ByteString& out, std::u16string_view text);
// One line of a line-based header (VBO): control characters become spaces;
// with double_quotes, each double quote is doubled.
void AppendLineText(ByteString& out, std::u16string_view text, bool double_quotes);

// A real number by the export number rule (ByteString::AppendReal) with
// `point` as the decimal point.
void AppendNumber(ByteString& out, double value, int32_t decimals, bool sign, char point = '.');

// "YYYY-MM-DD" and "HH:MM:SS" (UTC); "?" when unknown.
void AppendDateText(ByteString& out, const DateTimeValue& value);
void AppendTimeText(ByteString& out, const DateTimeValue& value);

// A sample time (which may run past midnight) as the time of that day;
// 0 when not set.
int32_t TimeOfDayMs(int32_t time);

// Sample fields in user units; NaN when the sample does not hold them.
double LatitudeDegrees(const LogSample& s);
double LongitudeDegrees(const LogSample& s);
double AltitudeMetres(const LogSample& s);
double SpeedMetresPerSecond(const LogSample& s);
double HeadingDegrees(const LogSample& s);
double DistanceMetres(const LogSample& s);
double Hdop(const LogSample& s);
double Vdop(const LogSample& s);

// UTC dates and times of sample times (ms of day, which may run past
// midnight) from the session's date reference (the receiver's own date),
// else its creation date: a session resumed, or imported, on another day
// keeps the dates its samples were driven on. Caches the last day asked
// for, so a long export converts a date once a day, not once a sample.
class SampleCalendar {
 public:
  SampleCalendar() = default;
  explicit SampleCalendar(const SessionData& session);
  bool Known() const { return known_; }
  // The date and time of `time`; false when no date is known or the time
  // is not set.
  bool At(int32_t time, CalendarParts* parts);

 private:
  bool known_ = false;
  int64_t epoch_ms_ = 0;  // UTC ms since 1970 of sample time 0
  int64_t cached_day_ = INT64_MIN;
  CalendarParts cached_;
};

}  // namespace kv
