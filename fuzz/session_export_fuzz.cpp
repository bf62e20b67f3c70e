// A damaged session reviewed and exported to every format and scope. The
// input is
//   byte 0:      flags: session type (% 3), creation date known (bit 2),
//                CSV separators ((>> 3) % 3)
//   byte 1:      n, the length of the user text in UTF-16 units
//   2n bytes:    the user text (any units: controls, lone surrogates, "]]>"),
//                used as title, driver, notes, track and trap name
//   the rest:    a sample file, loaded as review loads it.
// The traps are those of the demo circuit, so recorded laps cross them.
// The result tables and channels are computed as review shows them. Every
// export must finish; its text must be UTF-8, and the XML formats must hold
// no character XML forbids.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "exchange/export_job.h"
#include "exchange/export_writer_factory.h"
#include "storage/sample_loader.h"
#include "timing/channels.h"
#include "timing/geodesy.h"
#include "timing/result_table.h"
#include "timing/trap.h"
#include "util/utf_convert.h"

namespace {

kv::Trap DemoTrap(const kv::WideString& name, kv::TrapLineType type, double lat, double lon, double bearing) {
  kv::Trap trap;
  kv::SetTrap(trap, name, type,
              kv::RadiansToIntPoint(kv::DegToRad(lat), kv::DegToRad(lon)), kv::DegToRad(bearing),
              kv::MetresToRad(30.0), true);
  return trap;
}

// The UTF-8 is well formed, and for XML free of C0 controls other than tab,
// LF and CR and of U+FFFE and U+FFFF.
bool CleanText(std::string_view text, bool xml) {
  while (!text.empty()) {
    const kv::DecodedPoint p = kv::DecodeUtf8(text);
    if (p.point == kv::kReplacementCharacter &&
        text.substr(0, static_cast<size_t>(p.length)) != "\xEF\xBF\xBD")
      return false;
    if (xml && ((p.point < 0x20 && p.point != '\t' && p.point != '\n' && p.point != '\r') || p.point == 0xFFFE ||
                p.point == 0xFFFF))
      return false;
    text.remove_prefix(static_cast<size_t>(p.length));
  }
  return true;
}

// The job's steps, into memory instead of a file.
std::string ExportToMemory(const kv::SessionData& session, const kv::ExportOptions& options) {
  kv::ExportContext c{session, options, kv::ScopeLaps(session.Laps(), options), {}, {}};
  c.scope_text = kv::ScopeText(options, c.laps);
  const std::unique_ptr<kv::ExportWriter> writer = kv::MakeExportWriter(options.type, session);
  const bool route = options.scope == kv::ExportScope::kRoute;
  if (route ? session.Samples().Empty() : c.laps.empty()) return {};
  writer->Header(c);
  if (route) {
    writer->RouteBegin(c);
    for (int32_t from = 0; from < session.Samples().Count(); from += kv::kRouteStepSamples)
      writer->RouteSamples(c, from, std::min(from + kv::kRouteStepSamples, session.Samples().Count()));
    writer->RouteEnd(c);
  } else {
    for (const kv::ExportLap& lap : c.laps) writer->WriteLap(c, lap);
  }
  writer->Footer(c);
  return c.out.Std();
}

// What review shows of the same session: every result table of every row,
// and every channel of every sample.
void Review(const kv::SessionData& session) {
  const kv::LapList& laps = session.Laps();
  for (int32_t row : laps.TableRows()) {
    const kv::Lap& lap = row == kv::LapList::kSelectOptimal ? *laps.Optimal() : laps.LapAt(row);
    for (const kv::ResultTable table : {kv::ResultTable::kSectors, kv::ResultTable::kSplits,
                                        kv::ResultTable::kTrapSpeeds, kv::ResultTable::kInformation})
      kv::ResultRow(table, lap, laps.ComparisonLap(row), laps.ReferenceLap());
    kv::ExtremeRows(lap);
  }
  const kv::SampleList& samples = session.Samples();
  const kv::ChannelReference reference = kv::ReferenceAt(samples, 0);
  const kv::ObdSeries obd(session.ObdRecords());
  const std::vector<int32_t> obd_channels = obd.Channels();
  for (int32_t i = 0; i < samples.Count(); ++i) {
    double value = 0.0;
    for (int32_t c = 0; c < kv::kGpsChannelCount; ++c) kv::GpsChannelValue(samples, c, i, reference, &value);
    for (int32_t c : obd_channels) obd.ValueAt(c, samples[i].time);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t flags = data[0];
  const size_t units = data[1];
  if (size < 2 + 2 * units) return 0;
  kv::WideString text;
  for (size_t i = 0; i < units; ++i)
    text.AppendUnit(static_cast<char16_t>(data[2 + 2 * i] | (data[3 + 2 * i] << 8)));
  const std::string sample_bytes(reinterpret_cast<const char*>(data) + 2 + 2 * units, size - 2 - 2 * units);

  kv::SampleLoader loader = kv::SampleLoader::FromBytes(sample_bytes);
  loader.LoadAll();
  kv::SampleData loaded = std::move(loader.Data());

  kv::SessionHeader header;
  header.base_name = kv::WideString(u"20090521-1800");
  header.root = "/nonexistent/";
  header.type = flags % 3;
  header.title = header.driver = header.notes = header.track = header.test = text;
  if (flags & 4)
    header.created = {kv::DateTimeValue::MakeDay(2009, 5, 21), kv::DateTimeValue::MakeTime(18, 0, 0, 0)};
  kv::SessionData session(header, kv::LapSettings{});
  kv::TrapList traps(kv::kTrapListGrowth);
  traps.Append(DemoTrap(text, kv::kTrapStartFinish, 50.4362805, 5.972, 90.0));
  traps.Append(DemoTrap(text, kv::kTrapSplit, 50.437590666666665, 5.974054833333334, 326.25));
  traps.Append(DemoTrap(text, kv::kTrapDisabled, 50.437692166666665, 5.970121833333334, 243.75));
  session.SetTraps(traps);
  session.SetSamples(std::move(loaded.samples));
  session.SetObdRecords(std::move(loaded.obd_records));
  session.Recompute();
  Review(session);

  for (const kv::ExportType type :
       {kv::ExportType::kCsv, kv::ExportType::kVbo, kv::ExportType::kDat, kv::ExportType::kGpx, kv::ExportType::kKml}) {
    const bool xml = type == kv::ExportType::kGpx || type == kv::ExportType::kKml;
    kv::ExportOptions options;
    options.type = type;
    options.csv = static_cast<kv::CsvSeparators>((flags >> 3) % 3);
    const struct {
      kv::ExportScope scope;
      int32_t lap;
    } scopes[] = {{kv::ExportScope::kBestLap, 0},     {kv::ExportScope::kSelectedLap, 0},
                  {kv::ExportScope::kSelectedLap, 1}, {kv::ExportScope::kSelectedLap, kv::LapList::kSelectOptimal},
                  {kv::ExportScope::kAllLaps, 0},     {kv::ExportScope::kRoute, 0}};
    for (const auto& s : scopes) {
      options.scope = s.scope;
      options.selected_lap = s.lap;
      if (!CleanText(ExportToMemory(session, options), xml)) std::abort();
    }
  }
  return 0;
}
