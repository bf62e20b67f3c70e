// The track library as a source of tracks for finding the track from the
// first fix (`track detect`, a recording without --track). The driver's
// own tracks come first: the library is asked only when none of them
// starts within 1 km of the fix, and of its tracks only those whose index
// line says where their start line is can be matched. Each request may
// take kLibraryLookupMs at most, so a missing network costs a recording
// seconds, not the session.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "app/terminal_http.h"
#include "app/track_detection.h"
#include "storage/track_list.h"

namespace kv::app {

inline constexpr int32_t kLibraryLookupMs = 5000;

// `server` is HOST[:PORT]; a picked library track is downloaded into
// `root`'s tracks by make_local (never over a track of the same name).
// What goes wrong is said on `err`. `tracks` and `err` must outlive the
// result.
TrackSources OwnAndLibraryTrackSources(TrackList& tracks, std::string server, std::string root,
                                       std::ostream& err, TerminalHttp::Mode mode);

}  // namespace kv::app
