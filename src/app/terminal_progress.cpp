#include "app/terminal_progress.h"

#include <algorithm>
#include <utility>

#include "platform/terminal_input.h"
#include "platform/ticks.h"

namespace kv::app {

namespace {

bool progress_allowed = true;
constexpr int32_t kBarCells = 20;

}  // namespace

void AllowProgress(bool allowed) { progress_allowed = allowed; }
bool ProgressAllowed() { return progress_allowed; }

bool JsonRequested(const CLI::App& cli) {
  const CLI::Option* json = cli.get_option_no_throw("--json");
  if (json != nullptr && json->count() > 0) return true;
  for (const CLI::App* command : cli.get_subcommands())
    if (JsonRequested(*command)) return true;
  return false;
}

TerminalProgress::TerminalProgress(std::string label, std::ostream& err, Clock clock)
    : TerminalProgress(std::move(label), err, &err == &std::cerr && progress_allowed && platform::StderrIsTerminal(),
                       clock ? std::move(clock) : [] { return platform::TickCount(); }) {}

TerminalProgress::TerminalProgress(std::string label, std::ostream& out, bool enabled, Clock clock)
    : label_(std::move(label)), out_(out), enabled_(enabled), clock_(std::move(clock)) {
  if (enabled_) start_ = clock_();
}

void TerminalProgress::Update(int32_t percent) {
  if (!enabled_) return;
  percent = std::clamp(percent, 0, 100);
  const uint32_t now = clock_();
  if (now - start_ < kDelayMs || (drawn_ && percent == shown_)) return;
  if (shown_ >= 0 && now - last_draw_ < kIntervalMs) return;
  shown_ = percent;
  last_draw_ = now;
  drawn_ = true;
  const int32_t filled = percent * kBarCells / 100;
  out_ << '\r' << label_ << " [" << std::string(static_cast<size_t>(filled), '#')
       << std::string(static_cast<size_t>(kBarCells - filled), ' ') << "] " << percent << "%\033[K" << std::flush;
}

void TerminalProgress::Busy() {
  if (!enabled_ || drawn_ || clock_() - start_ < kDelayMs) return;
  drawn_ = true;
  out_ << '\r' << label_ << " (Ctrl-C cancels)\033[K" << std::flush;
}

void TerminalProgress::Clear() {
  if (drawn_) out_ << "\r\033[K" << std::flush;
  drawn_ = false;
}

void TerminalProgress::Done() {
  Clear();
  enabled_ = false;
}

}  // namespace kv::app
