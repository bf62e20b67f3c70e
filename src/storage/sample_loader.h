// SampleLoader: reads a session's sample file in steps, so the screen can
// show "Loading session..." between them. The first step reads the 16-byte
// header; each further step reads one chunk: 65536 bytes of version 3
// records (the offset advances only past records parsed completely, so a
// record cut by the chunk end is read again with the next chunk), or 2000
// fixed records of versions 0-2.
//
// The end state is complete, or incomplete when the file ends inside a
// record or a record has length 0 or a type above 31: everything before
// that point is loaded either way. Lengths in the file are never trusted:
// memory is reserved from the file size, not from anything the file says.
// Main thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/date_time.h"
#include "core/log_sample.h"
#include "core/obd_record.h"
#include "platform/file_io.h"

namespace kv {

struct SampleData {
  std::vector<LogSample> samples;
  std::vector<ObdRecord> obd_records;
  // The first date reference of the file: sample time `reference_time`
  // was the UTC date and time `reference_utc`.
  bool has_date_reference = false;
  int32_t reference_time = kNotSet;
  DateTimeValue reference_utc;
};

enum class SampleLoadState { kNotStarted, kReading, kComplete, kIncomplete };

// Error results of a failed load (state kIncomplete).
inline constexpr int32_t kSampleErrCannotOpen = 1;
inline constexpr int32_t kSampleErrShortHeader = 2;
inline constexpr int32_t kSampleErrVersion = 6;

class SampleLoader {
 public:
  static constexpr int32_t kChunkSize = 65536;

  explicit SampleLoader(std::string path) : path_(std::move(path)) {}
  // Reads the bytes given instead of a file (tests, fuzzing).
  static SampleLoader FromBytes(std::string bytes);

  // One step; true while more remains.
  bool Step();
  // Steps until done; true when complete.
  bool LoadAll();

  SampleLoadState State() const { return state_; }
  // 0, or kSampleErrCannotOpen, kSampleErrShortHeader, kSampleErrVersion,
  // kErrOutOfMemory (-2).
  int32_t Error() const { return error_; }
  int32_t Version() const { return version_; }
  const SampleData& Data() const { return data_; }
  SampleData TakeData() { return std::move(data_); }

 private:
  bool Start();
  bool StepRecords();
  bool StepFixed();
  // Up to `count` bytes at `offset`; false on a read failure.
  bool ReadAt(int64_t offset, int64_t count, std::string& out);
  // Parses complete records; returns the bytes consumed, sets *bad at a
  // record of length 0 or type above 31.
  size_t ParseRecords(const uint8_t* bytes, size_t length, bool* bad);
  void Finish(SampleLoadState state, int32_t error = 0);

  std::string path_;
  std::optional<std::string> memory_;
  platform::FileHandle file_;
  int64_t size_ = 0;
  int64_t offset_ = 0;
  int64_t data_start_ = 0;
  int32_t version_ = -1;
  int32_t record_size_ = 0;
  SampleLoadState state_ = SampleLoadState::kNotStarted;
  int32_t error_ = 0;
  std::string chunk_;
  SampleData data_;
};

}  // namespace kv
