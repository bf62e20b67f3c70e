// EpochAssembler: gathers the sentences a receiver sends for one fix epoch.
//
// Receivers differ in what they send: RMC and GGA together, RMC alone at
// 10-25 Hz, GGA at 10 Hz with RMC at 1 Hz, GNS and GLL instead, VTG for the
// speed. An epoch is every timed sentence (RMC, GGA, GNS, GLL, ZDA) of one
// time of day, with the VTG sent between them. The first epochs close when
// a sentence of the next time of day arrives; from them the assembler learns
// which sentence type ends this receiver's epoch and from then on finishes
// each epoch at that sentence, so a sample is not an epoch late. A type
// that turns out not to be last in two epochs running is forgotten and
// learnt again.
//
// Times run on past midnight: an epoch whose time of day lies more than
// 12 hours before the previous one's is taken as the next day, so a session
// crossing midnight UTC keeps increasing times.
//
// Main thread only, like the builder that owns it.
#pragma once

#include <array>
#include <cstdint>

#include "core/date_time.h"
#include "core/fix_record.h"
#include "core/not_set.h"

namespace kv {

// What the sentences of one epoch said. Values are as sent (NMEA angle
// form, knots, degrees, metres); kNoValue / kNotSet where no sentence of the
// epoch carried them.
struct FixEpoch {
  int32_t time = kNotSet;     // ms, run on past midnight (see above)
  int32_t time_of_day = 0;    // ms of day as sent
  uint32_t members = 0;       // bit (1 << SentenceType) of every sentence taken
  bool not_a_fix = false;     // a sentence said so (quality 0/6/8, status V, mode N/E/S)
  int32_t position_rank = 0;  // which sentence gave the position; 0 none
  double latitude = kNoValue;
  double longitude = kNoValue;
  double knots = kNoValue;
  double course = kNoValue;       // degrees true
  int32_t fix_quality = kNotSet;  // GGA only
  int32_t satellites = kNotSet;   // GGA or GNS
  double hdop = kNoValue;
  double altitude = kNoValue;
  // Day number: from an RMC or ZDA of this epoch, else carried on from the
  // latest date known (a day later for each midnight passed since).
  int32_t date = kNotSet;

  bool HasPosition() const { return position_rank > 0; }
};

class EpochAssembler {
 public:
  EpochAssembler() = default;

  // Takes the record of the sentence just parsed; returns how many epochs
  // it finished: 0, 1, or 2 when it both closed an epoch and was the last
  // sentence of its own. Finished(0) is the older of two.
  int32_t Take(const FixRecord& fix);
  const FixEpoch& Finished(int32_t i) const { return finished_[static_cast<size_t>(i)]; }
  int32_t FinishedCount() const { return finished_count_; }
  // The input ended or broke off: finishes the epoch under way, if any, with
  // what it got; returns how many epochs that finished (0 or 1).
  int32_t Flush();

  // The computer's UTC date and time, for a receiver that sends no date at
  // all (GGA or GLL alone): its epochs take the date of the day whose time
  // of day lies within 12 hours of the clock's.
  void SetClockDate(const DateTimeValue& now_utc) { clock_ = now_utc; }

  // The sentence type that ends an epoch, once learnt; kSentenceNone before.
  SentenceType LearnedLast() const { return learned_; }

  // Forgets the receiver, keeps the clock's date.
  void Reset() { *this = EpochAssembler(clock_); }

 private:
  static void Merge(FixEpoch& epoch, const FixRecord& fix);
  void NoteDate(int32_t date, int32_t time);
  void Finish();
  // An epoch left by a sentence of a later time.
  void Close();
  void Open(int32_t time_of_day);

  FixEpoch current_;
  bool open_ = false;
  bool current_finished_ = false;
  std::array<FixEpoch, 2> finished_;
  int32_t finished_count_ = 0;
  // A VTG after the epoch was finished belongs to the next one.
  FixEpoch pending_;
  bool has_pending_ = false;

  SentenceType last_member_ = kSentenceNone;
  SentenceType candidate_ = kSentenceNone;
  int32_t candidate_count_ = 0;
  SentenceType learned_ = kSentenceNone;
  bool late_in_epoch_ = false;
  int32_t late_epochs_ = 0;
  int32_t day_offset_ = 0;
  int32_t last_time_ = kNotSet;
  int32_t latest_date_ = kNotSet;
  int32_t latest_date_time_ = kNotSet;  // epoch time the latest date came with
  DateTimeValue clock_;

  explicit EpochAssembler(const DateTimeValue& clock) : clock_(clock) {}
};

}  // namespace kv
