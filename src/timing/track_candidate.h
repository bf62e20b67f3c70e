// Which track a position belongs to: of the tracks whose start line lies
// near it, the nearest. Pure functions; callers gather the candidates from
// wherever tracks come from (the local profiles, a track library).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/geo_types.h"
#include "core/trap_definition.h"

namespace kv {

// The origin of a track profile on this device's storage; anything else
// names a library the track would first have to be fetched from.
inline constexpr std::string_view kLocalTrackOrigin = "local";

struct TrackCandidate {
  std::string name;    // UTF-8
  IntPoint start;      // centre of the start line
  std::string origin;  // kLocalTrackOrigin or a library's label
};

struct NearbyTrack {
  TrackCandidate track;
  double distance_m = 0.0;  // from the position to the start line's centre
};

// How far a start line may lie from the position and still count.
inline constexpr double kNearTrackMetres = 1000.0;

// The candidate whose start lies nearest `fix` (great-circle distance on
// the 6,371 km sphere), at most `max_metres` away; nullopt when none does or
// `fix` is not set. Candidates without a start are skipped. At equal
// distances a local track wins, else the earlier one in the list.
std::optional<NearbyTrack> NearestTrack(const std::vector<TrackCandidate>& candidates, IntPoint fix,
                                        double max_metres = kNearTrackMetres);

// The centre of a track's start line: the first start or start/finish
// line in list order; not set when the track has none.
IntPoint StartLineCentre(const TrapDefinitionList& traps);

}  // namespace kv
