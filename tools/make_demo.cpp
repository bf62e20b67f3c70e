// Writes the demo: data/demo/demo.nmea, a car driving an out-lap, four
// timed laps at different paces and the start of an in-lap of the test
// circuit at 10 Hz, as a receiver sends it; and data/demo/Demo
// circuit-track.bin, the circuit's start/finish line and two splits.
// Deterministic: running it again gives the same files.
//
//   make_demo OUTPUT_FOLDER
#include <fstream>
#include <iostream>
#include <string>

#include "storage/track_profile.h"
#include "support/track_simulator.h"
#include "util/utf_convert.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_demo OUTPUT_FOLDER\n";
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  kv::sim::SimConfig config;
  config.ref_lat_deg = 50.4370;
  config.ref_lon_deg = 5.9720;
  config.circuit = kv::sim::RoundedRectangle(12);
  config.rate_hz = 10;
  config.start_time_ms = 10 * 3600000 + 15 * 60000;
  config.start_offset_ms = -20000.0;  // 20 s rolling towards the line
  config.laps = 5;
  config.noise_m = 0.3;
  config.seed = 7;
  config.lap_speed_factor = {0.97, 1.0, 1.03, 0.99, 1.01, 0.8};
  kv::sim::TrackSimulator simulator(config);

  std::ofstream nmea(folder + "demo.nmea", std::ios::binary);
  nmea << simulator.Nmea();
  if (!nmea) return 1;

  kv::TrackProfile profile;
  profile.name = kv::FromUtf8("Demo circuit");
  const double length = simulator.LapLength();
  profile.traps.Append(simulator.TrapAt(0.0, kv::kTrapStartFinish, 30.0, true));
  profile.traps.Append(simulator.TrapAt(length / 3.0, kv::kTrapSplit, 30.0, true));
  profile.traps.Append(simulator.TrapAt(2.0 * length / 3.0, kv::kTrapSplit, 30.0, true));
  profile.trap_count = profile.traps.Count();
  const kv::ByteString bytes = kv::SerializeTrackFile(profile);
  std::ofstream track(folder + "Demo circuit-track.bin", std::ios::binary);
  track.write(reinterpret_cast<const char*>(bytes.Data()), bytes.Length());
  return track ? 0 : 1;
}
