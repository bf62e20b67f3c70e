// Test helper: records samples at 100 Hz through SampleWriter and NmeaLog,
// driving their durability ticks from the main loop as the session does,
// and reports on stdout the number of samples it has handed to the writer.
// The kill test ends it with SIGKILL at an arbitrary moment.
//   storage_recording_helper SAMPLE_FILE NMEA_LOG
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/ticks.h"
#include "storage/nmea_log.h"
#include "storage/sample_writer.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  kv::SampleWriter samples;
  kv::NmeaLog nmea;
  samples.Create(argv[1], kv::platform::TickCount());
  nmea.Open(argv[2], kv::platform::TickCount());
  kv::DateTimeValue date;
  date.day = kv::DateTimeValue::MakeDay(2024, 6, 1);
  date.time = 0;
  for (int32_t i = 0;; ++i) {
    kv::LogSample sample;
    sample.time = i * 10;
    sample.position = {300000000 + i, 36000000};
    sample.flags = 8;
    samples.WriteFix(sample, date);
    nmea.Append("$GPGGA,sample*00\r\n");
    const uint32_t now = kv::platform::TickCount();
    samples.Tick(now);
    nmea.Tick(now);
    std::printf("%d\n", i + 1);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}
