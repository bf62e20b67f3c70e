// Storing a track downloaded from the track library as one of the driver's
// track profiles. Main thread (it changes the track list).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "storage/track_list.h"

namespace kv {

enum class StoreOutcome {
  kStored,
  kExists,       // a track of that name (ignoring case) is there and `replace` was false
  kBadName,      // the name is empty or cannot be a file name (see IsValidName)
  kNotATrack,    // the bytes are no track profile this program reads (`error` says why)
  kWriteFailed,  // `error` holds the code
};

struct StoreResult {
  StoreOutcome outcome = StoreOutcome::kStored;
  int32_t error = 0;  // kErrMalformedFile, kErrUnsupportedVersion or kErrCannotOpen
};

// Writes `bytes` unchanged as the track `name` under `root` (its "Tracks/"
// folder) and refreshes `list`. Nothing is touched unless the bytes are a
// track profile and the name a file name, so a damaged download never costs
// the driver the track it was to replace. With `replace`, a track of the
// same name is replaced: the new file is complete on the disk before the
// old one (which may be spelled differently or lie on another medium) is
// deleted.
StoreResult StoreLibraryTrack(TrackList& list, const std::string& root, std::u16string_view name,
                              std::string_view bytes, bool replace);

}  // namespace kv
