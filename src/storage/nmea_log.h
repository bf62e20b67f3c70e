// NmeaLog: the raw NMEA log of a session ("-nmea.txt"). Every sentence is
// appended exactly as the line splitter delivered it, line end included,
// while recording is active; nothing else is written. Same durability rule
// as the sample file (RecordingSync). Raises kErrCannotOpen (-8) when the
// file cannot be opened. Main thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "storage/data_file.h"
#include "storage/recording_sync.h"

namespace kv {

class NmeaLog {
 public:
  static constexpr int32_t kBuffer = 40960;

  void Open(const std::string& path, uint32_t now_ms) {
    file_.SetPath(path);
    file_.OpenForAppending(kBuffer);
    sync_.Start(now_ms);
  }
  void Append(std::string_view sentence) { file_.WriteBytes(sentence); }
  void Tick(uint32_t now_ms) { sync_.Tick(file_, now_ms); }
  bool Sync() { return file_.Sync(); }
  bool Close() { return file_.Close(); }
  bool IsOpen() const { return file_.IsOpen(); }
  bool Failed() const { return file_.Failed(); }
  int32_t Error() const { return file_.Error(); }
  const std::string& Path() const { return file_.Path(); }

 private:
  DataFile file_;
  RecordingSync sync_;
};

}  // namespace kv
