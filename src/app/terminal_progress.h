// TerminalProgress: one progress line ("Loading session... [####    ] 40%")
// for work that may take a while: loading, exporting, replaying. It is
// drawn on the error stream only when that is a terminal and progress is
// allowed (not with --no-progress, not for a command writing --json), so
// pipes and logs never see it. Nothing is drawn for work done within
// 0.5 s; after that the line is redrawn at most every 100 ms, and Done()
// (or the destructor) erases it, so a message that follows starts on a
// clean line. Main thread only.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <iostream>
#include <ostream>
#include <string>

namespace kv::app {

// Process-wide: false turns every progress line off (set once from the
// command line, before any work starts).
void AllowProgress(bool allowed);
bool ProgressAllowed();
// Whether the parsed command line asked some (sub)command for --json.
bool JsonRequested(const CLI::App& cli);

class TerminalProgress {
 public:
  using Clock = std::function<uint32_t()>;  // monotonic ms, wrapping
  static constexpr uint32_t kDelayMs = 500;
  static constexpr uint32_t kIntervalMs = 100;

  // On `err` when it is std::cerr, progress is allowed and stderr is a
  // terminal; never on any other stream. No clock: the tick counter.
  explicit TerminalProgress(std::string label, std::ostream& err = std::cerr, Clock clock = nullptr);
  // On `out` when `enabled`, timed by `clock` (tests).
  TerminalProgress(std::string label, std::ostream& out, bool enabled, Clock clock);
  ~TerminalProgress() { Done(); }
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  // Whether anything may be drawn at all.
  bool Enabled() const { return enabled_; }
  // percent: 0..100 of the work done (clamped).
  void Update(int32_t percent);
  // For work of unknown length: the label alone, with how to cancel it,
  // drawn once the delay has passed (and again after Clear).
  void Busy();
  // Erases the line if it was drawn, for other output; the next update
  // draws it again.
  void Clear();
  // Erases the line if it was drawn; later updates draw nothing.
  void Done();

 private:
  std::string label_;
  std::ostream& out_;
  bool enabled_;
  Clock clock_;
  uint32_t start_ = 0;
  uint32_t last_draw_ = 0;
  int32_t shown_ = -1;   // the percent drawn last; -1 before the first draw
  bool drawn_ = false;   // the line is on the screen now
};

}  // namespace kv::app
