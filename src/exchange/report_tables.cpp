#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "exchange/export_text.h"
#include "exchange/report_parts.h"
#include "timing/result_table.h"
#include "util/duration_text.h"
#include "util/utf_convert.h"

namespace kv::report {

namespace {

std::string Number(double v, int decimals) {
  if (!IsSet(v)) return "-";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
  return buffer;
}

void Row(std::string& out, std::string_view label, const std::string& value_html) {
  if (value_html.empty()) return;
  out.append("<tr><th>")
      .append(label)
      .append("</th><td>")
      .append(value_html)
      .append("</td></tr>\n");
}

std::string Swatch(uint32_t colour) {
  return "<span class=\"swatch\" style=\"background:" + ColourText(colour) + "\"></span>";
}

}  // namespace

std::string SummarySection(const SessionData& session, DisplayUnits units) {
  const SessionHeader& h = session.Header();
  const LapList& laps = session.Laps();
  const SampleList& samples = session.Samples();
  std::string out = "<section id=\"summary\">\n<table class=\"summary\">\n";
  // When the driving began, by the receiver's date; else when the session
  // was created.
  DateTimeValue when = h.created;
  SampleCalendar calendar(session);
  CalendarParts parts;
  if (!samples.Empty() && calendar.At(samples[0].time, &parts))
    when = {DateTimeValue::MakeDay(parts.year, parts.month, parts.day),
            DateTimeValue::MakeTime(parts.hours, parts.minutes, parts.seconds, 0)};
  if (when.IsKnown()) {
    ByteString text;
    AppendDateText(text, when);
    text.AppendUnit(' ');
    AppendTimeText(text, when);
    Row(out, "Date and time", text.Std() + " UTC");
  }
  Row(out, "Track", Html(h.track));
  Row(out, "Driver", Html(h.driver));
  if (h.type == kSessionPerformance) Row(out, "Test", Html(h.test));
  Row(out, "Notes", Html(h.notes));
  double top = kNoValue;
  for (int32_t i = 0; i < samples.Count(); ++i) {
    const double v = SpeedFromKmh(Kmh(samples[i].speed), units);
    if (IsSet(v) && (!IsSet(top) || v > top)) top = v;
  }
  if (h.type == kSessionLapTiming) {
    Row(out, "Laps", std::to_string(laps.CompletedLaps()));
    if (laps.Best() != nullptr)
      Row(out, "Best lap",
          "<b>" + TimeText(laps.Best()->LapTime()) + "</b> (lap " +
              std::to_string(laps.BestIndex() + 1) + ")");
    if (laps.Optimal() != nullptr) Row(out, "Optimal lap", TimeText(laps.Optimal()->LapTime()));
  }
  if (IsSet(top)) Row(out, "Top speed", Number(top, 1) + " " + SpeedUnitText(units));
  if (!samples.Empty()) {
    Row(out, "Duration", TimeText(samples[samples.Count() - 1].time - samples[0].time));
    const double distance = Metres(samples[samples.Count() - 1].distance);
    if (IsSet(distance))
      Row(out, "Distance", Number(LongDistanceFromMetres(distance, units), 2) + " " + LongDistanceUnitText(units));
  }
  out += "</table>\n</section>\n";
  return out;
}

std::string LapTableSection(const SessionData& session, const std::vector<LapTrace>& chosen,
                            DisplayUnits units) {
  const LapList& laps = session.Laps();
  if (laps.LapCount() == 0) return {};
  const Lap* reference = laps.ReferenceLap();
  const TrapList& traps = session.Traps();
  struct Line {
    int32_t row;
    const Lap* lap;
    std::vector<int32_t> cells;  // lap time, sectors, splits, maximum speed (stored)
  };
  std::vector<Line> lines;
  size_t sector_count = 0, split_count = 0;
  for (int32_t row : laps.TableRows()) {
    const Lap& lap = row == LapList::kSelectOptimal ? *laps.Optimal() : laps.LapAt(row);
    Line line{row, &lap, {}};
    const std::vector<ResultCell> sectors =
        ResultRow(ResultTable::kSectors, lap, nullptr, reference);
    const std::vector<ResultCell> splits = ResultRow(ResultTable::kSplits, lap, nullptr, reference);
    sector_count = std::max(sector_count, sectors.size());
    split_count = std::max(split_count, splits.size());
    for (const ResultCell& c : sectors) line.cells.push_back(c.value);
    line.cells.resize(sector_count, kNotSet);
    for (const ResultCell& c : splits) line.cells.push_back(c.value);
    line.cells.resize(sector_count + split_count, kNotSet);
    lines.push_back(std::move(line));
  }
  // The smallest time of each column among the driven, valid laps.
  const size_t columns = sector_count + split_count;
  std::vector<int32_t> best(columns, kNotSet);
  for (const Line& l : lines) {
    if (l.row < 0 || l.lap->IsInvalid()) continue;
    for (size_t c = 0; c < l.cells.size() && c < columns; ++c)
      if (IsSet(l.cells[c]) && l.cells[c] > 0 && (!IsSet(best[c]) || l.cells[c] < best[c]))
        best[c] = l.cells[c];
  }
  std::map<int32_t, uint32_t> colours;
  for (const LapTrace& t : chosen) colours[t.index] = t.colour;

  std::string out =
      "<section id=\"laps\">\n<h2>Laps</h2>\n<div class=\"wide\"><table "
      "class=\"laps\">\n<thead><tr><th>Lap</th><th>Time</th>";
  const auto trap_name = [&](size_t mark) -> std::string {
    if (reference == nullptr || mark >= static_cast<size_t>(reference->MarkCount())) return {};
    const int32_t trap = reference->MarkAt(static_cast<int32_t>(mark)).trap_index;
    return trap >= 0 && trap < traps.Count() ? Html(traps[trap].name) : std::string();
  };
  for (size_t s = 1; s < sector_count; ++s)
    out += "<th title=\"to " + trap_name(s - 1) + "\">S" + std::to_string(s) + "</th>";
  for (size_t s = 0; s < split_count; ++s) out += "<th class=\"split\">" + trap_name(s) + "</th>";
  out += std::string("<th>Max (") + SpeedUnitText(units) + ")</th><th>Notes</th></tr></thead>\n<tbody>\n";
  for (const Line& l : lines) {
    const bool optimal = l.row == LapList::kSelectOptimal;
    const bool invalid = !optimal && l.lap->IsInvalid();
    std::string classes = optimal ? "optimal" : invalid ? "invalid" : "";
    if (l.row == laps.BestIndex()) classes += " bestlap";
    out += "<tr" + (classes.empty() ? std::string() : " class=\"" + classes + "\"") + "><th>";
    const auto colour = colours.find(l.row);
    if (colour != colours.end()) out += Swatch(colour->second);
    out += optimal ? "Optimal" : std::to_string(l.row + 1);
    out += "</th>";
    for (size_t c = 0; c < columns; ++c) {
      const int32_t v = l.cells[c];
      const bool is_best = IsSet(v) && v == best[c] && !optimal && !invalid;
      const bool unfinished_lap_time = c == 0 && !optimal && !l.lap->IsFinished();
      out +=
          is_best ? "<td class=\"best\">" : (c == sector_count ? "<td class=\"split\">" : "<td>");
      out += unfinished_lap_time ? "*" : TimeText(v);
      out += "</td>";
    }
    out += "<td>" + Number(SpeedFromKmh(Kmh(l.lap->MaximumSpeed()), units), 1) + "</td><td>";
    if (invalid) out += "<span class=\"tag\">invalid</span> ";
    if (!optimal) out += Html(laps.NoteText(l.row).AsView());
    out += "</td></tr>\n";
  }
  out += "</tbody>\n</table></div>\n";
  if (laps.Optimal() != nullptr)
    out +=
        "<p class=\"hint\">The optimal lap is a combination of best sectors in this session.</p>\n";
  out += "</section>\n";
  return out;
}

std::string RunsSection(const SessionData& session, DisplayUnits units) {
  const PerfTestEngine* engine = session.Runs();
  if (engine == nullptr) return {};
  std::string rows;
  for (int32_t t = 0; t < static_cast<int32_t>(engine->Tests().size()); ++t) {
    const PerfTestResult r = engine->Result(t);
    if (r.completed == 0) continue;
    const std::string name = Html(engine->Tests()[static_cast<size_t>(t)].name);
    for (size_t k = 0; k < r.runs.size(); ++k) {
      const PerfRun& run = r.runs[k];
      if (!run.Finished()) continue;
      const bool best = static_cast<int32_t>(k) == r.best;
      rows += "<tr><th>" + name + "</th><td>" + std::to_string(r.attempts[k]) + "</td><td" +
              (best ? " class=\"best\">" : ">") + TimeText(run.RunTime()) + "</td><td>" +
              Number(SpeedFromKmh(Kmh(run.finish_speed), units), 1) + "</td></tr>\n";
    }
  }
  if (rows.empty()) return {};
  const std::string head =
      "<section id=\"runs\">\n<h2>Performance runs</h2>\n<table "
      "class=\"laps\">\n<thead><tr><th>Test</th>"
      "<th>Attempt</th><th>Time</th><th>Finish speed (";
  return head + SpeedUnitText(units) + ")</th></tr></thead>\n<tbody>\n" + rows + "</tbody>\n</table>\n" +
         RunChart(session, units) + "</section>\n";
}

}  // namespace kv::report
