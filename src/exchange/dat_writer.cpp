// "Danas (.dat)": "$NEW SESSION" blocks of "$GPS" rows, LF line ends.
#include <algorithm>

#include "exchange/export_text.h"
#include "exchange/export_writer_factory.h"
#include "timing/geodesy.h"

namespace kv {

namespace {

class DatWriter final : public ExportWriter {
 public:
  void Header(ExportContext&) override {}

  void WriteLap(ExportContext& c, const ExportLap& lap) override {
    bool continues = false;
    const auto ranges = c.LapWindow(lap, &continues);
    if (ranges.empty()) return;
    if (!continues || !block_open_) {
      NewBlock(c.out, DateOf(c, std::max(lap.lap->Start().sample_index - 1, 0)));
    }
    for (const auto& [from, to] : ranges) Rows(c, from, to + 1);
  }

  void RouteBegin(ExportContext& c) override { NewBlock(c.out, DateOf(c, 0)); }
  void RouteSamples(ExportContext& c, int32_t from, int32_t to) override { Rows(c, from, to); }

 private:
  void NewBlock(ByteString& o, const DateTimeValue& date) {
    block_open_ = true;
    o.Append("$NEW SESSION\n$DATE,");
    if (IsSet(date.day)) {
      const CalendarParts p = date.Decompose();
      o.AppendInt(p.day, 2);
      o.AppendInt(p.month, 2);
      o.AppendInt(p.year % 100, 2);
    }
    o.Append(",\n");
  }

  // DDMM.mmmm of the magnitude: degrees * 100 + minutes.
  static double NmeaMagnitude(AngleValue v) {
    const int64_t a = v < 0 ? -static_cast<int64_t>(v) : v;
    return static_cast<double>(a / 6000000) * 100.0 + static_cast<double>(a % 6000000) / 100000.0;
  }

  void Rows(ExportContext& c, int32_t from, int32_t to) {
    const SampleList& samples = c.session.Samples();
    ByteString& o = c.out;
    o.ReserveAppend(static_cast<int64_t>(to - from) * 72);
    for (int32_t i = from; i < to; ++i) {
      const LogSample& s = samples[i];
      if (!s.position.IsSet()) continue;
      if (!IsSet(c.first_time)) c.first_time = s.time;
      o.Append("$GPS,");
      o.AppendInt(IsSet(s.time) && IsSet(c.first_time) ? (static_cast<int64_t>(s.time) - c.first_time) / 10 : 0);
      o.Append(",A,");
      o.AppendReal(NmeaMagnitude(s.position.lat), 4);
      o.Append(s.position.lat > 0 ? ",N," : ",S,");
      o.AppendReal(NmeaMagnitude(s.position.lon), 4);
      o.Append(s.position.lon > 0 ? ",E," : ",W,");
      // An empty field where the sample has no value, as in NMEA.
      if (IsSet(s.speed)) o.AppendReal(RadPerSecToKnots(StoredToSpeed(s.speed)), 2);
      o.AppendUnit(',');
      o.AppendClockCompact(TimeOfDayMs(s.time), 3);
      o.AppendUnit(',');
      if (IsSet(s.altitude)) o.AppendReal(AltitudeMetres(s), 1);
      o.AppendUnit('\n');
    }
  }

  // The UTC date of the sample at `index` (the creation date when the
  // session has no date at all).
  static DateTimeValue DateOf(const ExportContext& c, int32_t index) {
    DateTimeValue date = c.session.Header().created;
    SampleCalendar calendar(c.session);
    CalendarParts parts;
    if (index < c.session.Samples().Count() && calendar.At(c.session.Samples()[index].time, &parts))
      date.day = DateTimeValue::MakeDay(parts.year, parts.month, parts.day);
    return date;
  }

  bool block_open_ = false;
};

}  // namespace

std::unique_ptr<ExportWriter> MakeDatWriter() { return std::make_unique<DatWriter>(); }

}  // namespace kv
