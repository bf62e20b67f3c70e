#include "session/session_loader.h"

#include <algorithm>

#include "platform/file_io.h"
#include "storage/storage_list.h"
#include "storage/storage_paths.h"
#include "storage/track_list.h"
#include "timing/trap.h"

namespace kv {

SessionLoader::SessionLoader(const StorageList& storage, std::string root, std::u16string_view base_name,
                             LapSettings settings)
    : storage_(storage), root_(std::move(root)), base_name_(base_name), settings_(settings) {}

bool SessionLoader::LoadHeader() {
  SessionHeader header;
  header.base_name = base_name_;
  header.root = root_;
  int32_t error = 0;
  if (!LoadSessionHeader(header, true, &error)) {
    outcome_ = Outcome::kNoSuchSession;
    return false;
  }
  if (error != 0) {
    outcome_ = Outcome::kFailed;
    error_ = error;
    return false;
  }
  data_ = std::make_unique<SessionData>(std::move(header), settings_);
  if (data_->Header().type == kSessionLapTiming && !data_->Header().track.IsEmpty()) {
    TrackList tracks(storage_);
    tracks.Refresh();
    const int32_t index = tracks.Find(data_->Header().track);
    if (index >= 0) {
      TrackProfile& profile = tracks.At(index);
      int32_t track_error = 0;
      // A track that cannot be read leaves the session without traps: its
      // samples are still worth reviewing.
      if (LoadTrack(profile, true, &track_error) && track_error == 0) data_->SetTraps(MakeTraps(profile.traps));
    }
  }
  const std::string path = BuildPath(base_name_, root_, FileKind::kSampleFile);
  sample_file_size_ = std::max<int64_t>(platform::FileSizeOf(path), 0);
  samples_.emplace(path);
  return true;
}

bool SessionLoader::Step() {
  switch (phase_) {
    case Phase::kHeader:
      if (!LoadHeader()) {
        phase_ = Phase::kDone;
        return false;
      }
      phase_ = Phase::kSamples;
      return true;
    case Phase::kSamples: {
      ++sample_steps_;
      if (samples_->Step()) return true;
      sample_state_ = samples_->State();
      sample_version_ = samples_->Version();
      // A sample file that cannot be opened or has no header is an error;
      // one cut short keeps what it holds.
      if (sample_state_ != SampleLoadState::kComplete && samples_->Error() != 0) {
        outcome_ = Outcome::kFailed;
        error_ = samples_->Error();
        data_.reset();
        phase_ = Phase::kDone;
        return false;
      }
      SampleData loaded = samples_->TakeData();
      data_->SetSamples(std::move(loaded.samples));
      data_->SetObdRecords(std::move(loaded.obd_records));
      if (loaded.has_date_reference) data_->SetDateReference(loaded.reference_time, loaded.reference_utc);
      samples_.reset();
      phase_ = Phase::kRecompute;
      return true;
    }
    case Phase::kRecompute:
      data_->Recompute();
      outcome_ = Outcome::kLoaded;
      phase_ = Phase::kDone;
      return false;
    case Phase::kDone:
      return false;
  }
  return false;
}

int32_t SessionLoader::Percent() const {
  switch (phase_) {
    case Phase::kHeader:
      return 0;
    case Phase::kSamples: {
      const int64_t expected = sample_file_size_ / SampleLoader::kChunkSize + 2;
      return static_cast<int32_t>(std::min<int64_t>(90, 5 + 85 * sample_steps_ / expected));
    }
    case Phase::kRecompute:
      return 90;
    case Phase::kDone:
      return 100;
  }
  return 100;
}

std::string FindSessionRoot(const StorageList& storage, std::u16string_view base_name) {
  for (int32_t i = 0; i < storage.Count(); ++i)
    if (SessionHeaderExists(base_name, storage.At(i).root)) return storage.At(i).root;
  return {};
}

}  // namespace kv
