// SampleBuilder: turns each receiver epoch into one sample. The epoch
// assembler says which sentences make an epoch; a sample is made of
// whatever they carried: the position from GGA, GNS, RMC or GLL, speed and
// course from RMC or VTG (else from the movement since the last sample),
// altitude and satellites from GGA or GNS where sent. An epoch any of whose
// sentences says there is no fix gives no sample. It also keeps the latest
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
#include "timing/fix_epoch.h"
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
  bool NextSample() override;
  void EndOfInput() override;
  // The epoch's sample; its distance is the session's to carry on.
  LogSample Sample() const override;
  DateTimeValue SampleDateTime() const override { return date_time_; }
  bool NewObdValue() const override { return obd_record_; }
  ObdRecord LastObd() const override { return last_obd_; }
  // Of the last epoch: its GGA quality, 1 for a fix without GGA, 0 for none.
  int32_t FixQuality() const override { return fix_quality_; }
  bool AccelerometerRecord() const { return accelerometer_record_; }

  // The current sample (valid when NewSample() was raised).
  IntPoint Position() const { return position_; }
  double Speed() const { return speed_; }                   // rad/s, NaN when none
  double Altitude() const { return altitude_; }             // central angle, NaN when none
  double Course() const { return course_; }                 // radians, NaN when none
  double CourseDegrees() const { return course_degrees_; }  // as sent, 0 when none
  double Hdop() const { return hdop_; }
  double Vdop() const { return vdop_; }
  int32_t Satellites() const { return satellites_; }
  int32_t TimeOfDay() const { return time_of_day_; }  // ms, run on past midnight; kNotSet when none
  DateTimeValue DateTime() const { return date_time_; }
  // True when this sample does not continue the previous one (a gap over
  // kMaxGap, time not moving forward, or an epoch without a fix before it).
  bool SegmentBreak() const { return segment_break_ != 0; }
  bool NoFix() const { return no_fix_ != 0; }
  // Epochs whose sentences said there was no fix, since the last Reset.
  int32_t NotAFixCount() const { return not_a_fix_count_; }
  const EpochAssembler& Epochs() const { return epochs_; }
  // See EpochAssembler::SetClockDate; kept by Reset.
  void SetClockDate(const DateTimeValue& now_utc) { epochs_.SetClockDate(now_utc); }

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
  enum Validity : int32_t {
    kSpeedIdx,
    kAltitudeIdx,
    kSatellitesIdx,
    kCourseIdx,
    kHdopIdx,
    kVdopIdx,
    kAccIdx,
    kValidityCount
  };

  void Build(const FixEpoch& epoch);
  void SetValidity(Validity which, bool valid) {
    validity_[which] = valid ? ChannelState::kValid : ChannelState::kInvalid;
  }

  const ObdDecoder* obd_decoder_;
  HeadingEstimator heading_;
  AccelerometerProcessor accelerometer_;
  EpochAssembler epochs_;

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
  DateTimeValue date_time_;
  // Of the latest GSA, which comes apart from the epoch's sentences.
  double gsa_hdop_ = kNoValue;
  double gsa_vdop_ = kNoValue;
  int32_t not_a_fix_count_ = 0;

  bool new_sample_ = false;
  int32_t unbuilt_ = 0;  // epochs the last sentence finished and not yet built
  bool obd_record_ = false;
  bool accelerometer_record_ = false;

  std::array<int32_t, kPidCount> obd_values_{};
  std::array<ChannelState, kPidCount> obd_freshness_{};
  uint8_t last_obd_pid_ = 0;
  ObdRecord last_obd_;
  std::array<ChannelState, kValidityCount> validity_{};
};

}  // namespace kv
