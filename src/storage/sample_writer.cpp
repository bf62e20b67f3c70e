#include "storage/sample_writer.h"

#include "util/errors.h"

#include <array>

#include "storage/record_frame.h"
#include "storage/sample_file_format.h"
#include "util/little_endian.h"

namespace kv {

void SampleWriter::Create(const std::string& path, uint32_t now_ms) {
  DataFile header(path);
  header.CreateForWriting(sample_file::kHeaderSize);
  header.Write32(sample_file::kVersion);
  for (int i = 0; i < 3; ++i) header.Write32(0);
  if (!header.Close()) ThrowCode(kErrCannotOpen, header.Error());
  OpenForAppending(path, false, now_ms);
}

void SampleWriter::OpenForAppending(const std::string& path, bool has_date_reference, uint32_t now_ms) {
  file_.SetPath(path);
  file_.OpenForAppending(kAppendBuffer);
  has_date_reference_ = has_date_reference;
  sync_.Start(now_ms);
}

bool SampleWriter::WriteFix(const LogSample& sample, const DateTimeValue& nmea_utc) {
  if (!sample.position.IsSet() || !IsSet(sample.time)) return false;
  if (!has_date_reference_) {
    if (!nmea_utc.IsKnown()) return false;
    WriteDateReference(sample.time, nmea_utc);
  }
  namespace f = sample_file::fix;
  std::array<uint8_t, sample_file::kFixSize> p{};
  le::Store32(&p[f::kTime], static_cast<uint32_t>(sample.time));
  le::Store32(&p[f::kLatitude], static_cast<uint32_t>(sample.position.lat));
  le::Store32(&p[f::kLongitude], static_cast<uint32_t>(sample.position.lon));
  le::Store32(&p[f::kSpeed], static_cast<uint32_t>(sample.speed));
  le::Store32(&p[f::kAltitude], static_cast<uint32_t>(sample.altitude));
  le::Store32(&p[f::kDistance], static_cast<uint32_t>(sample.distance));
  le::Store16(&p[f::kHeading], sample.heading);
  le::Store16(&p[f::kHdop], sample.hdop);
  le::Store16(&p[f::kVdop], sample.vdop);
  p[f::kSatellites] = static_cast<uint8_t>(sample.flags & LogSample::kSatelliteMask);
  WriteFrame(file_, sample_file::kFix, p.data(), sample_file::kFixSize);
  return true;
}

void SampleWriter::WriteObd(const ObdRecord& record) {
  std::array<uint8_t, sample_file::kObdLongSize> p{};
  const uint32_t value = record.value;
  const auto channel = static_cast<uint8_t>(record.channel);
  le::Store32(&p[0], static_cast<uint32_t>(record.time));
  if (value <= 0xFFFF) {
    le::Store16(&p[4], value);
    p[6] = channel;
    WriteFrame(file_, sample_file::kObdShort, p.data(), sample_file::kObdShortSize);
  } else {
    le::Store32(&p[4], value);
    p[8] = channel;
    WriteFrame(file_, sample_file::kObdLong, p.data(), sample_file::kObdLongSize);
  }
}

void SampleWriter::WriteDateReference(int32_t time, const DateTimeValue& utc) {
  std::array<uint8_t, sample_file::kDateRefSize> p{};
  le::Store32(&p[0], static_cast<uint32_t>(time));
  le::Store32(&p[4], static_cast<uint32_t>(utc.day));
  le::Store32(&p[8], static_cast<uint32_t>(utc.time));
  WriteFrame(file_, sample_file::kUtcDateRef, p.data(), sample_file::kDateRefSize);
  has_date_reference_ = true;
}

}  // namespace kv
