// The track library's index and its reply texts. The index is 8-bit text,
// one track per line:
//   FILE;GROUP/NAME;DESCRIPTION[;LAT,LON]   (LAT,LON as LatLonText writes it)
// FILE stays bytes (it is appended to the library's address unchanged);
// the other fields are UTF-8 (ill-formed bytes read as U+FFFD). The fourth
// field is ours: the start line's centre in degrees, which servers of our
// own write so that a track can be found near a position without
// downloading every track; readers that stop at three fields ignore it.
// Pure functions: any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/geo_types.h"
#include "util/byte_string.h"
#include "util/wide_string.h"

namespace kv {

// Every address of the library is this path on its server, followed by
// "index.php", a track's file name or "send.php".
inline constexpr std::string_view kLibraryPath = "/automatic/tracks/";
inline constexpr std::string_view kIndexPage = "index.php";
inline constexpr std::string_view kUploadPage = "send.php";

// "http://" + server + kLibraryPath + page; the page (a file name from
// the index) is appended unchanged.
std::string LibraryUrl(std::string_view server, std::string_view page);

struct TrackIndexEntry {
  ByteString file_name;
  WideString group;               // field 2 before its first "/" (all of it when none)
  WideString name;                // field 2 after its first "/" (may be empty)
  WideString description;         // never empty
  std::optional<IntPoint> start;  // the fourth field, when it is a position
};

// The entries of the accepted lines, in file order. A line ends at its
// first LF (a CR before it is not part of the line); bytes after the last
// LF are no line. A line is accepted when its first and second fields are
// not empty, both end in ";", and the third is not empty.
std::vector<TrackIndexEntry> ParseTrackIndex(std::string_view body);

struct TrackGroup {
  WideString name;
  int32_t count = 0;
};

// One per distinct group (compared exactly, case counting), in order of
// first appearance, with its number of entries.
std::vector<TrackGroup> TrackGroups(const std::vector<TrackIndexEntry>& entries);

// The entries whose group is exactly `group`, in file order.
std::vector<const TrackIndexEntry*> GroupEntries(const std::vector<TrackIndexEntry>& entries,
                                                 std::u16string_view group);

// The upload reply: the first line that is not empty is exactly
// "Success." and has its line end (empty lines before it are skipped).
bool IsUploadAccepted(std::string_view body);

}  // namespace kv
