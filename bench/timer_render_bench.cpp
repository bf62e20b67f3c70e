// One frame of the live timer: PaintLiveTimer into the window's canvas,
// which lives on from frame to frame as the window's does; a lap result on
// show, as it is for most of a lap. The face, and the
// split mode with a five-lap route of 3000 points on the map, at 800x480
// and 1920x1080. Target: under 2 ms per frame.
#include <benchmark/benchmark.h>

#include "platform/canvas.h"
#include "support/track_simulator.h"
#include "timing/geodesy.h"
#include "ui/live_timer_painter.h"

namespace kv {
namespace {

constexpr int32_t kPoints = 3000;
constexpr int32_t kLaps = 5;

struct Drive {
  Drive() {
    sim::SimConfig config;
    config.circuit = sim::RoundedRectangle();
    sim::TrackSimulator simulator(config);
    const double step = kLaps * simulator.LapDuration() / kPoints;
    for (int32_t k = 0; k < kPoints; ++k) {
      double x, y, speed, heading, lat, lon;
      simulator.StateAt(k * step, &x, &y, &speed, &heading);
      simulator.ToRadians(x, y, &lat, &lon);
      LogSample s;
      s.time = 12 * 3600000 + static_cast<int32_t>(k * step);
      s.position = RadiansToIntPoint(lat, lon);
      s.heading = RadiansToHeadingWord(DegToRad(heading));
      route.Append(s);
    }
    traps.Append(simulator.TrapAt(1.0, kTrapStartFinish));
    traps.Append(simulator.TrapAt(simulator.LapLength() / 2, kTrapSplit));
    timer.has_result = true;
    timer.result_number = 4, timer.result_time = 83456, timer.result_diff = -1234;
    timer.comparison_number = 2, timer.comparison_time = 84690;
    timer.held_previous_number = 3, timer.held_previous_time = 85999;
    timer.current_number = 5, timer.running_time = 12345;
    timer.trap_name = WideString(u"Start/Finish");
  }
  SampleList route{kSampleListGrowth};
  TrapList traps{kTrapListGrowth};
  ui::LiveTimerState timer;
};

void BM_Frame(benchmark::State& state, ui::TimerMode mode, int32_t width, int32_t height) {
  static const Drive drive;
  ui::PaintInputs in;
  in.mode = mode, in.satellites = 9, in.route = &drive.route, in.traps = &drive.traps;
  platform::Canvas canvas(width, height);
  int32_t frame = 0;
  for (auto _ : state) {
    // A frame per sample at 10 Hz: the header's clock moves every tenth.
    if (frame++ % 10 == 0) {
      in.header = WideString(u"Fixed to 9 satellites   REC   ");
      in.header.AppendClockHms(12 * 3600000 + frame * 100);
    }
    ui::PaintLiveTimer(canvas, drive.timer, in);
    benchmark::DoNotOptimize(canvas.Pixel(0, 0));
  }
}
BENCHMARK_CAPTURE(BM_Frame, face_800x480, ui::TimerMode::kFace, 800, 480)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Frame, split_800x480, ui::TimerMode::kSplit, 800, 480)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Frame, face_1920x1080, ui::TimerMode::kFace, 1920, 1080)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Frame, split_1920x1080, ui::TimerMode::kSplit, 1920, 1080)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv

BENCHMARK_MAIN();
