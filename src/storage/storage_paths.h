// File kinds, their folders and suffixes, and the path scheme:
//   storage root + "Korvatinel/" + folder + base name + suffix
// for example <Documents>/Korvatinel/Sessions/20090521-1852-session.bin.
// Paths are UTF-8 with "/" separators; a storage root always ends in "/".
// Base names and user-given names are UTF-16 (they are shown on screen).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/date_time.h"
#include "util/wide_string.h"

namespace kv {

inline constexpr std::string_view kAppFolder = "Korvatinel/";

enum class FileKind : int32_t {
  kSessionHeader = 0,
  kSampleFile = 1,
  kNmeaLog = 2,
  kNmeaText = 3,
  kTrackProfile = 4,
  kVoiceClip = 5,
  kKmlExport = 6,
  kCsvExport = 7,
  kDbnExport = 8,
  kVboExport = 9,
  kDatExport = 10,
  kGpxExport = 11,
};

std::string_view FolderOf(FileKind kind);  // "Sessions/", "Tracks/", ...
std::string_view SuffixOf(FileKind kind);  // "-session.bin", ...

std::string BuildPath(std::u16string_view base_name, const std::string& root, FileKind kind);

enum class DirResult { kCreated, kExists, kFailed };

// Creates every missing folder along `path` up to its last "/" (a path
// needs a trailing "/" for its last component to be made). kExists when
// the whole path already is a folder; the first folder that cannot be
// made stops the walk with kFailed.
DirResult CreateDirectories(const std::string& path);

// Root + "Korvatinel/" + "Sessions/", "Tracks/" and "Exports/".
bool EnsureFolders(const std::string& root);
// Root + "Korvatinel/Exports/"; true when made or already there.
bool EnsureExportFolder(const std::string& root);

// kB free to the caller at `path`; 0 when the query fails.
uint32_t FreeSpaceKb(const std::string& path);

// The free-space limits checked before a session starts or resumes: below
// kVeryLowSpaceKb it is not started ("Very low storage space! ..."), below
// kLowSpaceKb it starts with a warning ("Low storage space! ..."). Both
// compare with less-than.
inline constexpr uint32_t kVeryLowSpaceKb = 700;
inline constexpr uint32_t kLowSpaceKb = 5120;
enum class SpaceCheck { kEnough, kLow, kVeryLow };
constexpr SpaceCheck CheckFreeSpace(uint32_t free_kb) {
  return free_kb < kVeryLowSpaceKb ? SpaceCheck::kVeryLow : free_kb < kLowSpaceKb ? SpaceCheck::kLow : SpaceCheck::kEnough;
}

// A user-given base name holds none of < > ? \ " * / : | and no control
// character, and does not begin with "." (such a file is hidden, and its
// track would be saved and then never listed). The empty name is valid
// here; callers check emptiness themselves.
bool IsValidName(std::u16string_view name);

// File name after the last "/", and the folder up to and including it
// (empty when there is none).
std::string FileNameOf(const std::string& path);
std::string FolderOfPath(const std::string& path);

// "YYYYMMDD-HHMM" of a local time (the year unpadded), then "-1", "-2", ...
// while a session header of that name exists under `root`.
WideString UniqueSessionBaseName(const std::string& root, const DateTimeValue& local_time);

}  // namespace kv
