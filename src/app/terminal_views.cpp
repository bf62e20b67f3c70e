#include "app/terminal_views.h"

#include "platform/ticks.h"
#include "timing/live_figures.h"
#include "util/duration_text.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

// Redrawing faster than this only costs time on a fast replay.
constexpr uint32_t kRedrawIntervalMs = 100;

std::string Utf8(std::u16string_view text) { return ToUtf8(text).Std(); }

}  // namespace

std::string TimeText(int32_t ms, int32_t decimals, bool sign) {
  if (!IsSet(ms)) return "-";
  return Utf8(FormatDuration(ms, decimals, sign, true).AsView());
}

TerminalViews::TerminalViews(std::ostream& out, std::ostream& err, bool in_place, int32_t decimals)
    : out_(out), err_(err), in_place_(in_place), decimals_(decimals) {}

void TerminalViews::ShowMessage(std::u16string_view text) {
  if (bar_ != nullptr) bar_->Clear();
  EndLiveLine();
  err_ << Utf8(text) << '\n';
}

std::string TerminalViews::LiveLine() const {
  std::string line;
  std::u16string status;
  if (session_ != nullptr && session_->Paused()) status = Load(kStrStatusPaused).Std();
  if (status.empty() && status_) status = status_();
  if (status.empty() && low_storage_) status = Load(kStrStatusLowStorage).Std();
  if (!status.empty()) line += Utf8(status) + " | ";
  if (session_ == nullptr) return line;
  const SessionData& data = session_->Data();
  if (data.Header().type != kSessionLapTiming) {
    line += std::to_string(data.Samples().Count()) + " samples";
    return line;
  }
  const LapList& laps = data.Laps();
  const LiveFigures f = ComputeLiveFigures(laps);
  if (!f.any) return line + "Waiting...";
  if (f.shown_lap >= 0 && IsSet(f.shown_time)) {
    line += "Lap " + std::to_string(f.shown_lap + 1) + " " + TimeText(f.shown_time, decimals_);
    if (IsSet(f.shown_difference)) line.append(" ").append(TimeText(f.shown_difference, decimals_, true));
    if (f.last_trap >= 0 && f.last_trap < laps.Traps().Count()) line += " [" + Utf8(laps.Traps()[f.last_trap].name) + "]";
    line += " | ";
  }
  if (f.current_lap >= 0)
    line += "Running " + std::to_string(f.current_lap + 1) + " " + TimeText(f.current_time, 0) + " | ";
  if (IsSet(f.comparison_time)) {
    line += f.comparison_is_best ? "Best " : "Comparison ";
    line += (f.comparison_lap >= 0 ? std::to_string(f.comparison_lap + 1) : std::string("opt")) + " " +
            TimeText(f.comparison_time, decimals_) + " | ";
  }
  line += "Previous";
  for (int k = 0; k < 2; ++k)
    if (f.previous_lap[k] >= 0)
      line.append(" ").append(std::to_string(f.previous_lap[k] + 1)).append(":").append(
          TimeText(f.previous_time[k], decimals_));
  return line;
}

void TerminalViews::PrintFinishedLaps() {
  if (session_ == nullptr || session_->Data().Header().type != kSessionLapTiming) return;
  const LapList& laps = session_->Data().Laps();
  const int32_t completed = laps.CompletedLaps();
  while (laps_printed_ < laps.LapCount() && laps.LapAt(laps_printed_).IsFinished()) {
    const Lap& lap = laps.LapAt(laps_printed_);
    const Lap* comparison = laps.ComparisonLap(laps_printed_);
    std::string text = "Lap " + std::to_string(laps_printed_ + 1) + "  " + TimeText(lap.LapTime(), 3);
    if (comparison != nullptr && comparison != &lap && IsSet(comparison->LapTime()))
      text += "  " + TimeText(lap.LapTime() - comparison->LapTime(), 3, true);
    if (laps.BestIndex() == laps_printed_) text += "  best";
    if (in_place_ && line_open_) out_ << "\r\033[K";
    if (bar_ != nullptr) bar_->Clear();
    out_ << text << '\n';
    line_open_ = false;
    ++laps_printed_;
  }
  (void)completed;
}

void TerminalViews::RefreshLive(bool full) {
  PrintFinishedLaps();
  if (bar_ != nullptr) bar_->Update(percent_());
  if (!in_place_) return;
  const uint32_t now = platform::TickCount();
  if (!full && line_open_ && now - last_draw_ < kRedrawIntervalMs) return;
  last_draw_ = now;
  out_ << "\r\033[K" << LiveLine() << std::flush;
  line_open_ = true;
}

void TerminalViews::Finish() {
  if (bar_ != nullptr) bar_->Done();
  EndLiveLine();
}

void TerminalViews::EndLiveLine() {
  PrintFinishedLaps();
  if (line_open_) out_ << '\n';
  line_open_ = false;
  out_.flush();
}

}  // namespace kv::app
