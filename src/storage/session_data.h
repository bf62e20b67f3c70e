// SessionData: one session's analysis objects, shared by the recording
// session and the review: the header (with the lap notes), the sample list
// with its cumulative distance, the OBD-II records, the track's traps, the
// crossing list and the laps. Type decides the live step: "Lap timing"
// searches crossings and times laps, "Performance testing" hands each
// sample to the performance engine hook, "Data logging only" records only.
//
// Not copyable or movable: the lap list keeps references into it. Main
// thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "storage/session_header.h"
#include "timing/channels.h"
#include "timing/crossings.h"
#include "timing/lap_list.h"
#include "timing/lap_note_store.h"
#include "timing/sample_list.h"
#include "timing/trap.h"

namespace kv {

// The lap notes of a session header as the lap engine sees them: keyed by
// the middle of the lap's time window; flag 1 marks the lap invalid.
class HeaderNoteStore final : public LapNoteStore {
 public:
  explicit HeaderNoteStore(SessionHeader& header) : header_(header) {}
  bool FindInvalidFlag(const LapWindow& lap, bool* invalid) const override;
  void SetInvalidFlag(const LapWindow& lap, bool invalid) override;
  WideString NoteText(const LapWindow& lap) const override;
  // Replaces the text of the lap's note (created when there is none).
  void SetText(const LapWindow& lap, std::u16string_view text);

 private:
  SessionHeader& header_;
};

// The hook of "Performance testing" sessions: the run engine takes each
// appended sample and rebuilds its runs on a recompute. Not owned.
class PerformanceHook {
 public:
  virtual ~PerformanceHook() = default;
  // After a sample was appended live; true when the screens need a full refresh.
  virtual bool LiveStep(const SampleList& samples) = 0;
  virtual void Recompute(const SampleList& samples) = 0;
};

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
  void SetPerformanceHook(PerformanceHook* hook) { performance_ = hook; }

  // The traps of the session's track (copied); the laps need a Recompute().
  void SetTraps(const TrapList& traps) { traps_ = traps; }
  // Whole lists, as loaded; the laps need a Recompute().
  void SetSamples(std::vector<LogSample> samples);
  void SetObdRecords(std::vector<ObdRecord> records) { obd_ = std::move(records); }

  // Appends a sample whose distance is already carried on (MakeLogSample)
  // and runs the live step of the session's type. True when the screens
  // need a full refresh (a lap was finished, or the engine says so).
  bool AppendLive(const LogSample& sample);
  void AppendObd(const ObdRecord& record) { obd_.push_back(record); }
  // Crossings, laps (with the invalid marks from the notes) and the
  // performance runs from the whole sample list.
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
  PerformanceHook* performance_ = nullptr;
};

// The lap settings the engine reads, from the user's settings.
LapSettings LapSettingsFrom(uint32_t hi_lo_threshold_mps);

}  // namespace kv
