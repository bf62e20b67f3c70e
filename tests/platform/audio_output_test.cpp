#include "platform/audio_output.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace kv::platform {
namespace {

TEST(SdlAudioOutput, QueuesAndClearsThroughTheDriverNamedAndFailsWithoutOne) {
  std::string error;
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  auto output = SdlAudioOutput::Open(&error);
  ASSERT_NE(output, nullptr) << error;
  const std::vector<int16_t> minute(60 * kClipRateHz, 1000);
  ASSERT_TRUE(output->Queue(minute.data(), minute.size()));
  const size_t queued = output->QueuedSamples();
  EXPECT_TRUE(queued > minute.size() / 2 && queued <= minute.size())
      << "the dummy plays in real time";
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
