// Byte layout of the sample file ("-plots.bin"); docs/formats.md describes
// it for readers without our code. Little-endian throughout.
#pragma once

#include <cstdint>

namespace kv::sample_file {

inline constexpr uint32_t kVersion = 3;  // the only version written
inline constexpr int32_t kHeaderSize = 16;  // version + 3 reserved u32
// A first word this large is the time of a headerless version 0 file.
inline constexpr uint32_t kHeaderlessThreshold = 101;

// Version 3 records: payload length L (u8, >= 1), type T (u8, 0..31), L bytes.
inline constexpr int32_t kRecordPrefix = 2;
inline constexpr int32_t kMaxRecordType = 31;

enum RecordType : uint8_t {
  kLegacyFix = 0,      // read only
  kObdShort = 1,
  kObdLong = 2,
  kLocalDateRef = 3,   // read only
  kUtcDateRef = 4,
  kFix = 5,
};

// Payload sizes each type needs (longer payloads are read, extra skipped).
inline constexpr int32_t kLegacyFixSize = 25;
inline constexpr int32_t kObdShortSize = 7;
inline constexpr int32_t kObdLongSize = 9;
inline constexpr int32_t kDateRefSize = 12;
inline constexpr int32_t kFixSize = 31;

// Type 5 fix payload offsets.
namespace fix {
inline constexpr int32_t kTime = 0;      // u32 ms of day UTC
inline constexpr int32_t kLatitude = 4;  // i32 AngleValue
inline constexpr int32_t kLongitude = 8;
inline constexpr int32_t kSpeed = 12;    // i32, the LogSample speed word
inline constexpr int32_t kAltitude = 16; // i32 AngleValue (central angle)
inline constexpr int32_t kDistance = 20; // i32 AngleValue: distance since the first sample
inline constexpr int32_t kHeading = 24;  // u16 1/100 degree, 0xFFFF none
inline constexpr int32_t kHdop = 26;     // u16 x100, 0xFFFF none
inline constexpr int32_t kVdop = 28;     // u16 x100, 0xFFFF none
inline constexpr int32_t kSatellites = 30;  // u8, top two bits 0
}  // namespace fix

// Type 0 legacy fix payload (25 bytes): time, latitude, longitude, speed,
// altitude (i32 each), heading u16, HDOP u16, satellites u8.
// Fixed-size records of versions 0-2:
inline constexpr int32_t kV0RecordSize = 16;  // time, latitude, longitude, speed
inline constexpr int32_t kV1RecordSize = 24;  // + altitude, heading u16, satellites u8, reserved u8
inline constexpr int32_t kV2RecordSize = 24;  // + altitude, heading u16, HDOP x10 u8, satellites u8
inline constexpr int32_t kLegacyRecordsPerStep = 2000;

}  // namespace kv::sample_file
