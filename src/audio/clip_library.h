// Where the sound of a clip name comes from: the user's own recording in
// the "Korvatinel/Sounds/" folder of their storage root wins; otherwise the
// clip bundled with the program. Main thread (or one owner thread).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv::audio {

class ClipLibrary {
 public:
  // user_root: a storage root ("/" at the end), or empty for none.
  // bundled_folder: the folder of the bundled NAME.wav files ("/" at the
  // end; StorageList::BundledSoundsFolder), or empty for none.
  ClipLibrary(std::string user_root, std::string bundled_folder);

  // Where NAME.wav is looked for, in order.
  std::vector<std::string> Candidates(std::string_view name) const;

  // The clip as mono 16-bit samples at kClipRateHz, from the first
  // candidate that holds a readable WAV (a damaged recording of the user's
  // falls back to the bundled clip). Nothing when no candidate does, or
  // the name is not a valid file name (no folders, no leading "."): the
  // caller skips the clip.
  std::optional<std::vector<int16_t>> Load(std::string_view name) const;

 private:
  std::string user_root_;
  std::string bundled_folder_;
};

}  // namespace kv::audio
