#include "timing/sample_builder.h"

#include <algorithm>

#include "timing/geodesy.h"
#include "timing/sample_list.h"

namespace kv {

SampleBuilder::SampleBuilder(const ObdDecoder& obd_decoder) : obd_decoder_(obd_decoder) {}

void SampleBuilder::Reset() {
  heading_.Reset();
  accelerometer_.Reset();
  segment_break_ = 1;
  no_fix_ = 0;
  sky_count_ = 0;
  sky_ = {};
  prn_count_ = 0;
  prns_ = {};
  position_ = IntPoint{};
  altitude_ = speed_ = course_ = hdop_ = vdop_ = kNoValue;
  course_degrees_ = 0.0;
  satellites_ = 0;
  fix_quality_ = 0;
  time_of_day_ = kNotSet;
  pairing_time_ = kNotSet;
  date_time_.SetUnknown();
  previous_course_ = previous_course_degrees_ = 0.0;
  reference_speed_ = kNoValue;
  previous_position_ = IntPoint{};
  previous_time_ = kNotSet;
  new_sample_ = obd_record_ = accelerometer_record_ = false;
  pairing_ = Pairing::kNothing;
  obd_values_ = {};
  obd_freshness_ = {};
  last_obd_pid_ = 0;
  last_obd_ = {};
  validity_ = {};
}

namespace {

uint16_t ToHundredths(double value) {
  if (!IsSet(value) || value < 0.0 || value * 100.0 >= LogSample::kNoWord) return LogSample::kNoWord;
  return static_cast<uint16_t>(value * 100.0 + 0.5);
}

}  // namespace

LogSample SampleBuilder::Sample() const {
  LogSample sample;
  sample.time = time_of_day_;
  sample.position = position_;
  sample.altitude = RadToAngleValue(altitude_);
  sample.speed = SpeedToStored(speed_);
  sample.heading = RadiansToHeadingWord(course_);
  sample.hdop = ToHundredths(hdop_);
  sample.vdop = ToHundredths(vdop_);
  // Six bits hold 63; more satellites (receivers using several systems
  // see 64 and beyond) are stored as 63, not wrapped to 0.
  sample.flags = static_cast<uint8_t>(std::min<int32_t>(satellites_, LogSample::kSatelliteMask));
  return sample;
}

int32_t SampleBuilder::ObdValue(int32_t pid) const {
  return pid >= 0 && pid < kPidCount ? obd_values_[static_cast<size_t>(pid)] : 0;
}

ChannelState SampleBuilder::ObdFreshness(int32_t pid) const {
  return pid >= 0 && pid < kPidCount ? obd_freshness_[static_cast<size_t>(pid)] : ChannelState::kNever;
}

ChannelState SampleBuilder::ChannelValidity(int32_t channel_id, int32_t obd_pid) const {
  switch (channel_id) {
    case kChannelSpeed:
      return validity_[kSpeedIdx];
    case kChannelAltitude:
      return validity_[kAltitudeIdx];
    case kChannelCourse:
      return validity_[kCourseIdx];
    case kChannelSatellites:
      return validity_[kSatellitesIdx];
    case kChannelHdop:
      return validity_[kHdopIdx];
    case kChannelVdop:
      return validity_[kVdopIdx];
    case kChannelAccelerometer:
      return validity_[kAccIdx];
    default:
      return ObdFreshness(obd_pid);
  }
}

// An RMC completes an epoch opened by the GGA of the same time, and vice
// versa; any other order opens a new epoch.
void SampleBuilder::PairTimed(const FixRecord& fix, Pairing seen, Pairing other) {
  if (!fix.valid.time) return;
  const int32_t t = fix.time;
  pairing_ = (pairing_ == other && IsSet(pairing_time_) && pairing_time_ == t) ? Pairing::kComplete : seen;
  pairing_time_ = t;
}

void SampleBuilder::Feed(const FixRecord& fix) {
  new_sample_ = obd_record_ = accelerometer_record_ = false;
  switch (fix.type) {
    case kSentenceRmc:
      PairTimed(fix, Pairing::kRmcSeen, Pairing::kGgaSeen);
      break;
    case kSentenceGga:
      PairTimed(fix, Pairing::kGgaSeen, Pairing::kRmcSeen);
      break;
    case kSentenceGsa:
      prn_count_ = fix.prn_count;
      prns_ = fix.prns;
      break;
    case kSentenceGsv:
      if (fix.sky_complete) {
        sky_count_ = fix.sky_count;
        sky_ = fix.sky;
      }
      break;
    case kSentenceVtg:
      if (pairing_ == Pairing::kGgaSeen) pairing_ = Pairing::kComplete;
      break;
    case kSentenceObd: {
      const auto pid = static_cast<size_t>(fix.obd.pid & 0xFF);
      if (fix.obd.valid) {
        int32_t value = 0;
        if (obd_decoder_.Decode(fix.obd, &value)) {
          obd_values_[pid] = value;
          obd_freshness_[pid] = ChannelState::kValid;
          last_obd_pid_ = static_cast<uint8_t>(pid);
          if (fix.valid.time) {
            obd_record_ = true;
            time_of_day_ = fix.time;
            last_obd_ = {fix.time, static_cast<uint32_t>(value), obd_decoder_.ChannelOf(static_cast<int32_t>(pid))};
          }
        }
      } else {
        // Only the PID is marked. The adapter's reply says nothing of the
        // receiver's epochs: pairing it like an RMC completed an epoch from
        // the OBD-II record, or dropped the sample whose GGA it came after.
        obd_values_[pid] = 0;
        obd_freshness_[pid] = ChannelState::kInvalid;
      }
      break;
    }
    case kSentenceAcc:
      if (fix.acc_valid && fix.valid.time) {
        accelerometer_.Take(fix.acc, fix.time, position_, speed_, course_);
        accelerometer_record_ = true;
        SetValidity(kAccIdx, true);
      } else {
        SetValidity(kAccIdx, false);
      }
      break;
    default:
      break;
  }
  if (pairing_ == Pairing::kComplete) Build(fix);
}

void SampleBuilder::Build(const FixRecord& fix) {
  const FixValidity& valid = fix.valid;
  const int32_t t = fix.time;
  // 1-2: what the next sample is measured against.
  if (valid.course) {
    previous_course_ = course_;
    previous_course_degrees_ = course_degrees_;
  }
  previous_time_ = time_of_day_;
  if (valid.speed) reference_speed_ = speed_;
  previous_position_ = position_;
  // 3: continuity with the previous sample.
  // A time that does not move forward (a receiver restart, a spliced log)
  // breaks the segment like a long gap does.
  if (valid.time && IsSet(previous_time_) && t > previous_time_ &&
      static_cast<int64_t>(previous_time_) + kMaxGap >= t) {
    segment_break_ = no_fix_;
  } else {
    segment_break_ = 1;
  }
  // 4-5: this epoch's values.
  hdop_ = vdop_ = course_ = speed_ = altitude_ = kNoValue;
  satellites_ = fix_quality_ = 0;
  course_degrees_ = 0.0;
  position_ = IntPoint{};
  time_of_day_ = kNotSet;
  date_time_.SetUnknown();
  if (valid.fix_quality) fix_quality_ = fix.fix_quality;
  if (valid.satellites) satellites_ = fix.satellites;
  SetValidity(kSatellitesIdx, valid.satellites);
  if (valid.hdop) hdop_ = fix.hdop;
  SetValidity(kHdopIdx, valid.hdop);
  if (valid.vdop) vdop_ = fix.vdop;
  SetValidity(kVdopIdx, valid.vdop);
  if (valid.time) time_of_day_ = t;
  if (valid.latitude && valid.longitude) {
    position_ = {NmeaToAngleValue(fix.latitude), NmeaToAngleValue(fix.longitude)};
  }
  if (valid.altitude) altitude_ = MetresToRad(fix.altitude);
  SetValidity(kAltitudeIdx, valid.altitude);
  // 6: speed, from the movement when the receiver sent none. Only trusted
  // at low speed: above 10 m/s a position step is too coarse a measure.
  if (valid.speed) {
    speed_ = KnotsToRadPerSec(fix.speed);
  } else if (position_.IsSet() && previous_position_.IsSet() && IsSet(time_of_day_) &&
             IsSet(previous_time_) && RadToMetres(reference_speed_) < 10.0) {
    const double seconds = (time_of_day_ - previous_time_) / 1000.0;
    const double v =
        SafeDivide(Distance(ToGeoPoint(previous_position_), ToGeoPoint(position_)), seconds);
    const double metres_per_second = RadToMetres(v);
    if (metres_per_second < 0.5) {
      speed_ = 0.0;
    } else if (metres_per_second < 15.0) {
      speed_ = v;
    }
  }
  SetValidity(kSpeedIdx, IsSet(speed_));
  // 7: course, held over from the last fix that carried one.
  if (valid.course) {
    course_ = DegToRad(fix.course);
    course_degrees_ = fix.course;
  } else {
    course_ = previous_course_;
    course_degrees_ = previous_course_degrees_;
  }
  SetValidity(kCourseIdx, true);
  // 8-9.
  if (valid.date && valid.time) date_time_ = {fix.date, t};
  const bool has_fix = valid.fix_quality && fix.fix_quality != 0;
  if (has_fix && valid.satellites && valid.time && valid.latitude && valid.longitude &&
      valid.altitude && IsSet(course_) && IsSet(speed_)) {
    new_sample_ = true;
    heading_.Feed(ToGeoPoint(position_), t, speed_, course_);
  }
  // 10-11.
  pairing_ = Pairing::kNothing;
  no_fix_ = has_fix ? 0 : 1;
}

}  // namespace kv
