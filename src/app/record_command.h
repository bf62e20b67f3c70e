// `korvatinel record`, `resume` and `demo`: a live session through the
// real reader threads and the main loop, until the GPS source ends, `q` is
// typed, or SIGINT/SIGTERM arrives (each ends it cleanly: files on the
// disk, settings written, exit status 0). `p` pauses and continues.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace kv::app {

// The live timer in a window: when a display is named, always (an error
// when none opens), or never.
enum class WindowChoice { kAuto, kForce, kHeadless };

struct RecordOptions {
  std::string data_dir;
  std::string gps;                  // SOURCE
  std::string obd;                  // SOURCE, empty for none
  std::string obd_channels;         // high-priority channels (names or numbers), empty: the settings'
  std::string obd_low_channels;     // low-priority channels
  std::string type = "lap";         // lap, perf, log
  std::string track, test, title, driver;
  bool no_nmea_log = false;
  bool fast = false;
  WindowChoice window = WindowChoice::kHeadless;  // the commands' default is kAuto
  bool full_screen = false;
  int32_t voice = 0;  // spoken lap times: an audio::VoiceMode, -1 as the settings say (the commands' default)
  std::string session;              // resume: the base name
  // Where the single-instance lock lives (empty: the user's runtime folder).
  std::string runtime_folder;
  // The demo's own temporary folder, removed at its end: no paths into it
  // are printed.
  bool throwaway_folder = false;
};

// Exit status: 0 recorded (or ended cleanly), 1 refused or failed (the
// message is on `err`), 2 bad arguments.
int RunRecord(const RecordOptions& options, std::ostream& out, std::ostream& err);
int RunResume(const RecordOptions& options, std::ostream& out, std::ostream& err);
// Installs the demo track, replays the bundled demo recording at the
// replay pace (fast: without pacing) into `data_dir` and writes its report
// there; when `data_dir` is empty, into a temporary folder that is removed
// at the end, with no report.
// `shown`: the window and voice choices of the command line.
int RunDemo(const std::string& data_dir, const RecordOptions& shown, std::ostream& out, std::ostream& err);

}  // namespace kv::app
