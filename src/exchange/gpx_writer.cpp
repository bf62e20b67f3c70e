// "GPX (.gpx)": a GPX 1.0 document, one track per lap or one for the
// traveled route; CR LF line ends.
//
// GPX 1.0 declares ele, course, speed, hdop, vdop and pdop as decimals and
// sat and number as non-negative integers; a "NaN" or a -1 there makes
// strict readers reject the whole file, so an element whose value does not
// exist is left out.
#include <cmath>

#include "exchange/export_text.h"
#include "exchange/export_writer_factory.h"

namespace kv {

namespace {

class GpxWriter final : public ExportWriter {
 public:
  void Header(ExportContext& c) override {
    const SessionHeader& h = c.session.Header();
    calendar_ = SampleCalendar(c.session);
    ByteString& o = c.out;
    o.Append("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<gpx\r\n    version=\"1.0\"\r\n");
    o.Append("    creator=\"Korvatinel v");
    o.Append(kExportVersion);
    o.Append(" - ");
    o.Append(kHomePage);
    o.Append("\"\r\n");
    o.Append("    xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\r\n");
    o.Append("    xmlns=\"http://www.topografix.com/GPX/1/0\"\r\n");
    o.Append("    xmlns:topografix=\"http://www.topografix.com/GPX/Private/TopoGrafix/0/1\"\r\n");
    o.Append(
        "    xsi:schemaLocation=\"http://www.topografix.com/GPX/1/0 http://www.topografix.com/GPX/1/0/gpx.xsd "
        "http://www.topografix.com/GPX/Private/TopoGrafix/0/1 "
        "http://www.topografix.com/GPX/Private/TopoGrafix/0/1/topografix.xsd\">\r\n");
    Cdata(o, "    <name>", h.title, "</name>");
    Cdata(o, "    <desc>", h.notes, "</desc>");
    Cdata(o, "    <author>", h.driver, "</author>");
  }

  void WriteLap(ExportContext& c, const ExportLap& lap) override {
    const Lap& l = *lap.lap;
    ByteString& o = c.out;
    if (lap.index == LapList::kSelectOptimal) {
      o.Append("<trk>\r\n    <name><![CDATA[Optimal lap]]></name>\r\n<trkseg>\r\n");
    } else {
      o.Append("<trk>\r\n    <name><![CDATA[Lap #");
      o.AppendInt(lap.index + 1);
      o.Append("]]></name>\r\n    <number>");
      o.AppendInt(lap.index + 1);
      o.Append("</number>\r\n<trkseg>\r\n");
    }
    const SampleList& samples = c.session.Samples();
    Point(o, l.Start().crossing_sample);
    if (!l.IsComposite()) {
      const int32_t from = std::max(l.Start().sample_index, c.last_written + 1);
      const int32_t to = l.LastSampleIndex() - 1;
      for (int32_t i = std::max(from, 0); i <= to && i < samples.Count(); ++i) Point(o, samples[i]);
      if (to > c.last_written) c.last_written = to;
    } else {
      // Each sector from the lap that drove it, joined at its crossings.
      for (int32_t k = 0; k < l.MarkCount(); ++k) {
        const LapMark& mark = l.MarkAt(k);
        if (mark.previous == nullptr) continue;
        for (int32_t i = std::max(mark.previous->sample_index, 0); i < mark.sample_index && i < samples.Count(); ++i)
          Point(o, samples[i]);
        if (k + 1 < l.MarkCount()) Point(o, mark.crossing_sample);
      }
    }
    const LogSample& end = l.Finish() != nullptr ? l.Finish()->crossing_sample : l.LastMark().crossing_sample;
    Point(o, end);
    o.Append("</trkseg>\r\n</trk>\r\n");
  }

  void RouteBegin(ExportContext& c) override {
    c.out.Append("<trk>\r\n    <name><![CDATA[Traveled route]]></name>\r\n    <number>1</number>\r\n<trkseg>\r\n");
  }
  void RouteSamples(ExportContext& c, int32_t from, int32_t to) override {
    const SampleList& samples = c.session.Samples();
    c.out.ReserveAppend(static_cast<int64_t>(to - from) * 240);
    for (int32_t i = from; i < to; ++i) Point(c.out, samples[i]);
  }
  void RouteEnd(ExportContext& c) override { c.out.Append("</trkseg>\r\n</trk>\r\n"); }
  void Footer(ExportContext& c) override { c.out.Append("</gpx>\r\n"); }

 private:
  static void Cdata(ByteString& o, std::string_view open, std::u16string_view text, std::string_view close) {
    o.Append(open);
    o.Append("<![CDATA[");
    AppendCdataText(o, text);
    o.Append("]]>");
    o.Append(close);
    o.Append("\r\n");
  }

  static void Decimal(ByteString& o, std::string_view open, double v, std::string_view close) {
    if (!IsSet(v)) return;
    o.Append(open);
    o.AppendReal(v, 2);
    o.Append(close);
  }

  void Point(ByteString& o, const LogSample& s) {
    if (!s.position.IsSet()) return;
    o.Append("<trkpt lat=\"");
    o.AppendReal(LatitudeDegrees(s), 7);
    o.Append("\" lon=\"");
    o.AppendReal(LongitudeDegrees(s), 7);
    o.Append("\">");
    Decimal(o, "<ele>", AltitudeMetres(s), "</ele>");
    CalendarParts p;
    if (calendar_.At(s.time, &p)) {
      o.Append("<time>");
      o.AppendInt(p.year);
      o.AppendUnit('-');
      o.AppendInt(p.month, 2);
      o.AppendUnit('-');
      o.AppendInt(p.day, 2);
      o.AppendUnit('T');
      o.AppendInt(p.hours, 2);
      o.AppendUnit(':');
      o.AppendInt(p.minutes, 2);
      o.AppendUnit(':');
      o.AppendInt(p.seconds, 2);
      o.AppendUnit('.');
      o.AppendInt(p.milliseconds, 3);
      o.Append("Z</time>");
    }
    Decimal(o, "<course>", HeadingDegrees(s), "</course>");
    Decimal(o, "<speed>", SpeedMetresPerSecond(s), "</speed>");
    // The differential flag is not kept with the samples.
    o.Append("<fix>3d</fix>");
    if ((s.flags & LogSample::kLoadedWithoutSatellites) == 0) {
      o.Append("<sat>");
      o.AppendInt(s.Satellites());
      o.Append("</sat>");
    }
    const double hdop = Hdop(s), vdop = Vdop(s);
    Decimal(o, "<hdop>", hdop, "</hdop>");
    Decimal(o, "<vdop>", vdop, "</vdop>");
    Decimal(o, "<pdop>", std::sqrt(hdop * hdop + vdop * vdop), "</pdop>");
    o.Append("</trkpt>\r\n");
  }

  SampleCalendar calendar_;
};

}  // namespace

std::unique_ptr<ExportWriter> MakeGpxWriter() { return std::make_unique<GpxWriter>(); }

}  // namespace kv
