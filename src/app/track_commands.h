// `korvatinel track ...`: create, add, move and remove traps, import,
// list, show, rename and delete track profiles. Each Run* returns the exit status; errors go
// to `err` with the program's own message texts.
#pragma once

#include <limits>
#include <ostream>
#include <string>

#include "storage/track_profile.h"

namespace kv::app {

struct TrackCommandOptions {
  std::string data_dir;
  std::string name;       // NAME, OLD
  std::string new_name;   // NEW
  bool lock = false;
  bool json = false;
  std::string file;       // import FILE
  std::string type;       // start|finish|start-finish|split|disabled
  std::string at;         // LAT,LON in signed decimal degrees
  double bearing_deg = std::numeric_limits<double>::quiet_NaN();  // NaN: not given
  // A line through two points instead of --at/--bearing: centred between
  // them, as wide as they are apart, and crossed 90 degrees clockwise from
  // the from -> to direction (--from on the driver's right).
  std::string from, to;   // LAT,LON
  double width_m = 0.0;   // 0: not given (50 for a new --at line)
  std::string line;       // LINE: its number from 1 as `track show` lists it, or its name
  bool both_ways = false;
  std::string trap_name;  // empty: the default name of the type
  bool force = false;     // delete, line move/remove: even when sessions use the track
};

// Loads the whole profile; false after telling the user why the file
// cannot be read (damaged, of an unknown version, gone).
bool LoadWholeTrack(TrackProfile& track, std::ostream& err);

int RunTrackCreate(const TrackCommandOptions& options, std::ostream& out, std::ostream& err);
int RunTrackAdd(const TrackCommandOptions& options, std::ostream& out, std::ostream& err);
int RunTrackImport(const TrackCommandOptions& options, std::ostream& out, std::ostream& err);
int RunTrackList(const TrackCommandOptions& options, std::ostream& out, std::ostream& err);
int RunTrackShow(const TrackCommandOptions& options, std::ostream& out, std::ostream& err);
int RunTrackRename(const TrackCommandOptions& options, std::ostream& out, std::ostream& err);
int RunTrackDelete(const TrackCommandOptions& options, std::ostream& out, std::ostream& err);
int RunTrackLineRemove(const TrackCommandOptions& options, std::ostream& out, std::ostream& err);
int RunTrackLineMove(const TrackCommandOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kv::app
