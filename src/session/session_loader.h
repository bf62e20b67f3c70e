// SessionLoader: loads a recorded session for review or resume in steps,
// so a screen (or the terminal's bar) can show "Loading session..." with
// progress between them: first the header (with its lap notes) and the
// track's traps, then the sample file one chunk per step, and last the
// recompute of crossings and laps from the whole sample list.
//
// Outcome: a header that cannot be opened is no such session; one that
// cannot be read, or a sample file that cannot be opened or has no header,
// fails the load with the code of "Could not load the session. Error #%N."
// A sample file that ends inside a record is no load error: everything
// before that point is reviewed, and SampleState() says kIncomplete (such
// a session cannot be resumed as is). Main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "session/session_data.h"
#include "storage/sample_loader.h"

namespace kv {

class StorageList;

class SessionLoader {
 public:
  // `storage` finds the track's profile on any medium; it must outlive the
  // loader.
  SessionLoader(const StorageList& storage, std::string root, std::u16string_view base_name,
                LapSettings settings);
  // One step; true while more remains.
  bool Step();
  // 0..100 of the work done so far.
  int32_t Percent() const;
  enum class Outcome { kLoading, kLoaded, kNoSuchSession, kFailed };
  Outcome Result() const { return outcome_; }
  // With kFailed: the header's read error (-3, -5), the sample file's
  // (kSampleErrCannotOpen and the others of SampleLoader) or -2.
  int32_t Error() const { return error_; }
  SampleLoadState SampleState() const { return sample_state_; }
  int32_t SampleVersion() const { return sample_version_; }
  // The session once Step() returned false with kLoaded.
  std::unique_ptr<SessionData> Take() { return std::move(data_); }

 private:
  enum class Phase { kHeader, kSamples, kRecompute, kDone };
  bool LoadHeader();
  const StorageList& storage_;
  std::string root_;
  WideString base_name_;
  LapSettings settings_;
  Phase phase_ = Phase::kHeader;
  std::optional<SampleLoader> samples_;
  int64_t sample_file_size_ = 0;
  int32_t sample_steps_ = 0;
  Outcome outcome_ = Outcome::kLoading;
  int32_t error_ = 0;
  SampleLoadState sample_state_ = SampleLoadState::kNotStarted;
  int32_t sample_version_ = -1;
  std::unique_ptr<SessionData> data_;
};

// Locates a session by base name on every medium; the root, or empty.
std::string FindSessionRoot(const StorageList& storage, std::u16string_view base_name);

}  // namespace kv
