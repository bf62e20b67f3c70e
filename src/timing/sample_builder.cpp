#include "timing/sample_builder.h"

#include <algorithm>

#include "timing/geodesy.h"
#include "timing/sample_list.h"

namespace kv {

SampleBuilder::SampleBuilder(const ObdDecoder& obd_decoder) : obd_decoder_(&obd_decoder) {}

void SampleBuilder::Reset() {
  EpochAssembler epochs = epochs_;
  epochs.Reset();
  *this = SampleBuilder(*obd_decoder_);
  epochs_ = epochs;
}

namespace {

uint16_t ToHundredths(double value) {
  if (!IsSet(value) || value < 0.0 || value * 100.0 >= LogSample::kNoWord)
    return LogSample::kNoWord;
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
  return pid >= 0 && pid < kPidCount ? obd_freshness_[static_cast<size_t>(pid)]
                                     : ChannelState::kNever;
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

void SampleBuilder::Feed(const FixRecord& fix) {
  new_sample_ = obd_record_ = accelerometer_record_ = false;
  switch (fix.type) {
    case kSentenceGsa:
      prn_count_ = fix.prn_count;
      prns_ = fix.prns;
      gsa_hdop_ = fix.valid.hdop ? fix.hdop : kNoValue;
      gsa_vdop_ = fix.valid.vdop ? fix.vdop : kNoValue;
      break;
    case kSentenceGsv:
      if (fix.sky_complete) {
        sky_count_ = fix.sky_count;
        sky_ = fix.sky;
      }
      break;
    case kSentenceObd: {
      const auto pid = static_cast<size_t>(fix.obd.pid & 0xFF);
      int32_t value = 0;
      if (fix.obd.valid && obd_decoder_->Decode(fix.obd, &value)) {
        obd_values_[pid] = value;
        obd_freshness_[pid] = ChannelState::kValid;
        last_obd_pid_ = static_cast<uint8_t>(pid);
        if (fix.valid.time) {
          obd_record_ = true;
          last_obd_ = {fix.time, static_cast<uint32_t>(value),
                       obd_decoder_->ChannelOf(static_cast<int32_t>(pid))};
        }
      } else if (!fix.obd.valid) {
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
      unbuilt_ = epochs_.Take(fix);
      NextSample();
      break;
  }
}

void SampleBuilder::EndOfInput() {
  new_sample_ = obd_record_ = accelerometer_record_ = false;
  unbuilt_ = epochs_.Flush();
  NextSample();
}

bool SampleBuilder::NextSample() {
  new_sample_ = false;
  while (unbuilt_ > 0 && !new_sample_) {
    Build(epochs_.Finished(epochs_.FinishedCount() - unbuilt_));
    --unbuilt_;
  }
  return new_sample_;
}

void SampleBuilder::Build(const FixEpoch& epoch) {
  if (epoch.not_a_fix) {
    // Nothing of it is kept: the next sample is measured against the last
    // good one, and starts a new segment.
    ++not_a_fix_count_;
    fix_quality_ = 0;
    no_fix_ = 1;
    return;
  }
  // A time without a position (a ZDA of its own) says nothing of the fix.
  if (!epoch.HasPosition()) return;
  const IntPoint previous_position = position_;
  const int32_t previous_time = time_of_day_;
  const bool in_time = IsSet(previous_time) && epoch.time > previous_time &&
                       static_cast<int64_t>(previous_time) + kMaxGap >= epoch.time;
  segment_break_ = in_time ? no_fix_ : 1;
  no_fix_ = 0;

  time_of_day_ = epoch.time;
  date_time_ = IsSet(epoch.date) ? DateTimeValue{epoch.date, epoch.time_of_day} : DateTimeValue{};
  position_ = {NmeaToAngleValue(epoch.latitude), NmeaToAngleValue(epoch.longitude)};
  fix_quality_ = IsSet(epoch.fix_quality) ? epoch.fix_quality : 1;
  satellites_ = IsSet(epoch.satellites) ? epoch.satellites : 0;
  SetValidity(kSatellitesIdx, IsSet(epoch.satellites));
  hdop_ = IsSet(epoch.hdop) ? epoch.hdop : gsa_hdop_;
  SetValidity(kHdopIdx, IsSet(hdop_));
  vdop_ = gsa_vdop_;
  SetValidity(kVdopIdx, IsSet(vdop_));
  altitude_ = IsSet(epoch.altitude) ? MetresToRad(epoch.altitude) : kNoValue;
  SetValidity(kAltitudeIdx, IsSet(altitude_));

  // Speed and course as sent; a receiver that sends neither (GGA or GLL
  // alone) gets them from the movement since the last sample. Under
  // 0.5 m/s that movement is the position's noise: standing still.
  double moved = kNoValue;
  if (in_time && previous_position.IsSet()) {
    const GeoPoint from = ToGeoPoint(previous_position), to = ToGeoPoint(position_);
    const double v = Distance(from, to) / ((epoch.time - previous_time) / 1000.0);
    moved = RadToMetres(v) < 0.5 ? 0.0 : v;
    if (moved > 0.0 && !IsSet(epoch.course)) {
      course_ = FlooredMod(Bearing(from, to), 2.0 * kPi);
      course_degrees_ = RadToDeg(course_);
    }
  }
  speed_ = IsSet(epoch.knots) ? KnotsToRadPerSec(epoch.knots) : moved;
  SetValidity(kSpeedIdx, IsSet(speed_));
  if (IsSet(epoch.course)) {
    course_ = DegToRad(epoch.course);
    course_degrees_ = epoch.course;
  }
  // Otherwise the course of the movement, or the last one known.
  SetValidity(kCourseIdx, IsSet(course_));

  new_sample_ = true;
  heading_.Feed(ToGeoPoint(position_), epoch.time, speed_, course_);
}

}  // namespace kv
