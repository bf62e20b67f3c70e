// The durability rule of the files appended to while recording (the sample
// file and the NMEA log): hand buffered bytes to the operating system at
// least once a second, and have them put on the disk at least every five
// seconds, so a crash of the program loses at most about a second and a
// power cut a few seconds. The session calls Tick() from the main loop
// with a monotonic millisecond clock (wrapping like the tick counter) and
// Sync() on pause, stop and quit.
#pragma once

#include <cstdint>

#include "storage/data_file.h"

namespace kv {

class RecordingSync {
 public:
  static constexpr uint32_t kFlushIntervalMs = 1000;
  static constexpr uint32_t kSyncIntervalMs = 5000;

  void Start(uint32_t now_ms) {
    last_flush_ = now_ms;
    last_sync_ = now_ms;
  }
  void Tick(DataFile& file, uint32_t now_ms) {
    if (now_ms - last_sync_ >= kSyncIntervalMs) {
      file.Sync();
      last_sync_ = now_ms;
      last_flush_ = now_ms;
    } else if (now_ms - last_flush_ >= kFlushIntervalMs) {
      file.Flush();
      last_flush_ = now_ms;
    }
  }

 private:
  uint32_t last_flush_ = 0;
  uint32_t last_sync_ = 0;
};

}  // namespace kv
