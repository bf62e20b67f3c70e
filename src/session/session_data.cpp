#include "session/session_data.h"

namespace kv {

namespace {

std::span<const LogSample> View(const SampleList& samples) {
  return samples.Empty() ? std::span<const LogSample>() : std::span<const LogSample>(&samples[0], samples.Count());
}

}  // namespace

SessionData::SessionData(SessionHeader header, LapSettings settings)
    : header_(std::move(header)), settings_(settings), laps_(samples_, traps_, settings_, &notes_) {}

void SessionData::TimePerfTests(const PerfTestList& tests) { runs_ = std::make_unique<PerfTestEngine>(tests); }

bool SessionData::SampleEpochMs(int64_t* epoch_ms) const {
  if (IsSet(reference_time_) && reference_utc_.IsKnown()) {
    *epoch_ms = reference_utc_.ToUnixSeconds() * 1000 + reference_utc_.time % 1000 - reference_time_;
    return true;
  }
  if (!IsSet(header_.created.day)) return false;
  *epoch_ms = DateTimeValue{header_.created.day, 0}.ToUnixSeconds() * 1000;
  return true;
}

void SessionData::SetSamples(std::vector<LogSample> samples) { samples_.Adopt(std::move(samples)); }

bool SessionData::AppendLive(const LogSample& sample) {
  samples_.Append(sample);
  switch (header_.type) {
    case kSessionLapTiming:
      return laps_.LiveStep(crossings_);
    case kSessionPerformance:
      return runs_ != nullptr && runs_->Step(samples_);
    default:
      return false;
  }
}

void SessionData::Recompute() {
  if (header_.type == kSessionLapTiming) laps_.Recompute(crossings_);
  if (runs_ == nullptr) return;
  if (header_.use_obd_speed != 0) {
    runs_->SetSource(PerfSpeedSource::kObd);
    runs_->RecomputeObd(ObdSpeedSamples(obd_, View(samples_)));
  } else {
    runs_->Recompute(samples_);
  }
}

LapSettings LapSettingsFrom(uint32_t hi_lo_threshold_mps) {
  LapSettings settings;
  settings.hi_lo_threshold_mps = static_cast<int32_t>(hi_lo_threshold_mps);
  return settings;
}

}  // namespace kv
