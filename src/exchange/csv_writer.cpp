// "Speadsheet (.csv)": one row per written sample, CR LF line ends, the
// separators the user chose.
#include <cmath>

#include "exchange/export_text.h"
#include "exchange/export_writer_factory.h"
#include "timing/channels.h"
#include "timing/geodesy.h"

namespace kv {

namespace {

constexpr int32_t kRpmChannel = 24;       // PID 0x0C
constexpr int32_t kThrottleChannel = 25;  // PID 0x11

class CsvWriter final : public ExportWriter {
 public:
  explicit CsvWriter(const SessionData& session) : obd_(session.ObdRecords()) {}

  void Header(ExportContext& c) override {
    switch (c.options.csv) {
      case CsvSeparators::kStandard: field_ = ','; point_ = '.'; break;
      case CsvSeparators::kSemicolonComma: field_ = ';'; point_ = ','; break;
      case CsvSeparators::kSemicolonDot: field_ = ';'; point_ = '.'; break;
    }
    const SessionHeader& h = c.session.Header();
    ByteString& o = c.out;
    o.Append("This file is created using Korvatinel v");
    o.Append(kExportVersion);
    o.Append(" ( ");
    o.Append(kHomePage);
    o.Append(" ).\r\n\r\n");
    Line(o, "Session title", h.title);
    if (h.type == kSessionLapTiming) {
      Label(o, "Session type", "Lap timing");
      Line(o, "Track name", h.track);
    } else if (h.type == kSessionPerformance) {
      Label(o, "Session type", "Performance testing");
      Line(o, "Test name", h.test);
    } else {
      Label(o, "Session type", "Data logging");
    }
    Line(o, "Driver name", h.driver);
    Label(o, "Export scope", c.scope_text);
    o.Append("Created");
    o.AppendUnit(field_);
    AppendDateText(o, h.created);
    o.AppendUnit(field_);
    AppendTimeText(o, h.created);
    o.Append("\r\n");
    Line(o, "Note", h.notes);
    static constexpr std::string_view kTitles[] = {
        "Lap #", "Timestamp (s)", "Distance (m)", "Distance (km)", "Locked satellites", "Latitude (deg)",
        "Longitude (deg)", "Speed (m/s)", "Speed (kph)", "Speed (mph)", "Altitude (m)", "Bearing (deg)",
        "Longitudinal Acceleration (G)", "Lateral Acceleration (G)", "X-position (m)", "Y-position (m)",
        "RPM (rpm)", "Throttle Position (%)", "Trap name"};
    bool first = true;
    for (std::string_view t : kTitles) {
      if (!first) o.AppendUnit(field_);
      first = false;
      o.Append(t);
    }
    o.Append("\r\n");
  }

  void WriteLap(ExportContext& c, const ExportLap& lap) override {
    lap_text_ = lap.index == LapList::kSelectOptimal ? "Opt." : std::to_string(lap.index + 1);
    bool continues = false;
    for (const auto& [from, to] : c.LapWindow(lap, &continues)) Rows(c, from, to + 1);
  }

  void RouteBegin(ExportContext&) override { lap_text_ = "N/A"; }
  void RouteSamples(ExportContext& c, int32_t from, int32_t to) override { Rows(c, from, to); }

 private:
  void Label(ByteString& o, std::string_view label, std::string_view value) {
    o.Append(label);
    o.AppendUnit(field_);
    o.Append(value);
    o.Append("\r\n");
  }
  void Line(ByteString& o, std::string_view label, std::u16string_view text) {
    o.Append(label);
    o.AppendUnit(field_);
    AppendCsvText(o, text);
    o.Append("\r\n");
  }
  // An empty field where the sample has no value (no altitude from a 2D
  // fix, no speed from the receiver): spreadsheets read that as missing.
  void Number(ByteString& o, double v, int32_t decimals) {
    o.AppendUnit(field_);
    if (!std::isnan(v)) AppendNumber(o, v, decimals, false, point_);
  }

