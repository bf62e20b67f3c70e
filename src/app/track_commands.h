// `korvatinel track ...`: create, add traps to, import, list, show, rename
// and delete track profiles. Each Run* returns the exit status; errors go
// to `err` with the program's own message texts.
#pragma once

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
  double bearing_deg = 0.0;
  double width_m = 50.0;
  bool both_ways = false;
  std::string trap_name;  // empty: the default name of the type
  bool force = false;     // delete: even when sessions use the track
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

}  // namespace kv::app
