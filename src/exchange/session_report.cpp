#include "exchange/session_report.h"

#include <algorithm>
#include <charconv>

#include "exchange/report_parts.h"

namespace kv {

namespace {

constexpr size_t kAllLapsUpTo = 5;

// Screen and paper alike: charts scale to the page, and no section is cut
// across two sheets when it fits on one.
constexpr std::string_view kStyle = R"(
body{font-family:system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",sans-serif;color:#222;background:#fff;margin:1.5em auto;max-width:960px;padding:0 1em}
h1{font-size:1.6em;margin:0 0 .3em}
h2{font-size:1.2em;margin:1.4em 0 .4em;border-bottom:1px solid #ddd;padding-bottom:.2em}
table{border-collapse:collapse;font-variant-numeric:tabular-nums}
th,td{padding:.2em .6em;text-align:right;white-space:nowrap}
table.summary th{text-align:left;color:#555;font-weight:normal}
table.summary td{text-align:left}
table.laps thead th{border-bottom:2px solid #888}
table.laps tbody tr:nth-child(even){background:#f6f6f6}
table.laps tbody tr:hover{background:#e8f0fa}
table.laps td:last-child{text-align:left;white-space:normal}
td.split,th.split{border-left:1px solid #ccc}
td.best{background:#fde0e0;color:#a01010;font-weight:bold}
tr.bestlap th{color:#d62728}
tr.invalid td,tr.invalid th{color:#999;text-decoration:line-through}
tr.invalid td:last-child{text-decoration:none}
tr.optimal{font-style:italic}
.tag{background:#999;color:#fff;border-radius:3px;padding:0 .3em;font-size:.85em}
.swatch{display:inline-block;width:.8em;height:.8em;margin-right:.4em;border-radius:2px;vertical-align:baseline}
.hint{color:#666;font-size:.9em}
figure{margin:.5em 0}
.wide{overflow-x:auto}
figure svg{max-width:100%;height:auto}
@media print{
body{margin:0;max-width:none;font-size:10pt}
.wide{overflow:visible}
table.laps{font-size:8pt}
th,td{padding:.1em .3em}
section{break-inside:avoid;page-break-inside:avoid}
table.laps tbody tr:nth-child(even),td.best{-webkit-print-color-adjust:exact;print-color-adjust:exact}
}
)";

std::string Title(const SessionData& session) {
  const SessionHeader& h = session.Header();
  std::string title = report::Html(h.title.IsEmpty() ? h.base_name.AsView() : h.title.AsView());
  if (!h.track.IsEmpty()) title += " \u2013 " + report::Html(h.track.AsView());
  return title;
}

}  // namespace

std::vector<int32_t> DefaultReportLaps(const LapList& laps) {
  std::vector<int32_t> finished;
  for (int32_t i = 0; i < laps.LapCount(); ++i)
    if (laps.LapAt(i).IsFinished()) finished.push_back(i);
  if (finished.size() <= kAllLapsUpTo) return finished;
  const auto best = std::find(finished.begin(), finished.end(), laps.BestIndex());
  if (best == finished.end()) return {finished.end() - 3, finished.end()};
  std::vector<int32_t> chosen;
  if (best != finished.begin()) chosen.push_back(*(best - 1));
  chosen.push_back(*best);
  if (best + 1 != finished.end()) chosen.push_back(*(best + 1));
  return chosen;
}

bool ParseReportLaps(std::string_view text, const LapList& laps, std::vector<int32_t>* indices) {
  indices->clear();
  while (true) {
    const size_t comma = text.find(',');
    const std::string_view word = text.substr(0, comma);
    int32_t index = -1;
    if (word == "best") {
      index = laps.BestIndex();
    } else {
      int32_t number = 0;
      const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number);
      if (error != std::errc() || end != word.data() + word.size() || word.empty()) return false;
      index = number - 1;
    }
    const Lap* lap = laps.FindLap(index);
    if (lap == nullptr || !lap->IsFinished()) return false;
    if (std::find(indices->begin(), indices->end(), index) == indices->end())
      indices->push_back(index);
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

std::string SessionReport(const SessionData& session, const ReportOptions& options) {
  const std::vector<int32_t> indices =
      options.laps.empty() ? DefaultReportLaps(session.Laps()) : options.laps;
  std::vector<report::LapTrace> chosen;
  size_t colours = 0;
  for (int32_t index : indices) {
    if (session.Laps().FindLap(index) == nullptr) continue;
    report::LapTrace trace = report::TraceOf(session, index, options.units);
    trace.colour = trace.best ? report::kBestColour : report::LapColour(colours++);
    chosen.push_back(std::move(trace));
  }
  // A session without laps (performance runs, data logging) is drawn whole.
  if (chosen.empty() && session.Laps().CompletedLaps() == 0 && !session.Samples().Empty()) {
    chosen.push_back(report::SessionTrace(session, options.units));
    chosen.back().colour = report::LapColour(0);
  }
  std::string page;
  page.reserve(1 << 16);
  page +=
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
  page += Title(session);
  page += "</title>\n<style>";
  page += kStyle;
  page += "</style>\n</head>\n<body>\n<h1>";
  page += Title(session);
  page += "</h1>\n";
  const DisplayUnits units = options.units;
  page += report::SummarySection(session, units);
  page += report::LapTableSection(session, chosen, units);
  page += report::LapBarSection(session);
  page += report::SpeedSection(session, chosen, units);
  page += report::DifferenceSection(session, chosen, units);
  page += report::MapSection(session, chosen, units);
  page += report::RunsSection(session, units);
  page += report::ChannelSections(session, chosen, units);
  page += "</body>\n</html>\n";
  return page;
}

}  // namespace kv
