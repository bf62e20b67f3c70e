#include "platform/audio_output.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace kv::platform {
namespace {

// SDL's "dummy" driver plays in real time into nothing: most of a minute
// of sound is still queued when the test looks.
TEST(SdlAudioOutput, QueuesAndClearsThroughTheDriverNamedAndFailsWithoutOne) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  std::string error;
  auto output = SdlAudioOutput::Open(&error);
  ASSERT_NE(output, nullptr) << error;
  const std::vector<int16_t> minute(60 * kClipRateHz, 1000);
  ASSERT_TRUE(output->Queue(minute.data(), minute.size()));
  const size_t queued = output->QueuedSamples();
  EXPECT_TRUE(queued > minute.size() / 2 && queued <= minute.size()) << queued;
  EXPECT_GE(output->Clear(), queued / 2) << "what was left, counted as it is dropped";
  EXPECT_EQ(output->QueuedSamples(), 0u);
  output.reset();  // SDL ends with its last user and starts again below
  setenv("SDL_AUDIODRIVER", "nonexistent", 1);
  EXPECT_EQ(SdlAudioOutput::Open(&error), nullptr);
  EXPECT_NE(error.find("nonexistent"), std::string::npos) << error;
  unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
}  // namespace kv::platform
