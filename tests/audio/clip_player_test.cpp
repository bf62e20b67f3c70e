#include "audio/clip_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <utility>

namespace kv::audio {
namespace {

// Holds what is still to play; PlayFor stands for the device playing.
struct FakeOutput final : platform::AudioOutput {
  bool Queue(const int16_t* s, size_t n) override { return q.insert(q.end(), s, s + n), true; }
  size_t Clear() override { return std::exchange(q, {}).size(); }
  size_t QueuedSamples() const override { return q.size(); }
  void PlayFor(size_t n) { q.erase(q.begin(), q.begin() + std::min(n, q.size())); }
  Clip q;
};

TEST(ClipPlayer, PlaysTheClipsInOrderEndToEndSkippingMissingOnes) {
  auto* output = new FakeOutput;
  ClipPlayer player{std::unique_ptr<platform::AudioOutput>(output)};
  using Case = std::tuple<const char*, std::vector<Clip>, Clip>;
  for (const auto& [legend, clips, heard] : std::vector<Case>{
           {"order kept, no gap", {{1, 1}, {2}, {3, 3, 3}}, {1, 1, 2, 3, 3, 3}},
           {"missing clips skipped, first and middle", {{}, {4}, {}, {5, 5}}, {4, 5, 5}},
           {"all missing: nothing", {{}, {}}, {}}}) {
    EXPECT_TRUE(player.Play(clips)) << legend;
    EXPECT_EQ(output->q, heard) << legend;
    EXPECT_EQ(player.Playing(), !heard.empty()) << legend;
    output->PlayFor(10);
  }
}

// 5 ms at most, from just below the sample due next, never rising, to near 0.
void ExpectFadeFrom(int16_t next, const Clip& fade, const char* legend) {
  ASSERT_TRUE(!fade.empty() && fade.size() <= 110u) << legend;
  EXPECT_TRUE(fade[0] >= next * 9 / 10 && fade[0] < next) << legend << ": " << fade[0];
  EXPECT_TRUE(std::is_sorted(fade.rbegin(), fade.rend())) << legend;
  EXPECT_LE(fade.back(), next / static_cast<int>(fade.size())) << legend;
}

TEST(ClipPlayer, ANewAnnouncementReplacesTheOneStillPlayingAfterAShortFade) {
  auto* output = new FakeOutput;
  ClipPlayer player{std::unique_ptr<platform::AudioOutput>(output)};
  const Clip& q = output->q;
  player.Play({Clip(1000, 2000), Clip(3000, 8000)});
  output->PlayFor(1000);
  player.Play({{7, 7}, {}, {9}});
  ASSERT_EQ(q.size(), 110u + 3u) << "nothing of the old one but its fade, then all of the new one";
  ExpectFadeFrom(8000, Clip(q.begin(), q.end() - 3), "cut at the second clip");
  EXPECT_EQ(Clip(q.end() - 3, q.end()), (Clip{7, 7, 9}));
  output->PlayFor(50);
  const int16_t next = q.front();
  player.Play({{5}});
  ASSERT_EQ(q.size(), 60u + 3u + 1u) << "what was left, faded again, then the new one";
  ExpectFadeFrom(next, Clip(q.begin(), q.end() - 1), "cut inside the fade");
  output->PlayFor(1000);
  player.Play({Clip(500, 4000)});
  EXPECT_EQ(q, Clip(500, 4000)) << "after the end: no fade, nothing old";
  player.Stop();
  ExpectFadeFrom(4000, q, "stopped");
}

TEST(ClipPlayer, WithoutADeviceAnnouncementsAreTakenAndNothingPlays) {
  ClipPlayer player(nullptr);
  EXPECT_FALSE(player.Play({{1, 2}}) || player.Playing());
  const std::string line = NoSoundDeviceWarning("ALSA: Couldn't open\naudio device");
  EXPECT_NE(line.find("(ALSA: Couldn't open audio device)"), std::string::npos) << "one line";
}

}  // namespace
}  // namespace kv::audio
