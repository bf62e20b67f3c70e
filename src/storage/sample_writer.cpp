#include "storage/sample_writer.h"

#include <array>

#include "storage/sample_file_format.h"

namespace kv {

namespace {

void Put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

void SampleWriter::Create(const std::string& path, uint32_t now_ms) {
  DataFile header(path);
  header.CreateForWriting(sample_file::kHeaderSize);
  header.Write32(sample_file::kVersion);
  for (int i = 0; i < 3; ++i) header.Write32(0);
  header.Close();
  OpenForAppending(path, false, now_ms);
}

void SampleWriter::OpenForAppending(const std::string& path, bool has_date_reference, uint32_t now_ms) {
  file_.SetPath(path);
  file_.OpenForAppending(kAppendBuffer);
  has_date_reference_ = has_date_reference;
  sync_.Start(now_ms);
}

void SampleWriter::Record(uint8_t type, const uint8_t* payload, int32_t length) {
  const uint8_t prefix[2] = {static_cast<uint8_t>(length), type};
  file_.WriteBytes(prefix, 2);
  file_.WriteBytes(payload, length);
}

bool SampleWriter::WriteFix(const LogSample& sample, const DateTimeValue& nmea_utc) {
  if (!sample.position.IsSet() || !IsSet(sample.time)) return false;
  if (!has_date_reference_) {
    if (!nmea_utc.IsKnown()) return false;
    WriteDateReference(sample.time, nmea_utc);
  }
  namespace f = sample_file::fix;
  std::array<uint8_t, sample_file::kFixSize> p{};
  Put32(&p[f::kTime], static_cast<uint32_t>(sample.time));
  Put32(&p[f::kLatitude], static_cast<uint32_t>(sample.position.lat));
  Put32(&p[f::kLongitude], static_cast<uint32_t>(sample.position.lon));
  Put32(&p[f::kSpeed], static_cast<uint32_t>(sample.speed));
  Put32(&p[f::kAltitude], static_cast<uint32_t>(sample.altitude));
  Put32(&p[f::kDistance], static_cast<uint32_t>(sample.distance));
  Put16(&p[f::kHeading], sample.heading);
  Put16(&p[f::kHdop], sample.hdop);
  Put16(&p[f::kVdop], sample.vdop);
  p[f::kSatellites] = static_cast<uint8_t>(sample.flags & LogSample::kSatelliteMask);
  Record(sample_file::kFix, p.data(), sample_file::kFixSize);
  return true;
}

void SampleWriter::WriteObdValue(int32_t time, uint32_t value, uint8_t channel) {
  std::array<uint8_t, sample_file::kObdLongSize> p{};
  Put32(&p[0], static_cast<uint32_t>(time));
  if (value <= 0xFFFF) {
    Put16(&p[4], value);
    p[6] = channel;
    Record(sample_file::kObdShort, p.data(), sample_file::kObdShortSize);
  } else {
    Put32(&p[4], value);
    p[8] = channel;
    Record(sample_file::kObdLong, p.data(), sample_file::kObdLongSize);
  }
}

void SampleWriter::WriteDateReference(int32_t time, const DateTimeValue& utc) {
  std::array<uint8_t, sample_file::kDateRefSize> p{};
  Put32(&p[0], static_cast<uint32_t>(time));
  Put32(&p[4], static_cast<uint32_t>(utc.day));
  Put32(&p[8], static_cast<uint32_t>(utc.time));
  Record(sample_file::kUtcDateRef, p.data(), sample_file::kDateRefSize);
  has_date_reference_ = true;
}

}  // namespace kv
