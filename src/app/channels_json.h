// `channels --json`: every channel of a range of samples, written row by
// row as it goes, so that the text of an hour at 20 Hz (tens of MB) is
// never held in memory; only the loaded session is.
//
//   {"start_utc": "2009-05-21T18:52:03.100Z",
//    "names": ["time_ms", "distance_m", ..., "lat_deg", "lon_deg", "rpm"],
//    "labels": ["Time", "Distance", ..., "Latitude", "Longitude", "RPM"],
//    "rows": [
//   [0, 0, 0, 107.02, ...],
//   ...]}
//
// Each key names its unit; OBD-II keys come from the channel's name and
// unit ("coolant_temperature_c"), speeds in km/h whatever the units setting.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "session/session_data.h"
#include "timing/channels.h"

namespace kv::app {

// The key of a GPS channel (0..11) or of an OBD-II channel.
std::string ChannelKey(int32_t channel);

// Writes samples first..last (indices into the session's samples) with
// time, distance and direct distance measured from `reference`.
void WriteChannelsJson(const SessionData& session, int32_t first, int32_t last, const ChannelReference& reference,
                       std::ostream& out);

}  // namespace kv::app
