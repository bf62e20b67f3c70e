#include "audio/announcer.h"

#include "audio/clip_composer.h"

namespace kv::audio {

namespace {

// Finished laps and the newest of them (-1 for none).
int32_t FinishedLaps(const LapList& laps, int32_t* newest) {
  int32_t count = 0;
  *newest = -1;
  for (int32_t k = 0; k < laps.LapCount(); ++k) {
    if (!laps.LapAt(k).IsFinished()) continue;
    ++count;
    *newest = k;
  }
  return count;
}

}  // namespace

Announcer::Announcer(VoiceMode mode, Speak speak) : mode_(mode), speak_(std::move(speak)) {}

void Announcer::Start(const LapList& laps) {
  int32_t newest = -1;
  finished_ = FinishedLaps(laps, &newest);
}

void Announcer::Update(const LapList& laps) {
  int32_t newest = -1;
  const int32_t finished = FinishedLaps(laps, &newest);
  const bool more = finished > finished_;
  finished_ = finished;  // also when a recompute found fewer
  if (!more || mode_ == VoiceMode::kOff) return;
  const Lap& lap = laps.LapAt(newest);
  WideString clips = Compose(lap.LapTime(), 1, false);
  const Lap* comparison = laps.ComparisonLap(newest);
  if (mode_ == VoiceMode::kLapTimeAndDifference && comparison != nullptr && comparison != &lap &&
      IsSet(comparison->LapTime()) && IsSet(lap.LapTime())) {
    const WideString difference = Compose(lap.LapTime() - comparison->LapTime(), 1, true);
    if (!clips.IsEmpty() && !clips.AsView().ends_with(u';')) clips.Append(u";");
    clips.Append(difference.AsView());
  }
  last_ = clips;
  const std::vector<std::string> names = SplitClipList(clips.AsView());
  if (!names.empty()) speak_(names);
}

}  // namespace kv::audio
