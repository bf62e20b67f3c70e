// SampleWriter: appends records to a session's sample file while it
// records (version 3 records of types 1, 2, 4 and 5 only).
//
// Recording rules: a fix without latitude, longitude or time is not
// recorded; no fix is recorded until one arrives whose NMEA date and time
// are both known, and that one is preceded by the single date reference
// (type 4, UTC) that ties sample times to the calendar.
//
// Durability: see RecordingSync; Tick() from the main loop, Sync() on
// pause, Close() on stop and quit. Raises kErrCannotOpen (-8) when the file
// cannot be created or opened; a later write failure closes the file and
// further records are dropped (Failed(), Error()). Main thread.
#pragma once

#include <cstdint>
#include <string>

#include "core/date_time.h"
#include "core/log_sample.h"
#include "core/obd_record.h"
#include "storage/data_file.h"
#include "storage/recording_sync.h"

namespace kv {

class SampleWriter {
 public:
  static constexpr int32_t kAppendBuffer = 8192;

  // New session: creates the file with its 16-byte header.
  void Create(const std::string& path, uint32_t now_ms);
  // Resumed session: appends to an existing version 3 file;
  // has_date_reference tells whether the file already holds one.
  void OpenForAppending(const std::string& path, bool has_date_reference, uint32_t now_ms);

  // `nmea_utc`: the NMEA date and time of this fix (unknown when either is
  // missing). True when the fix was recorded.
  bool WriteFix(const LogSample& sample, const DateTimeValue& nmea_utc);
  // Short form when the value fits in 16 bits, long form otherwise; the
  // channel is stored in one byte.
  void WriteObd(const ObdRecord& record);
  void WriteDateReference(int32_t time, const DateTimeValue& utc);

  void Tick(uint32_t now_ms) { sync_.Tick(file_, now_ms); }
  // Hands the buffered records to the system; false when that failed.
  bool Flush() { return file_.Flush(); }
  bool Sync() { return file_.Sync(); }
  bool Close() { return file_.Close(); }
  bool IsOpen() const { return file_.IsOpen(); }
  bool Failed() const { return file_.Failed(); }
  int32_t Error() const { return file_.Error(); }
  const std::string& Path() const { return file_.Path(); }
  bool HasDateReference() const { return has_date_reference_; }

 private:
  DataFile file_;
  RecordingSync sync_;
  bool has_date_reference_ = false;
};

}  // namespace kv
