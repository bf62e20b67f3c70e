// Sessions for the export tests: a small simulated lap-timing session
// (three laps at 2 Hz, a start/finish line, a split, a disabled trap, some
// OBD-II records and user texts that try to break every format), and
// hand-made sessions of a few samples for the edge cases.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "exchange/export_job.h"
#include "session/session_data.h"
#include "support/temp_folder.h"

namespace kv::testing {

// Created 21 May 2009 18:00:00 UTC; the first sample at 18:52:07.250.
std::unique_ptr<SessionData> MakeSimulatedSession(const std::string& root);

// A session of the given samples (and traps), laps recomputed.
std::unique_ptr<SessionData> MakeSession(const std::string& root, const std::vector<LogSample>& samples);

// A sample at the given position (degrees) and time; speed in m/s,
// heading in degrees (NaN: none), altitude in metres.
LogSample SampleAt(double lat_deg, double lon_deg, int32_t time, double mps = 10.0, double heading_deg = 90.0,
                   double altitude = 100.0);

// Runs a whole export with plenty of free space; the file's bytes, or
// "error N".
std::string Export(const SessionData& session, ExportOptions options, std::string* path = nullptr);

}  // namespace kv::testing
