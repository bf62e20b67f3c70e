// TrackProfile: a named list of trap definitions kept as "<name>-track.bin"
// in the "Tracks/" folder of a storage medium. Written in version 2 only; version
// 1 is read; any other version leaves the profile empty. A list-only load
// keeps the lock flag and the trap count, not the traps.
// Saving replaces the file whole through a temporary file. Main thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/trap_definition.h"
#include "util/byte_string.h"
#include "util/wide_string.h"

namespace kv {

struct TrackProfile {
  WideString name;        // also the file's base name
  std::string root;       // storage root, ends in "/"
  int32_t lock = 0;       // "Lock traps"
  int32_t trap_count = 0; // as read from the file
  TrapDefinitionList traps{kTrapListGrowth};
  bool traps_loaded = false;
  bool changed = false;
  // Why the last load could not read the file: kErrCannotOpen (-8),
  // kErrMalformedFile (-5) or kErrUnsupportedVersion (-3, a file of a
  // newer program, which must not be overwritten); 0 when it could.
  int32_t load_error = 0;
};

// 0 or kErrMalformedFile (-5); an unknown version is no error and leaves
// the profile empty (load_error says so). Counts are checked against the
// bytes that remain.
int32_t ParseTrackFile(std::string_view bytes, bool full, TrackProfile& profile);
// The version 2 bytes; raises kErrStringTooLong (-4) for a trap name of
// more than 8191 characters.
ByteString SerializeTrackFile(const TrackProfile& profile);

// Stored form of a bearing or width (radians, NaN = none) and back.
int32_t StoreTrackAngle(double radians);
double LoadTrackAngle(int32_t stored);

std::string TrackPath(const TrackProfile& profile);
// An empty name loads nothing and is no error (true, *error 0). False when
// the file cannot be opened; otherwise *error holds the parse result.
bool LoadTrack(TrackProfile& profile, bool full, int32_t* error);
// A profile whose last load failed (load_error) is never saved: raises
// kErrUnsupportedVersion or kErrMalformedFile instead of overwriting it.
// Saves when the name is set, the profile changed and its traps are loaded;
// true when written. Raises -8 / -4 on failure.
bool SaveTrack(TrackProfile& profile);
// The whole file unchanged (for upload); nothing when it cannot be read.
std::optional<std::string> ReadTrackBytes(const TrackProfile& profile);

}  // namespace kv
