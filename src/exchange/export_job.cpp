#include "exchange/export_job.h"

#include <algorithm>

#include "exchange/export_writer_factory.h"
#include "util/errors.h"
#include "util/utf_convert.h"

namespace kv {

namespace {

std::string LapNumber(const ExportLap& lap) { return std::to_string(lap.index + 1); }

}  // namespace

std::vector<ExportLap> ScopeLaps(const LapList& laps, const ExportOptions& options) {
  std::vector<ExportLap> out;
  auto add = [&](int32_t index) {
    const Lap* lap = index == LapList::kSelectOptimal ? laps.Optimal() : laps.FindLap(index);
    if (lap != nullptr && (lap->IsFinished() || lap->IsComposite())) out.push_back({lap, index});
  };
  switch (options.scope) {
    case ExportScope::kBestLap:
      add(laps.BestIndex());
      break;
    case ExportScope::kSelectedLap:
      add(options.selected_lap);
      break;
    case ExportScope::kAllLaps:
      for (int32_t i = 0; i < laps.LapCount(); ++i) add(i);
      break;
    case ExportScope::kRoute:
      break;
  }
  return out;
}

std::string ScopeText(const ExportOptions& options, const std::vector<ExportLap>& laps) {
  const bool optimal = !laps.empty() && laps.front().index == LapList::kSelectOptimal;
  switch (options.scope) {
    case ExportScope::kBestLap:
      return laps.empty() ? "Best lap" : "Best lap (Lap #" + LapNumber(laps.front()) + ")";
    case ExportScope::kSelectedLap:
      if (optimal) return "Optimal lap";
      return laps.empty() ? "Lap #" : "Lap #" + LapNumber(laps.front());
    case ExportScope::kAllLaps:
      return "All laps";
    case ExportScope::kRoute:
      return "Traveled route";
  }
  return {};
}

std::string ScopeFilePart(const ExportOptions& options, const std::vector<ExportLap>& laps) {
  switch (options.scope) {
    case ExportScope::kBestLap:
      return laps.empty() ? "-best-lap" : "-best-lap-" + LapNumber(laps.front());
    case ExportScope::kSelectedLap:
      if (!laps.empty() && laps.front().index == LapList::kSelectOptimal) return "-optimal-lap";
      return laps.empty() ? "-lap" : "-lap-" + LapNumber(laps.front());
    case ExportScope::kAllLaps:
      return "-all-laps";
    case ExportScope::kRoute:
      return "-route";
  }
  return {};
}

FileKind ExportFileKind(ExportType type) {
  switch (type) {
    case ExportType::kKml: return FileKind::kKmlExport;
    case ExportType::kCsv: return FileKind::kCsvExport;
    case ExportType::kDbn: return FileKind::kDbnExport;
    case ExportType::kVbo: return FileKind::kVboExport;
    case ExportType::kDat: return FileKind::kDatExport;
    case ExportType::kGpx: return FileKind::kGpxExport;
  }
  return FileKind::kCsvExport;
}

int32_t EstimatedBytesPerSample(ExportType type) { return type == ExportType::kGpx ? 155 : 65; }

std::vector<std::pair<int32_t, int32_t>> ExportContext::LapWindow(const ExportLap& lap, bool* continues) {
  std::vector<std::pair<int32_t, int32_t>> ranges;
  const int32_t count = session.Samples().Count();
  const Lap& l = *lap.lap;
  if (!l.IsComposite()) {
    const int32_t first = l.Start().sample_index - 1 - kLapMarginSamples;
    const int32_t last = std::min(l.LastSampleIndex() + kLapMarginSamples, count - 1);
    if (continues != nullptr) *continues = last_written >= 0 && first <= last_written;
    const int32_t from = std::max({first, last_written + 1, 0});
    if (from <= last) ranges.emplace_back(from, last);
    last_written = std::max(last_written, last);
    return ranges;
  }
  // The optimal lap was driven in pieces of different laps: each sector's
  // samples in sector order, the margins before the first and after the last.
  if (continues != nullptr) *continues = false;
  const int32_t marks = l.MarkCount();
  for (int32_t k = 0; k < marks; ++k) {
    const LapMark& mark = l.MarkAt(k);
    if (mark.previous == nullptr) continue;
    int32_t from = mark.previous->sample_index - 1;
    int32_t to = mark.sample_index;
    if (k == 0) from -= kLapMarginSamples;
    if (k == marks - 1) to += kLapMarginSamples;
    from = std::max(from, 0);
    to = std::min(to, count - 1);
    if (from <= to) ranges.emplace_back(from, to);
  }
  if (!ranges.empty()) last_written = std::max(last_written, ranges.back().second);
  return ranges;
}

ExportJob::ExportJob(const SessionData& session, ExportOptions options)
    : context_{session, options, ScopeLaps(session.Laps(), options), {}, {}} {
  context_.scope_text = ScopeText(options, context_.laps);
  writer_ = MakeExportWriter(options.type, session);
  WideString base = session.Header().base_name;
  const std::string part = ScopeFilePart(options, context_.laps);
  for (char c : part) base.AppendUnit(static_cast<char16_t>(c));
  path_ = BuildPath(base, session.Header().root, ExportFileKind(options.type));
}

ExportJob::~ExportJob() = default;

int32_t ExportJob::Start() {
  const SessionHeader& header = context_.session.Header();
  const std::string folder = header.root + std::string(kAppFolder) + std::string(FolderOf(FileKind::kCsvExport));
  // The free space is asked where the file goes, after the folder exists.
  if (writer_ == nullptr) return kExportNothing;
  if (context_.options.scope == ExportScope::kRoute ? context_.session.Samples().Empty() : context_.laps.empty())
    return kExportNothing;
  if (!EnsureExportFolder(header.root)) return kExportNoFolder;
  return Start(FreeSpaceKb(folder));
}

int32_t ExportJob::Start(uint32_t free_kb) {
  if (writer_ == nullptr) return kExportNothing;
  const SampleList& samples = context_.session.Samples();
  int64_t estimate = 0;
  if (context_.options.scope == ExportScope::kRoute) {
    if (samples.Empty()) return kExportNothing;
    estimate = samples.Count();
    items_ = (samples.Count() + kRouteStepSamples - 1) / kRouteStepSamples;
  } else {
    if (context_.laps.empty()) return kExportNothing;
    for (const ExportLap& lap : context_.laps) {
      const Lap& l = *lap.lap;
      estimate += l.IsComposite() ? (l.Finish()->sample_index - l.Start().sample_index + 10)
                                  : (l.LastSampleIndex() - (l.Start().sample_index - 1) + 10);
    }
    estimate = std::max<int64_t>(estimate, 0);
    items_ = static_cast<int32_t>(context_.laps.size());
  }
  if (!EnsureExportFolder(context_.session.Header().root)) return kExportNoFolder;
  const int64_t needed_kb = (estimate * EstimatedBytesPerSample(context_.options.type) + 700000) / 1024;
  if (static_cast<int64_t>(free_kb) <= needed_kb) return kExportNoSpace;
  try {
    file_.SetPath(path_);
    // Beside the target until complete: a full card or a stopped export
    // leaves the previous export of the scope as it was, not half a file.
    file_.CreateReplacing(kExportBufferBytes);
  } catch (const CodeException& e) {
    error_ = e.code;
    done_ = true;
    return e.code;
  }
  next_item_ = -1;
  done_ = false;
  return 0;
}

void ExportJob::Flush() {
  file_.WriteBytes(context_.out.AsView());
  context_.out.Clear();
}

bool ExportJob::Step() {
  if (done_ || !file_.IsOpen()) return false;
  const bool route = context_.options.scope == ExportScope::kRoute;
  try {
    if (next_item_ < 0) {
      writer_->Header(context_);
      if (route) writer_->RouteBegin(context_);
    } else if (next_item_ < items_) {
      if (route) {
        const int32_t from = next_item_ * kRouteStepSamples;
        const int32_t to = std::min(from + kRouteStepSamples, context_.session.Samples().Count());
        writer_->RouteSamples(context_, from, to);
      } else {
        writer_->WriteLap(context_, context_.laps[static_cast<size_t>(next_item_)]);
      }
    }
    ++next_item_;
    if (next_item_ >= items_) {
      if (route) writer_->RouteEnd(context_);
      writer_->Footer(context_);
      Flush();
      done_ = true;
      if (!file_.Close() || file_.Failed()) error_ = kErrCannotOpen;
      return false;
    }
    Flush();
    if (file_.Failed()) {
      error_ = kErrCannotOpen;
      done_ = true;
      file_.Close();
      return false;
    }
  } catch (const CodeException& e) {
    error_ = e.code;
    done_ = true;
    file_.Close();
    return false;
  }
  return true;
}

int32_t ExportJob::Percent() const {
  if (done_) return 100;
  if (items_ <= 0 || next_item_ < 0) return 0;
  return std::min(100, next_item_ * 100 / items_);
}

int32_t ExportJob::RunAll() {
  const int32_t start = Start();
  if (start != 0) return start;
  while (Step()) {
  }
  return error_;
}

}  // namespace kv
