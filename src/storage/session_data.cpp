#include "storage/session_data.h"

namespace kv {

namespace {

int32_t Key(const LapWindow& lap) {
  return static_cast<int32_t>((static_cast<int64_t>(lap.first_time) + lap.last_time + 1) / 2);
}

}  // namespace

bool HeaderNoteStore::FindInvalidFlag(const LapWindow& lap, bool* invalid) const {
  const LapNote* note = header_.FindLapNote(lap.first_time, lap.last_time);
  if (note == nullptr) return false;
  *invalid = note->flag != 0;
  return true;
}

void HeaderNoteStore::SetInvalidFlag(const LapWindow& lap, bool invalid) {
  const LapNote* note = header_.FindLapNote(lap.first_time, lap.last_time);
  if (note != nullptr) {
    const WideString text = note->text;
    header_.SetLapNote(note->key, invalid ? 1 : 0, text);
  } else if (invalid) {
    header_.SetLapNote(Key(lap), 1, u"");
  }
}

WideString HeaderNoteStore::NoteText(const LapWindow& lap) const {
  const LapNote* note = header_.FindLapNote(lap.first_time, lap.last_time);
  return note != nullptr ? note->text : WideString();
}

void HeaderNoteStore::SetText(const LapWindow& lap, std::u16string_view text) {
  const LapNote* note = header_.FindLapNote(lap.first_time, lap.last_time);
  if (note != nullptr) {
    header_.SetLapNote(note->key, note->flag, text);
  } else if (!text.empty()) {
    header_.SetLapNote(Key(lap), 0, text);
  }
}

SessionData::SessionData(SessionHeader header, LapSettings settings)
    : header_(std::move(header)), settings_(settings), laps_(samples_, traps_, settings_, &notes_) {}

void SessionData::SetSamples(std::vector<LogSample> samples) {
  samples_.Clear();
  for (const LogSample& s : samples) samples_.Append(s);
}

bool SessionData::AppendLive(const LogSample& sample) {
  samples_.Append(sample);
  switch (header_.type) {
    case kSessionLapTiming:
      return laps_.LiveStep(crossings_);
    case kSessionPerformance:
      return performance_ != nullptr && performance_->LiveStep(samples_);
    default:
      return false;
  }
}

void SessionData::Recompute() {
  if (header_.type == kSessionLapTiming) {
    laps_.Recompute(crossings_);
  } else if (header_.type == kSessionPerformance && performance_ != nullptr) {
    performance_->Recompute(samples_);
  }
}

LapSettings LapSettingsFrom(uint32_t hi_lo_threshold_mps) {
  LapSettings settings;
  settings.hi_lo_threshold_mps = static_cast<int32_t>(hi_lo_threshold_mps);
  return settings;
}

}  // namespace kv
