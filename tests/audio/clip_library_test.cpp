// Which file a clip's sound comes from: the user's recording over the
// bundled clip, a damaged recording falling back, a missing clip skipped.
#include <gtest/gtest.h>

#include <filesystem>

#include "audio/clip_library.h"
#include "audio/wav_clip.h"
#include "support/temp_folder.h"

namespace kv::audio {
namespace {

using kv::testing::TempFolder;
using kv::testing::WriteWholeFile;

TEST(ClipLibrary, PrefersTheUsersRecordingAndSkipsWhatNoFolderHolds) {
  TempFolder user, bundled;
  const std::string sounds = user.Path() + "Korvatinel/Sounds/";
  std::filesystem::create_directories(sounds);
  const auto wav = [](int16_t sample) {
    return EncodeWav(std::vector<int16_t>{sample}, kClipRateHz);
  };
  WriteWholeFile(sounds + "minute.wav", wav(1));
  WriteWholeFile(bundled.Path() + "minute.wav", wav(2));
  WriteWholeFile(bundled.Path() + "point.wav", wav(3));
  WriteWholeFile(sounds + "seconds.wav", "RIFF damaged");
  WriteWholeFile(bundled.Path() + "seconds.wav", wav(4));
  WriteWholeFile(user.Path() + "Korvatinel/secret.wav", wav(5));

  const ClipLibrary library(user.Path(), bundled.Path());
  const struct {
    const char* name;
    std::optional<std::vector<int16_t>> samples;
  } cases[] = {
      {"minute", std::vector<int16_t>{1}},   // the user's own
      {"point", std::vector<int16_t>{3}},    // only bundled
      {"seconds", std::vector<int16_t>{4}},  // the user's is damaged
      {"hours", std::nullopt},               // nowhere
      {"../secret", std::nullopt},           // not a clip name
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(library.Load(c.name), c.samples) << c.name;
  EXPECT_EQ(ClipLibrary("", "").Load("minute"), std::nullopt);
}

}  // namespace
}  // namespace kv::audio
