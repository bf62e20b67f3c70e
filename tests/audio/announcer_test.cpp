// Lap announcements on a simulated session: each lap finished live is
// spoken once, with one decimal, and in the difference mode with its signed
// difference to the comparison lap; laps finished before the start are not;
// of several finished between two looks only the newest is.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "audio/announcer.h"
#include "audio/clip_composer.h"
#include "support/session_pipeline.h"
#include "support/track_simulator.h"
#include "util/utf_convert.h"

namespace kv::audio {
namespace {

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ";") + name;
  return text;
}

std::string Spoken(int32_t ms, bool sign) {
  return Joined(SplitClipList(Compose(ms, 1, sign).AsView()));
}

TEST(Announcer, EachLapFinishedLiveOnceWithItsDifferenceNewestOnly) {
  sim::SimConfig config;
  config.circuit = sim::RoundedRectangle();
  config.laps = 4;
  config.lap_speed_factor = {1.0, 1.1, 0.9, 1.0};
  sim::TrackSimulator simulator(config);
  TrapList traps(kTrapListGrowth);
  traps.Append(simulator.TrapAt(0.0, kTrapStartFinish));
  sim::SessionPipeline run(traps);
  std::vector<std::string> plain, with_difference;
  Announcer lap_time(VoiceMode::kLapTime,
                     [&](const auto& names) { plain.push_back(Joined(names)); });
  Announcer both(VoiceMode::kLapTimeAndDifference,
                 [&](const auto& names) { with_difference.push_back(Joined(names)); });
  Announcer off(VoiceMode::kOff, [](const auto&) { FAIL() << "off speaks"; });
  std::istringstream nmea(simulator.Nmea());
  bool started = false;
  for (std::string line; std::getline(nmea, line);) {
    run.Feed(line + "\n");
    // The second announcer joins after the first lap (a resumed session).
    if (!started && run.Laps().CompletedLaps() == 1) both.Start(run.Laps()), started = true;
    lap_time.Update(run.Laps());
    if (started) both.Update(run.Laps());
    off.Update(run.Laps());
  }
  const LapList& laps = run.Laps();
  std::vector<std::string> expected_plain, expected_both;
  for (int32_t k = 0; k < laps.LapCount(); ++k) {
    const Lap& lap = laps.LapAt(k);
    if (!lap.IsFinished()) continue;
    expected_plain.push_back(Spoken(lap.LapTime(), false));
    if (k == 0) continue;
    // Lap 2 is the new best, compared with lap 1; the later ones with it.
    const int32_t comparison = laps.LapAt(k == 1 ? 0 : 1).LapTime();
    expected_both.push_back(Spoken(lap.LapTime(), false) + ";" +
                            Spoken(lap.LapTime() - comparison, true));
  }
  ASSERT_EQ(expected_plain.size(), 4u);
  EXPECT_EQ(plain, expected_plain);
  EXPECT_EQ(with_difference, expected_both);
  EXPECT_NE(with_difference[1].find("plus"), std::string::npos) << "lap 3 is slower";
  EXPECT_NE(with_difference[0].find("minus"), std::string::npos) << "lap 2 is faster";

  // Two laps finished between two looks: the newest only.
  std::vector<std::string> late;
  Announcer catching_up(VoiceMode::kLapTime,
                        [&](const auto& names) { late.push_back(Joined(names)); });
  sim::SessionPipeline again(traps);
  catching_up.Start(again.Laps());
  again.Feed(simulator.Nmea());
  catching_up.Update(again.Laps());
  EXPECT_EQ(late, std::vector<std::string>{expected_plain.back()});
}

}  // namespace
}  // namespace kv::audio
