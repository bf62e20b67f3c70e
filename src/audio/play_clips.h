// Playing an announcement: the clips one after another, without overlap,
// a missing clip skipped.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "audio/clip_library.h"
#include "audio/clip_player.h"

namespace kv::audio {

// The clips of `names` in order, a missing one empty (the player skips
// it) and named once on `err`.
std::vector<Clip> LoadClips(const std::vector<std::string>& names, const ClipLibrary& library,
                            std::ostream& err);

// Plays `names` in order from `library` and returns when the last one has
// been heard; problems (no sound device) are written to `err`. Returns the
// exit status for a command: 0 played (or nothing to play), 1 no playback.
int PlayClips(const std::vector<std::string>& names, ClipLibrary& library, std::ostream& err);

}  // namespace kv::audio
