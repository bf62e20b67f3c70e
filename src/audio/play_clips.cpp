// PLAYBACK NOT AVAILABLE YET: the sound output is being built separately and
// will replace this body; callers already go through this one function.
// Until then an announcement is only its list of names (which `korvatinel
// say` prints) and this reports success without a sound.
#include "audio/play_clips.h"

namespace kv::audio {

int PlayClips(const std::vector<std::string>& /*names*/, ClipLibrary& /*library*/,
              std::ostream& /*err*/) {
  return 0;
}

}  // namespace kv::audio
