// SessionPipeline: the road of a fix in a "Lap timing" session, for tests:
// NMEA text -> NmeaParser -> SampleBuilder -> sample list -> live crossing
// search -> lap list. Also an in-memory lap note store keyed like the
// session header's (by sample window).
#pragma once

#include <string_view>
#include <vector>

#include "acquisition/nmea_parser.h"
#include "acquisition/obd_channels.h"
#include "timing/lap_list.h"
#include "timing/sample_builder.h"

namespace kv::sim {

// Invalid flags anchored at a sample index; a flag belongs to the lap whose
// window holds it (strictly inside when the window spans 2 samples or
// more). No lap has a note text.
class MemoryNoteStore final : public LapNoteStore {
 public:
  struct Note {
    int32_t anchor = 0;
    bool invalid = false;
  };
  bool FindInvalidFlag(const LapWindow& lap, bool* invalid) const override;
  void SetInvalidFlag(const LapWindow& lap, bool invalid) override;
  WideString NoteText(const LapWindow&) const override { return {}; }

 private:
  const Note* Find(const LapWindow& lap) const;
  std::vector<Note> notes_;
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
