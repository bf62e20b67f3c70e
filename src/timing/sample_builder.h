// SampleBuilder: pairs the sentences of one receiver epoch into one sample.
// A receiver spreads a fix over RMC, GGA and VTG; a sample is built once a
// GGA and an RMC (or a VTG after the GGA) of the same time of day have both
// arrived, so one sample is emitted per epoch. It also keeps the latest
// OBD-II value of every PID, the satellite lists for the status screens and
// the per-channel validity the graphs and exports ask for.
//
// Lives in timing rather than core because it needs the geodesy and the
// heading estimator. Owned by the core services; main thread only.
#pragma once

#include <array>
#include <cstdint>

#include "core/data_flow.h"
#include "core/date_time.h"
#include "core/fix_record.h"
#include "core/geo_types.h"
#include "core/log_sample.h"
#include "core/obd_decoder.h"
#include "core/obd_record.h"
#include "timing/accelerometer_processor.h"
#include "timing/heading_estimator.h"

namespace kv {

// Whether a channel has had a value: never, valid in the latest epoch or reply, or not.
enum class ChannelState { kNever, kValid, kInvalid };

// Channel ids of the values the builder owns; any other id is an OBD-II channel.
enum GpsChannel : int32_t {
  kChannelSpeed = 4,
  kChannelAltitude = 5,
  kChannelCourse = 6,
  kChannelSatellites = 7,
  kChannelHdop = 9,
  kChannelVdop = 10,
  kChannelAccelerometer = 12,
};

class SampleBuilder final : public SampleFeed {
 public:
  static constexpr int32_t kMaxGap = 3000;  // ms between samples of one segment
  static constexpr int32_t kPidCount = 256;

  // The decoder must outlive the builder.
  explicit SampleBuilder(const ObdDecoder& obd_decoder);

  // SampleFeed: one call per parsed sentence.
  void Feed(const FixRecord& fix) override;
  bool NewSample() const override { return new_sample_; }
  // The epoch's sample; its distance is the session's to carry on.
  LogSample Sample() const override;
  DateTimeValue SampleDateTime() const override { return date_time_; }
  bool NewObdValue() const override { return obd_record_; }
  ObdRecord LastObd() const override { return last_obd_; }
  int32_t FixQuality() const override { return fix_quality_; }
  bool AccelerometerRecord() const { return accelerometer_record_; }

  // The current sample (valid when NewSample() was raised).
  IntPoint Position() const { return position_; }
  double Speed() const { return speed_; }            // rad/s, NaN when none
  double Altitude() const { return altitude_; }      // central angle, NaN when none
  double Course() const { return course_; }          // radians, NaN when none
  double CourseDegrees() const { return course_degrees_; }  // as sent, 0 when none
  double Hdop() const { return hdop_; }
  double Vdop() const { return vdop_; }
  int32_t Satellites() const { return satellites_; }
  int32_t TimeOfDay() const { return time_of_day_; }  // ms, kNotSet when none
  DateTimeValue DateTime() const { return date_time_; }
  // True when this sample does not continue the previous one (a gap over
  // kMaxGap, a missing time, or a no-fix epoch before it).
  bool SegmentBreak() const { return segment_break_ != 0; }
  bool NoFix() const { return no_fix_ != 0; }

  // Status screens.
  int32_t SkyCount() const { return sky_count_; }
  const std::array<SatelliteInfo, FixRecord::kMaxSatellites>& Sky() const { return sky_; }
  int32_t UsedPrnCount() const { return prn_count_; }
  const std::array<int32_t, FixRecord::kMaxSatellites>& UsedPrns() const { return prns_; }

  // OBD-II values by PID (0..255); out of range gives 0.
  int32_t ObdValue(int32_t pid) const;
  ChannelState ObdFreshness(int32_t pid) const;
  int32_t LastObdPid() const { return last_obd_pid_; }

  // ChannelState of a GPS channel; for any other channel id the freshness of
  // `obd_pid`, the PID the channel table gives that channel (0 when -1).
  ChannelState ChannelValidity(int32_t channel_id, int32_t obd_pid = -1) const;

  const HeadingEstimator& Heading() const { return heading_; }
  const AccelerometerProcessor& Accelerometer() const { return accelerometer_; }

  // Back to the state after construction.
  void Reset();

 private:
  enum class Pairing { kNothing, kRmcSeen, kGgaSeen, kComplete };
  enum Validity : int32_t { kSpeedIdx, kAltitudeIdx, kSatellitesIdx, kCourseIdx, kHdopIdx, kVdopIdx, kAccIdx, kValidityCount };

  void PairTimed(const FixRecord& fix, Pairing seen, Pairing other);
  void Build(const FixRecord& fix);
  void SetValidity(Validity which, bool valid) { validity_[which] = valid ? ChannelState::kValid : ChannelState::kInvalid; }

  const ObdDecoder& obd_decoder_;
  HeadingEstimator heading_;
  AccelerometerProcessor accelerometer_;

  int32_t segment_break_ = 1;
  int32_t no_fix_ = 0;
  int32_t sky_count_ = 0;
  std::array<SatelliteInfo, FixRecord::kMaxSatellites> sky_{};
  int32_t prn_count_ = 0;
  std::array<int32_t, FixRecord::kMaxSatellites> prns_{};

  IntPoint position_;
  double altitude_ = kNoValue;
  double speed_ = kNoValue;
  double course_ = kNoValue;
  double course_degrees_ = 0.0;
  double hdop_ = kNoValue;
  double vdop_ = kNoValue;
  int32_t satellites_ = 0;
  int32_t fix_quality_ = 0;
  int32_t time_of_day_ = kNotSet;
  int32_t pairing_time_ = kNotSet;
  DateTimeValue date_time_;
  double previous_course_ = 0.0;
  double previous_course_degrees_ = 0.0;
  double reference_speed_ = kNoValue;
  IntPoint previous_position_;
  int32_t previous_time_ = kNotSet;

  bool new_sample_ = false;
  bool obd_record_ = false;
  bool accelerometer_record_ = false;
  Pairing pairing_ = Pairing::kNothing;

  std::array<int32_t, kPidCount> obd_values_{};
  std::array<ChannelState, kPidCount> obd_freshness_{};
  uint8_t last_obd_pid_ = 0;
  ObdRecord last_obd_;
  std::array<ChannelState, kValidityCount> validity_{};
};

}  // namespace kv
