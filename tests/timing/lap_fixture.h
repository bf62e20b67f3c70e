// A session with hand-made crossings: samples every 100 ms at a constant
// 20 m/s for 20 minutes, and crossings placed at chosen times. Lets the lap
// engine tests state lap, split and sector times in round numbers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/session_pipeline.h"
#include "timing/lap_list.h"

namespace kv {

inline constexpr int32_t kS = 1000;  // ms

class LapFixture : public ::testing::Test {
 protected:
  static constexpr int32_t kStep = 100;  // ms between samples

  LapFixture() {
    for (int32_t i = 0; i < 12000; ++i) {
      LogSample s;
      s.time = i * kStep;
      s.position = {i, i};
      s.speed = MetresPerSecondToStored(20.0);
      s.distance = RadToAngleValue(MetresToRad(2.0 * i));
      s.flags = 8;
      samples_.Append(s);
    }
  }

  // Adds traps of these types (their geometry is not used here).
  void AddTraps(const std::vector<TrapLineType>& types) {
    for (TrapLineType type : types) {
      Trap trap;
      trap.line_type = type;
      traps_.Append(trap);
    }
  }

  // A crossing of `trap` at time `ms` (a multiple of 10 ms), found between
  // the samples around it, `gap` ms apart.
  void Cross(int32_t trap, int32_t ms, int32_t gap = kStep, uint8_t extra_flags = 0) {
    TrapCrossing c;
    c.trap_index = trap;
    c.sample_index = ms / kStep + 1;
    c.sample_interval = gap;
    c.crossing_sample = InterpolateSample(samples_, c.sample_index, (ms % kStep) / static_cast<double>(kStep));
    c.crossing_sample.flags |= extra_flags;
    crossings_.Append(c);
  }

  // Laps on the first trap with the given lap times (s), from 10 s on.
  void DriveLaps(std::initializer_list<int32_t> seconds) {
    int32_t t = 10 * kS;
    Cross(0, t);
    for (int32_t s : seconds) Cross(0, t += s * kS);
    Consume();
  }

  bool Consume(bool live = false) { return laps_.ConsumeCrossings(crossings_, live); }

  SampleList samples_{kSampleListGrowth};
  TrapList traps_{kTrapListGrowth};
  CrossingList crossings_{kCrossingListGrowth};
  LapSettings settings_;
  sim::MemoryNoteStore notes_;
  LapList laps_{samples_, traps_, settings_, &notes_};
};

}  // namespace kv
