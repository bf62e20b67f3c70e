// "VBox (.vbo)": a [header] of column names, [comments] with the session's
// texts, and [data] rows of space-separated fields; CR LF line ends.
#include <cmath>

#include "exchange/export_text.h"
#include "exchange/export_writer_factory.h"
#include "timing/geodesy.h"

namespace kv {

namespace {

class VboWriter final : public ExportWriter {
 public:
  void Header(ExportContext& c) override {
    const SessionHeader& h = c.session.Header();
    ByteString& o = c.out;
    o.Append("File created on ");
    if (h.created.IsKnown()) {
      const CalendarParts p = h.created.Decompose();
      o.AppendInt(p.day, 2);
      o.AppendUnit('/');
      o.AppendInt(p.month, 2);
      o.AppendUnit('/');
      o.AppendInt(p.year, 4);
      o.Append(" @ ");
      o.AppendInt(p.hours, 2);
      o.AppendUnit(':');
      o.AppendInt(p.minutes, 2);
    }
    o.Append("\r\n\r\n");
    FindFirstValues(c.session.Samples());
    o.Append("[header]\r\nsatellites\r\ntime\r\nlatitude\r\nlongitude\r\n");
    if (!std::isnan(speed_)) o.Append("velocity kmh\r\n");
    if (!std::isnan(heading_)) o.Append("heading\r\n");
    if (!std::isnan(height_)) o.Append("height\r\n");
    o.Append("\r\n");
    o.Append("[comments]\r\n");
    o.Append("Session note: ");
    AppendLineText(o, h.notes, false);
    o.Append("\r\nGenerator: Korvatinel v");
    o.Append(kExportVersion);
    o.AppendUnit(' ');
    o.Append(kHomePage);
    o.Append("\r\nTitle: ");
    AppendLineText(o, h.title, true);
    o.Append("\r\n");
    if (h.type == kSessionLapTiming) {
      o.Append("Session type: Lap timing\r\nTrack name: ");
      AppendLineText(o, h.track, false);
      o.Append("\r\n");
    } else if (h.type == kSessionPerformance) {
      o.Append("Session type: Performance testing\r\nTest name: ");
      AppendLineText(o, h.test, false);
      o.Append("\r\n");
    } else {
      o.Append("Session type: Data logging\r\n");
    }
    o.Append("Driver name: ");
    AppendLineText(o, h.driver, false);
    o.Append("\r\nScope: ");
    o.Append(c.scope_text);
    o.Append("\r\n\r\n[data]\r\n");
  }

  void WriteLap(ExportContext& c, const ExportLap& lap) override {
    bool continues = false;
    for (const auto& [from, to] : c.LapWindow(lap, &continues)) RouteSamples(c, from, to + 1);
  }

  void RouteSamples(ExportContext& c, int32_t from, int32_t to) override {
    const SampleList& samples = c.session.Samples();
    ByteString& o = c.out;
    o.ReserveAppend(static_cast<int64_t>(to - from) * 72);
    for (int32_t i = from; i < to; ++i) {
      const LogSample& s = samples[i];
      if (!s.position.IsSet()) continue;
      o.AppendInt(s.Satellites(), 3);
      o.AppendUnit(' ');
      o.AppendClockCompact(TimeOfDayMs(s.time), 2);
      o.AppendUnit(' ');
      o.AppendReal(s.position.lat * 0.00001, 5, true);
      o.AppendUnit(' ');
      o.AppendReal(-(s.position.lon * 0.00001), 5, true);
      Column(o, speed_, IsSet(s.speed) ? RadPerSecToKmh(StoredToSpeed(s.speed)) : kNoValue, 2, false);
      Column(o, heading_, HeadingDegrees(s), 2, false);
      Column(o, height_, AltitudeMetres(s), 2, true);
      o.Append("\r\n");
    }
  }

 private:
  // Every row of a VBO file has one number per column and the format has
  // no word for "none": a sample without speed, heading or altitude
  // repeats the last one written (the session's first one before any),
  // and a session without any leaves the column out.
  void FindFirstValues(const SampleList& samples) {
    speed_ = heading_ = height_ = kNoValue;
    for (const LogSample& s : samples) {
      if (!s.position.IsSet()) continue;
      if (std::isnan(speed_) && IsSet(s.speed)) speed_ = RadPerSecToKmh(StoredToSpeed(s.speed));
      if (std::isnan(heading_)) heading_ = HeadingDegrees(s);
      if (std::isnan(height_)) height_ = AltitudeMetres(s);
    }
  }
  static void Column(ByteString& o, double& held, double value, int32_t decimals, bool sign) {
    if (std::isnan(held)) return;
    if (!std::isnan(value)) held = value;
    o.AppendUnit(' ');
    o.AppendReal(held, decimals, sign);
  }

  double speed_ = kNoValue;
  double heading_ = kNoValue;
  double height_ = kNoValue;
};

}  // namespace

std::unique_ptr<ExportWriter> MakeVboWriter() { return std::make_unique<VboWriter>(); }

}  // namespace kv
