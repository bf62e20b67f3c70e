// Finding the track from where the car is: `korvatinel track detect
// SOURCE`, and a lap timing recording started without --track, which
// takes the track whose start line lies within 1 km of its first fix.
//
// Where the candidates come from is a parameter (TrackSources): the local
// profiles today; a track library can add its own, which are made local
// profiles (downloaded and saved) only once picked. Main thread only.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/command_list.h"
#include "session/session_recorder.h"
#include "storage/settings.h"
#include "storage/track_list.h"
#include "timing/track_candidate.h"

namespace kv::app {

// Every profile of the (refreshed) `tracks` with a start line, loaded whole (a damaged or
// unreadable file is left out), with origin kLocalTrackOrigin.
std::vector<TrackCandidate> LocalTrackCandidates(TrackList& tracks);

struct TrackSources {
  // Every track a position (the first fix) is matched against.
  std::function<std::vector<TrackCandidate>(IntPoint fix)> candidates;
  // Makes a picked candidate a profile of the local storage and returns its
  // name; nullopt when it cannot (after telling the user why).
  std::function<std::optional<std::string>(const TrackCandidate&)> make_local;
};

// The local profiles of `tracks` (which must outlive the result), read
// afresh at each call; a local candidate is its own local track, any other
// is refused.
TrackSources LocalTrackSources(TrackList& tracks);

// "Track: Demo circuit (start line 230 m away)", and for a track of the
// library "... 230 m away, from the track library)".
std::string PickedTrackText(const NearbyTrack& picked);

// A new lap timing recording without a track: its first recorded fix picks
// the track from `sources`, whose traps then time the laps from that fix
// on and whose name goes into the session's header (saved at once) and the
// settings' last track. `say` gets PickedTrackText, or that laps are not
// timed. `tracks`, `settings` and `say`'s targets must outlive the recording.
void PickTrackAtFirstFix(SessionRecorder& recorder, TrackSources sources, TrackList& tracks, Settings& settings,
                         std::function<void(const std::string&)> say);

struct TrackDetectOptions {
  std::string data_dir;
  std::string source;  // SOURCE, as `gps` and `record --gps` take it
  bool json = false;
};

// Reads the source (a file as fast as it goes) until its first fix, for at
// most 60 s of the source's time, and names the track it is at. 0 when a
// track was found; 1 when none lies within 1 km, no fix came or the source
// could not be reached; 2 for a SOURCE that is not one.
int RunTrackDetect(const TrackDetectOptions& options, std::ostream& out, std::ostream& err);

// Adds `detect` under the `track` command.
void AddTrackDetectCommand(CLI::App& track, const GlobalOptions& globals, CommandList& commands);

}  // namespace kv::app
