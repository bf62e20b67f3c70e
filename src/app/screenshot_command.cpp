// `korvatinel screenshot SESSION --at SECONDS [--size WxH] [--mode panel|map|face] -o FILE.png`:
// the live timer as it looked that far into a recorded session. The
// session's samples are replayed through the live pipeline (the laps timed
// as they were while driving) up to that moment, and the window's picture is
// painted without a display and written as PNG.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "app/argument_checks.h"
#include "app/command_list.h"
#include "app/review_commands.h"
#include "app/session_address.h"
#include "platform/canvas.h"
#include "platform/file_io.h"
#include "ui/live_timer_view.h"
#include "ui/timer_content.h"
#include "util/errors.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

struct ScreenshotOptions {
  std::string data_dir;
  std::string session;
  double at_seconds = 0;
  std::string size = "800x480";
  std::string mode;
  std::string output;
};

bool ParseSize(const std::string& text, int32_t* width, int32_t* height) {
  int w = 0, h = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &end) != 2) return false;
  if (w < 64 || h < 64 || w > 8192 || h > 8192) return false;
  *width = w, *height = h;
  return true;
}

// "Fixed to 9 satellites  REC  14:03:27" as the header shows it.
WideString HeaderText(int32_t satellites, int32_t time) {
  WideString text = FormatN(kStrGpsFixed, satellites);
  text.Append(u"   REC   ");
  text.AppendClockHms(time % 86400000);
  text.Append(u" UTC");
  return text;
}

int RunScreenshot(const ScreenshotOptions& o, std::ostream& out, std::ostream& err) {
  int32_t width = 0, height = 0;
  ParseSize(o.size, &width, &height);  // checked by the option
  StorageContext context(o.data_dir);
  int load_status = 1;
  const std::unique_ptr<SessionData> recorded = LoadNamed(context, o.session, err, &load_status);
  if (!recorded) return load_status;
  const SampleList& samples = recorded->Samples();
  if (samples.Empty()) {
    err << "The session " << o.session << " has no samples.\n";
    return 1;
  }
  const bool logging = recorded->Header().type == kSessionDataLogging;
  SessionData replay(recorded->Header(), LapSettingsFrom(context.settings.hilo_threshold));
  replay.SetTraps(recorded->Traps());
  replay.Recompute();
  const int64_t until =
      int64_t{samples[0].time} + static_cast<int64_t>(o.at_seconds * 1000.0 + 0.5);
  for (int32_t i = 0; i < samples.Count() && samples[i].time <= until; ++i)
    replay.AppendLive(samples[i]);
  const LogSample& now =
      replay.Samples().Empty() ? samples[0] : replay.Samples()[replay.Samples().Count() - 1];

  ui::StatusInputs status;
  status.lap_timing = recorded->Header().type == kSessionLapTiming;
  status.start_line = HasStartLine(replay.Traps());
  status.finish_line = HasFinishLine(replay.Traps());
  const ui::LiveTimerState state = ui::ComputeLiveTimerState(
      replay.Laps(), status, static_cast<ui::Backlight>(context.settings.timer_backlight));
  ui::LiveTimerView view(logging, context.settings.predicted_difference != 0 && status.lap_timing);
  if (!o.mode.empty())
    view.SetMode(o.mode == "panel" ? ui::TimerMode::kSplit
                 : o.mode == "map" ? ui::TimerMode::kMap
                                   : ui::TimerMode::kFace);
  ui::PaintInputs in;
  in.decimals = static_cast<int32_t>(context.settings.timer_decimals);
  in.satellites = now.Satellites();
  in.header = HeaderText(in.satellites, now.time);
  in.route = &replay.Samples();
  in.traps = &replay.Traps();
  platform::Canvas canvas(width, height);
  view.Paint(canvas, state, in);
  if (canvas.FontError() != 0) {
    err << "The fonts were not found (Debian package fonts-dejavu-core).\n";
    return 1;
  }
  if (const int32_t error = canvas.SavePng(o.output); error != 0) {
    err << "Cannot write " << o.output << ": " << platform::ErrorText(error) << '\n';
    return 1;
  }
  out << o.output << '\n';
  return 0;
}

}  // namespace

void AddScreenshotCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands) {
  auto o = std::make_shared<ScreenshotOptions>();
  CLI::App* shot =
      cli.add_subcommand("screenshot", "The live timer as it was at a moment of a session, as PNG");
  shot->add_option("SESSION", o->session, kSessionAddressHelp)->required();
  shot->add_option("--at", o->at_seconds, "Seconds into the session")
      ->required()
      ->check(RealWithin(0.0, 1e6));
  shot->add_option("--size", o->size, "WIDTHxHEIGHT in pixels, 64 to 8192 (800x480)")
      ->check(Accepts(
          [](const std::string& t) {
            int32_t w, h;
            return ParseSize(t, &w, &h);
          },
          "WIDTHxHEIGHT"));
  shot->add_option("--mode", o->mode, "panel, map or face (default: the one the timer opens with)")
      ->check(CLI::IsMember({"panel", "map", "face"}));
  shot->add_option("-o,--output", o->output, "The PNG file to write")->required();
  commands.Add(shot, [o, &globals] {
    o->data_dir = globals.data_dir;
    return RunScreenshot(*o, std::cout, std::cerr);
  });
}

}  // namespace kv::app
