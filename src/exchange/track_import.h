// Track import from two other loggers' text formats, line by line (lines
// end in "\r\n"; empty lines are skipped). Each trap is a header line and
// a data line; reading stops at the first data line that does not parse.
//   ".DSF": header "[SF]" makes a start/finish trap named "Start/Finish"
//     (other headers are ignored); data "lat,lon,bearing" with latitude
//     and longitude as signed NMEA DDMM.mmmm (negative south and west) and
//     the bearing in degrees.
//   ".LAP": header "[<type> \xAC <name>]" (without the separator the whole
//     text is both); "Start Finish" gives a start/finish line, "Finish" a
//     finish line, anything else a split. Data: four space-separated
//     integers, end A latitude, end A longitude, end B latitude, end B
//     longitude, in 1/100000 arc-minute; 0 means no value.
// Imported traps are 50 m wide and unidirectional.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "storage/track_profile.h"

namespace kv {

enum class TrackImportFormat { kDsf, kLap };

// Import errors ("Could not import. Error #%N.").
inline constexpr int32_t kImportErrCannotOpen = 1;
inline constexpr int32_t kImportErrBadData = 2;

// The format a file name asks for (".DSF" / ".LAP", any case); false for
// other names.
bool ImportFormatOf(std::string_view file_name, TrackImportFormat* format);

// Appends the traps of `text` (the whole file) to profile.traps: 0, or
// kImportErrBadData when a data line failed to parse (the traps before it
// are kept).
int32_t ImportTrackText(std::string_view text, TrackImportFormat format, TrackProfile& profile);
// Reads the file and imports it: 0, kImportErrCannotOpen or kImportErrBadData.
int32_t ImportTrackFile(const std::string& path, TrackImportFormat format, TrackProfile& profile);

}  // namespace kv
