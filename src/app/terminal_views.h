// TerminalViews: the live timer on a terminal. Each refresh recomputes the
// live figures (status, last lap or split with its difference to the
// comparison lap, the running lap, the comparison lap and the previous
// laps) and redraws them in place on one line; every finished lap also
// gets a line of its own, which is all that is printed when the output is
// not a terminal. Messages go to the error stream. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "app/terminal_progress.h"
#include "core/view_manager.h"
#include "session/session_recorder.h"

namespace kv::app {

class TerminalViews final : public ViewManager {
 public:
  // status: the connection status line (empty when there is nothing to say).
  using StatusText = std::function<std::u16string()>;
  TerminalViews(std::ostream& out, std::ostream& err, bool in_place, int32_t decimals);

  void SetSession(const SessionRecorder* session) { session_ = session; }
  void SetStatusText(StatusText status) { status_ = std::move(status); }
  void SetLowStorage(bool low) { low_storage_ = low; }
  // A progress line to keep up to date at each refresh with percent()
  // (0..100), cleared for the lap lines; null for none. It must outlive
  // its use here. While it may be drawn it takes the place of the live
  // line, which would fight it for the same terminal line.
  void SetProgress(TerminalProgress* bar, std::function<int32_t()> percent) {
    bar_ = bar;
    percent_ = std::move(percent);
    if (bar_ != nullptr && bar_->Enabled()) in_place_ = false;
  }
  bool LowStorage() const { return low_storage_; }

  void ShowMessage(std::u16string_view text) override;
  void RefreshLive(bool full) override;
  void RefreshStatus() override { RefreshLive(false); }
  void BringToFront() override {}
  // Ends the in-place line before other output.
  void Finish();

  // The live line as it would be drawn now (tests).
  std::string LiveLine() const;

 private:
  void PrintFinishedLaps();
  // The laps not printed yet, and the end of the in-place line.
  void EndLiveLine();
  std::ostream& out_;
  std::ostream& err_;
  bool in_place_;
  int32_t decimals_;
  const SessionRecorder* session_ = nullptr;
  StatusText status_;
  bool low_storage_ = false;
  TerminalProgress* bar_ = nullptr;
  std::function<int32_t()> percent_;
  int32_t laps_printed_ = 0;
  uint32_t last_draw_ = 0;
  bool line_open_ = false;
};

// "1:23.456" with `decimals` digits, rounded; "-" for no value.
std::string TimeText(int32_t ms, int32_t decimals, bool sign = false);

}  // namespace kv::app
