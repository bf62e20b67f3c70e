// Which file a clip's sound comes from: the user's recording over the
// bundled clip, a damaged recording falling back, a missing clip skipped.
#include <gtest/gtest.h>

#include <filesystem>

#include "audio/clip_library.h"
#include "audio/wav_clip.h"
#include "support/temp_folder.h"

namespace kv::audio {
namespace {

TEST(ClipLibrary, PrefersTheUsersRecordingAndSkipsWhatNoFolderHolds) {
  kv::testing::TempFolder user, bundled;
  const std::string sounds = user.Path() + "Korvatinel/Sounds/";
  std::filesystem::create_directories(sounds);
  const auto put = [](const std::string& path, int16_t sample) {
    kv::testing::WriteWholeFile(path, EncodeWav(std::vector<int16_t>{sample}, kClipRateHz));
  };
  put(sounds + "minute.wav", 1), put(bundled.Path() + "minute.wav", 2),
      put(bundled.Path() + "point.wav", 3);
  put(bundled.Path() + "seconds.wav", 4), put(user.Path() + "Korvatinel/secret.wav", 5);
  kv::testing::WriteWholeFile(sounds + "seconds.wav", "RIFF damaged");
  const ClipLibrary library(user.Path(), bundled.Path());
  using Clip = std::vector<int16_t>;
  EXPECT_EQ(library.Load("minute"), Clip{1});   // the user's own
  EXPECT_EQ(library.Load("point"), Clip{3});    // only bundled
  EXPECT_EQ(library.Load("seconds"), Clip{4});  // the user's is damaged
  for (const char* name : {"hours", "../secret", ""})
    EXPECT_EQ(library.Load(name), std::nullopt) << name;
  EXPECT_EQ(ClipLibrary("", "").Load("minute"), std::nullopt);
}

}  // namespace
}  // namespace kv::audio
