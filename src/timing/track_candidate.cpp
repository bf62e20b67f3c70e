#include "timing/track_candidate.h"

#include "timing/geodesy.h"

namespace kv {

std::optional<NearbyTrack> NearestTrack(const std::vector<TrackCandidate>& candidates, IntPoint fix,
                                        double max_metres) {
  std::optional<NearbyTrack> nearest;
  if (!fix.IsSet()) return nearest;
  const GeoPoint at = ToGeoPoint(fix);
  for (const TrackCandidate& candidate : candidates) {
    if (!candidate.start.IsSet()) continue;
    const double metres = RadToMetres(Distance(at, ToGeoPoint(candidate.start)));
    if (!(metres <= max_metres)) continue;
    const bool closer = !nearest || metres < nearest->distance_m ||
                        (metres == nearest->distance_m && candidate.origin == kLocalTrackOrigin &&
                         nearest->track.origin != kLocalTrackOrigin);
    if (closer) nearest = NearbyTrack{candidate, metres};
  }
  return nearest;
}

IntPoint StartLineCentre(const TrapDefinitionList& traps) {
  for (const TrapDefinition& trap : traps)
    if (trap.line_type == kTrapStart || trap.line_type == kTrapStartFinish) return trap.position;
  return {};
}

}  // namespace kv
