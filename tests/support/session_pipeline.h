// SessionPipeline: the road of a fix in a "Lap timing" session, for tests:
// NMEA text -> NmeaParser -> SampleBuilder -> sample list -> live crossing
// search -> lap list.
#pragma once

#include <string_view>
#include <vector>

#include "acquisition/nmea_parser.h"
#include "acquisition/obd_channels.h"
#include "session/header_note_store.h"
#include "timing/lap_list.h"
#include "timing/sample_builder.h"

namespace kv::sim {

// The lap notes of a session header kept in memory, through the store the
// recorded sessions use.
class MemoryNoteStore final : public LapNoteStore {
 public:
  bool FindInvalidFlag(const LapWindow& lap, bool* flag) const override { return store_.FindInvalidFlag(lap, flag); }
  void SetInvalidFlag(const LapWindow& lap, bool invalid) override { store_.SetInvalidFlag(lap, invalid); }
  WideString NoteText(const LapWindow& lap) const override { return store_.NoteText(lap); }

 private:
  SessionHeader header_;
  HeaderNoteStore store_{header_};
};

class SessionPipeline {
 public:
  explicit SessionPipeline(const TrapList& traps, LapSettings settings = {});

  // Feeds text; every emitted sample is recorded and runs the live step.
  void Feed(std::string_view nmea);

  SampleList& Samples() { return samples_; }
  CrossingList& Crossings() { return crossings_; }
  LapList& Laps() { return laps_; }

 private:
  NmeaParser parser_{false};
  ObdChannelTable decoder_;
  SampleBuilder builder_{decoder_};
  LapSettings settings_;
  MemoryNoteStore notes_;
  SampleList samples_{kSampleListGrowth};
  CrossingList crossings_{kCrossingListGrowth};
  LapList laps_;
};

// Times of the finished laps' finish marks and lap times, in lap order.
std::vector<int32_t> LapTimes(const LapList& laps);

}  // namespace kv::sim
