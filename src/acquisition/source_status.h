// The connection status the screens show, derived from the data sources.
//
// Source status codes: 0 not in use, 1 no connection, 3 connected,
// 4 failed (memory full). (2, "no data", is the screens' own finding; the
// sources never produce it.) The live GPS code adds the fix: 1 and 2 stay,
// 4 becomes 6, and 3 becomes 3 (quality 0), 5 (quality 2, DGPS) or 4
// (quality 1 or 3 and above).
//
// Main thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "acquisition/data_source.h"
#include "util/wide_string.h"

namespace kv {

// Set when the screens start the sources.
struct SourceUse {
  bool gps = false;
  bool obd = false;
  bool obd_via_gps = false;  // OBD-II data carried by the GPS source
};

// gps, obd: the sources, nullptr when there is none.
int32_t GpsStatusCode(const DataSourceControl* gps, const SourceUse& use);
int32_t ObdStatusCode(const DataSourceControl* gps, const DataSourceControl* obd, const SourceUse& use);
int32_t LiveGpsCode(int32_t gps_status, int32_t fix_quality);

// The status line by precedence: "Memory full", "No connection to GPS",
// "No connection to OBD", "No data from GPS", "No data from OBD", "No fix
// to satellites (%N)", "Fixed to %N satellites", "Fixed (DGPS) to %N
// satellites"; empty when there is nothing to say.
WideString SourceStatusText(int32_t live_gps_code, int32_t obd_status, int32_t satellites);

// "Connecting to GPS receiver..." / "Connecting to GPS receiver %U..." and
// the OBD-II reader's texts; the named form when the device has a name.
WideString ConnectingText(int32_t source_id, std::u16string_view device_name);
// "Could not reach the GPS receiver. Try same receiver again?" and the
// OBD-II reader's text.
WideString RetryText(int32_t source_id);

}  // namespace kv
