// SessionData: one session's analysis objects, shared by the recording
// session and the review: the header (with the lap notes), the sample list
// with its cumulative distance, the OBD-II records, the track's traps, the
// crossing list, the laps and, when performance tests are timed, their run
// engine. The header's type decides the live step: "Lap timing" searches
// crossings and times laps, "Performance testing" hands each sample to the
// run engine, "Data logging only" records only.
//
// Not copyable or movable: the lap list keeps references into it. Main
// thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/log_sample.h"
#include "core/obd_record.h"
#include "session/header_note_store.h"
#include "storage/session_header.h"
#include "timing/crossings.h"
#include "timing/lap_list.h"
#include "timing/perf_test_engine.h"
#include "timing/sample_list.h"
#include "timing/trap.h"

namespace kv {

class SessionData {
 public:
  SessionData(SessionHeader header, LapSettings settings);
  SessionData(const SessionData&) = delete;
  SessionData& operator=(const SessionData&) = delete;

  SessionHeader& Header() { return header_; }
  const SessionHeader& Header() const { return header_; }
  HeaderNoteStore& Notes() { return notes_; }
  const SampleList& Samples() const { return samples_; }
  const std::vector<ObdRecord>& ObdRecords() const { return obd_; }
  const TrapList& Traps() const { return traps_; }
  const CrossingList& Crossings() const { return crossings_; }
  LapList& Laps() { return laps_; }
  const LapList& Laps() const { return laps_; }
  // The run engine; null until TimePerfTests().
  const PerfTestEngine* Runs() const { return runs_.get(); }

  // The traps of the session's track (copied); the laps need a Recompute().
  void SetTraps(const TrapList& traps) { traps_ = traps; }
  // Times every test of `tests` (copied): live in a "Performance testing"
  // session, and on each Recompute() whatever the type.
  void TimePerfTests(const PerfTestList& tests);
  // Whole lists, as loaded; the laps need a Recompute().
  void SetSamples(std::vector<LogSample> samples);
  void SetObdRecords(std::vector<ObdRecord> records) { obd_ = std::move(records); }
  // What ties sample times to the calendar: sample time `time` was the UTC
  // date and time `utc` (the sample file's date reference).
  void SetDateReference(int32_t time, const DateTimeValue& utc) {
    reference_time_ = time;
    reference_utc_ = utc;
  }
  // Milliseconds since 1970 (UTC) of sample time 0, from the date
  // reference, else from the day the session was created; false when
  // neither is known.
  bool SampleEpochMs(int64_t* epoch_ms) const;

  // Appends a sample whose distance is already carried on and runs the
  // live step of the session's type. True when the screens need a full
  // refresh (a lap or a run was finished).
  bool AppendLive(const LogSample& sample);
  void AppendObd(const ObdRecord& record) { obd_.push_back(record); }
  // Crossings, laps (with the invalid marks from the notes) and the
  // performance runs from the whole sample list; the runs come from the
  // OBD-II speed when the header says the session used it.
  void Recompute();

 private:
  SessionHeader header_;
  HeaderNoteStore notes_{header_};
  LapSettings settings_;
  SampleList samples_{kSampleListGrowth};
  std::vector<ObdRecord> obd_;
  TrapList traps_{kTrapListGrowth};
  CrossingList crossings_{kCrossingListGrowth};
  LapList laps_;
  std::unique_ptr<PerfTestEngine> runs_;
  int32_t reference_time_ = kNotSet;
  DateTimeValue reference_utc_;
};

// The lap settings the engine reads, from the user's settings.
LapSettings LapSettingsFrom(uint32_t hi_lo_threshold_mps);

}  // namespace kv
