// ObdChannelTable: the OBD-II mode-01 PIDs the system records, how each
// reply decodes, and which the vehicle supports.
//
// A reply "41 PP A B ..." (bytes of an ObdSample) decodes to the raw value:
// the big-endian number of the channel's `byte_count` bytes after "41 PP";
// the value in the channel's unit is (raw + offset) / divisor (Value()).
// Units: speed m/s, distance m, pressure kPa, temperature degrees Celsius,
// voltage V, time s, percent, rpm, angle degrees, mass flow g/s.
//
// Oxygen-sensor PIDs 0x14..0x1B reply "41 PP A B": A is the sensor voltage
// in 1/200 V, B the short-term fuel trim of that sensor (0xFF when the
// sensor is not used for trim). Their raw value is A alone, so the voltage
// is raw / 200 V; B must be present but is not recorded (a fuel trim mixed
// into a voltage figure would be meaningless).
//
// Support bitmaps (PIDs 0x00, 0x20, 0x40): "41 00 A B C D", bit 31 of ABCD
// stands for PID base+1 down to bit 1 for base+31 (bit 0 says whether the
// next bitmap exists). A set bit makes the channel supported; a clear bit
// makes a supported one not supported; unknown stays unknown when the bit
// is clear.
//
// Name of a channel: string kStrChannelFirst + channel number.
// Thread: main thread only.
#pragma once

#include <array>
#include <cstdint>

#include "core/growable_array.h"
#include "core/obd_decoder.h"

namespace kv {

enum ObdUnitKind : int32_t {
  kUnitTime = 1,
  kUnitDistance = 2,
  kUnitSpeed = 4,
  kUnitPercent = 6,
  kUnitTemperature = 7,
  kUnitRpm = 8,
  kUnitPressure = 10,
  kUnitAngle = 11,
  kUnitMassFlow = 12,
  kUnitNumber = 13,
  kUnitVoltage = 14,
};

enum class ObdSupport { kUnknown, kNo, kYes };

struct ObdChannel {
  int32_t channel = 0;  // system-wide channel number
  int32_t unit_kind = 0;
  int32_t pid = 0;
  double offset = 0;
  double divisor = 1;
  int32_t byte_count = 1;  // 1..2
  int32_t extra_byte = 0;  // 1: one more byte follows the value
  ObdSupport support = ObdSupport::kUnknown;
};

class ObdChannelTable final : public ObdDecoder {
 public:
  ObdChannelTable();

  int32_t Count() const { return channels_.Count(); }
  const ObdChannel& At(int32_t index) const { return channels_[index]; }
  // By channel number; nullptr when none.
  const ObdChannel* Lookup(int32_t channel) const;
  // By PID; nullptr when no channel has it.
  const ObdChannel* ForPid(int32_t pid) const;

  // Raw value of a reply for a known channel; support bitmaps update the
  // support values and return false. Never fails on malformed samples
  // other than by returning false.
  bool Decode(const ObdSample& sample, int32_t* raw) const override;
  int32_t ChannelOf(int32_t pid) const override {
    const ObdChannel* channel = ForPid(pid);
    return channel != nullptr ? channel->channel : -1;
  }
  // Support values back to unknown (a new connection, maybe another car).
  void Reset() override { ResetSupport(); }
  void ResetSupport();

  // (raw + offset) / divisor
  static double Value(const ObdChannel& channel, int32_t raw) { return (raw + channel.offset) / channel.divisor; }

 private:
  static constexpr int32_t kNoChannel = -1;

  void LearnSupport(uint32_t base, uint32_t mask) const;

  // Support is learnt while decoding, which the decoder interface keeps const.
  mutable GrowableArray<ObdChannel> channels_{8};
  std::array<int32_t, 256> by_pid_{};  // index into channels_, or kNoChannel
};

}  // namespace kv