  // The trap crossed at sample i: the crossing whose later sample is i.
  // Crossings are in sample order, so one cursor serves a whole export.
  const TrapCrossing* CrossingAt(const ExportContext& c, int32_t i) {
    const CrossingList& crossings = c.session.Crossings();
    if (crossing_cursor_ > 0 && (crossing_cursor_ > crossings.Count() ||
                                 crossings[crossing_cursor_ - 1].sample_index >= i))
      crossing_cursor_ = 0;  // a new window started behind the cursor
    while (crossing_cursor_ < crossings.Count() && crossings[crossing_cursor_].sample_index < i) ++crossing_cursor_;
    if (crossing_cursor_ < crossings.Count() && crossings[crossing_cursor_].sample_index == i)
      return &crossings[crossing_cursor_];
    return nullptr;
  }

  void Rows(ExportContext& c, int32_t from, int32_t to) {
    const SampleList& samples = c.session.Samples();
    ByteString& o = c.out;
    o.ReserveAppend(static_cast<int64_t>(to - from) * 200);
    for (int32_t i = from; i < to; ++i) {
      const LogSample& s = samples[i];
      if (!s.position.IsSet()) continue;
      const GeoPoint here = ToGeoPoint(s.position);
      double lateral = 0.0, longitudinal = 0.0, x = 0.0, y = 0.0;
      if (previous_ < 0) {
        reference_ = here;
      } else {
        if (previous_ == i - 1) {
          lateral = LateralG(samples, i);
          longitudinal = LongitudinalG(samples, i);
        } else {
          // Not neighbours in the list (a gap without position, or the
          // next sector of the optimal lap): the same formulas on the pair.
          pair_.Clear();
          pair_.Append(samples[previous_]);
          pair_.Append(s);
          lateral = LateralG(pair_, 1);
          longitudinal = LongitudinalG(pair_, 1);
        }
        x = RadToMetres(EastWestComponent(here, reference_));
        y = RadToMetres(NorthSouthComponent(here, reference_));
      }
      previous_ = i;
      const double mps = SpeedMetresPerSecond(s);
      const double speed = IsSet(s.speed) ? StoredToSpeed(s.speed) : kNoValue;
      o.Append(lap_text_);
      Number(o, IsSet(s.time) ? s.time / 1000.0 : kNoValue, 3);
      const double metres = DistanceMetres(s);
      Number(o, metres, 3);
      Number(o, metres / 1000.0, 6);
      o.AppendUnit(field_);
      o.AppendInt(s.Satellites());
      Number(o, LatitudeDegrees(s), 7);
      Number(o, LongitudeDegrees(s), 7);
      Number(o, mps, 2);
      Number(o, RadPerSecToKmh(speed), 2);
      Number(o, RadPerSecToMph(speed), 2);
      Number(o, AltitudeMetres(s), 2);
      Number(o, HeadingDegrees(s), 2);
      Number(o, longitudinal, 2);
      Number(o, lateral, 2);
      Number(o, x, 2);
      Number(o, y, 2);
      Obd(o, kRpmChannel, s.time);
      Obd(o, kThrottleChannel, s.time);
      o.AppendUnit(field_);
      if (const TrapCrossing* crossing = CrossingAt(c, i)) {
        const TrapList& traps = c.session.Traps();
        if (crossing->trap_index >= 0 && crossing->trap_index < traps.Count())
          AppendCsvText(o, traps[crossing->trap_index].name);
      }
      o.Append("\r\n");
    }
  }

  // Empty when the session logged no value of the channel by then.
  void Obd(ByteString& o, int32_t channel, int32_t time) {
    o.AppendUnit(field_);
    const double v = obd_.ValueAt(channel, time);
    if (IsSet(v)) AppendNumber(o, v, 0, false, point_);
  }

  ObdSeries obd_;
  char field_ = ',';
  char point_ = '.';
  std::string lap_text_;
  int32_t previous_ = -1;
  GeoPoint reference_;
  SampleList pair_{2};
  int32_t crossing_cursor_ = 0;
};

}  // namespace

std::unique_ptr<ExportWriter> MakeCsvWriter(const SessionData& session) {
  return std::make_unique<CsvWriter>(session);
}

}  // namespace kv
