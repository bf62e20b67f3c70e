#include "support/session_pipeline.h"

#include "timing/sample_list.h"

namespace kv::sim {

SessionPipeline::SessionPipeline(const TrapList& traps, LapSettings settings)
    : settings_(settings), laps_(samples_, traps, settings_, &notes_) {}

void SessionPipeline::Feed(std::string_view nmea) {
  parser_.Append(nmea);
  while (parser_.NextSentence()) {
    builder_.Feed(parser_.Fix());
    for (bool more = builder_.NewSample(); more; more = builder_.NextSample()) {
      const LogSample* previous = samples_.Empty() ? nullptr : &samples_[samples_.Count() - 1];
      samples_.Append(WithDistance(builder_.Sample(), previous));
      laps_.LiveStep(crossings_);
    }
  }
}

std::vector<int32_t> LapTimes(const LapList& laps) {
  std::vector<int32_t> times;
  for (int32_t i = 0; i < laps.LapCount(); ++i) {
    if (laps.LapAt(i).IsFinished()) times.push_back(laps.LapAt(i).LapTime());
  }
  return times;
}

}  // namespace kv::sim
