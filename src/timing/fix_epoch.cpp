#include "timing/fix_epoch.h"

#include <cmath>

namespace kv {

namespace {

// Which sentence's position an epoch keeps when several carry one: GGA
// comes with its fix quality, GNS with its satellites, RMC with a status.
int32_t PositionRank(SentenceType type) {
  switch (type) {
    case kSentenceGga:
      return 4;
    case kSentenceGns:
      return 3;
    case kSentenceRmc:
      return 2;
    case kSentenceGll:
      return 1;
    default:
      return 0;
  }
}

// FAA mode letters of a receiver that has no fix: N not valid, E dead
// reckoning (estimated), S simulator.
bool ModeSaysNoFix(char mode) { return mode == 'N' || mode == 'E' || mode == 'S'; }

// GGA quality 0 invalid, 6 dead reckoning, 8 simulation; an empty quality
// field claims nothing either.
bool QualitySaysNoFix(const FixRecord& fix) {
  return !fix.valid.fix_quality || fix.fix_quality == 0 || fix.fix_quality == 6 ||
         fix.fix_quality == 8;
}

// An NMEA angle (degrees * 100 + minutes) that a place on the globe has.
bool OnGlobe(double nmea, int32_t max_degrees) {
  const double a = std::fabs(nmea);
  return a <= max_degrees * 100.0 && std::fmod(a, 100.0) < 60.0;
}

// Eleven days on at most: sample times stay below 2^30 ms (12.4 days), the
// bound the session readers keep.
constexpr int32_t kMaxDayOffset = 11 * kDayMs;

}  // namespace

void EpochAssembler::Merge(FixEpoch& epoch, const FixRecord& fix) {
  const FixValidity& v = fix.valid;
  epoch.members |= 1u << fix.type;
  // The record keeps the letters of earlier sentences: only those that
  // carry them are asked.
  const bool has_letters = fix.type == kSentenceRmc || fix.type == kSentenceGll ||
                           fix.type == kSentenceVtg || fix.type == kSentenceGns;
  if (has_letters && (fix.status == 'V' || ModeSaysNoFix(fix.mode))) epoch.not_a_fix = true;
  const int32_t rank = PositionRank(fix.type);
  if (rank > epoch.position_rank && v.latitude && v.longitude && OnGlobe(fix.latitude, 90) &&
      OnGlobe(fix.longitude, 180)) {
    epoch.position_rank = rank;
    epoch.latitude = fix.latitude;
    epoch.longitude = fix.longitude;
  }
  switch (fix.type) {
    case kSentenceRmc:
      if (v.speed) epoch.knots = fix.speed;
      if (v.course) epoch.course = fix.course;
      break;
    case kSentenceVtg:
      // RMC's time ties it to the epoch; a VTG's place is only inferred.
      if (v.speed && !(epoch.members & (1u << kSentenceRmc))) epoch.knots = fix.speed;
      if (v.course && !(epoch.members & (1u << kSentenceRmc))) epoch.course = fix.course;
      break;
    case kSentenceGga:
      if (QualitySaysNoFix(fix)) epoch.not_a_fix = true;
      if (v.fix_quality) epoch.fix_quality = fix.fix_quality;
      [[fallthrough]];
    case kSentenceGns:
      if (v.satellites) epoch.satellites = fix.satellites;
      if (v.hdop) epoch.hdop = fix.hdop;
      if (v.altitude) epoch.altitude = fix.altitude;
      break;
    default:
      break;
  }
  if ((fix.type == kSentenceRmc || fix.type == kSentenceZda) && v.date) epoch.date = fix.date;
}

void EpochAssembler::NoteDate(int32_t date, int32_t time) {
  latest_date_ = date;
  latest_date_time_ = time;
}

void EpochAssembler::Finish() {
  if (!IsSet(current_.date) && !IsSet(latest_date_) && clock_.IsKnown()) {
    const int32_t ahead = current_.time_of_day - clock_.time;
    current_.date = clock_.day + (ahead > kDayMs / 2 ? -1 : ahead < -kDayMs / 2 ? 1 : 0);
  }
  if (IsSet(current_.date)) {
    NoteDate(current_.date, current_.time);
  } else if (IsSet(latest_date_)) {
    current_.date = latest_date_ + (current_.time / kDayMs - latest_date_time_ / kDayMs);
  }
  finished_[static_cast<size_t>(finished_count_++)] = current_;
  current_finished_ = true;
}

void EpochAssembler::Close() {
  // Sentences after the learnt last one in two epochs running: it is not
  // this receiver's last after all.
  late_epochs_ = late_in_epoch_ ? late_epochs_ + 1 : 0;
  late_in_epoch_ = false;
  if (late_epochs_ >= 2) {
    learned_ = kSentenceNone;
    candidate_count_ = late_epochs_ = 0;
  }
  if (current_finished_) return;
  candidate_count_ = last_member_ == candidate_ ? candidate_count_ + 1 : 1;
  candidate_ = last_member_;
  if (candidate_count_ >= 2) learned_ = candidate_;
  Finish();
}

void EpochAssembler::Open(int32_t time_of_day) {
  current_ = has_pending_ ? pending_ : FixEpoch{};
  pending_ = FixEpoch{};
  has_pending_ = false;
  int32_t time = time_of_day + day_offset_;
  if (IsSet(last_time_) && time < last_time_ - kDayMs / 2 && day_offset_ < kMaxDayOffset) {
    day_offset_ += kDayMs;
    time += kDayMs;
  }
  current_.time = last_time_ = time;
  current_.time_of_day = time_of_day;
  open_ = true;
  current_finished_ = false;
}

int32_t EpochAssembler::Flush() {
  finished_count_ = 0;
  if (open_ && !current_finished_) Finish();
  return finished_count_;
}

int32_t EpochAssembler::Take(const FixRecord& fix) {
  finished_count_ = 0;
  switch (fix.type) {
    case kSentenceVtg:
      // VTG carries no time: it belongs to the epoch under way, or, sent
      // after that epoch's last sentence, to the next one.
      if (!open_ || current_finished_) {
        Merge(pending_, fix);
        has_pending_ = true;
        return 0;
      }
      break;
    case kSentenceRmc:
    case kSentenceGga:
    case kSentenceGns:
    case kSentenceGll:
    case kSentenceZda:
      if (!fix.valid.time) {
        // A receiver without a time sends its VTG among sentences like
        // this one: such a VTG is no part of the next epoch.
        pending_ = FixEpoch{};
        has_pending_ = false;
        return 0;
      }
      if (open_ && fix.time == current_.time_of_day) {
        if (current_finished_) {
          // Too late for the sample; a date still counts.
          late_in_epoch_ = true;
          if ((fix.type == kSentenceRmc || fix.type == kSentenceZda) && fix.valid.date)
            NoteDate(fix.date, current_.time);
          return 0;
        }
      } else {
        if (open_) Close();
        Open(fix.time);
      }
      break;
    default:
      return 0;
  }
  Merge(current_, fix);
  last_member_ = fix.type;
  if (learned_ != kSentenceNone && fix.type == learned_) Finish();
  return finished_count_;
}

}  // namespace kv
