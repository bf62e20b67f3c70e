#include "storage/sample_loader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "storage/local_time.h"
#include "storage/record_frame.h"
#include "storage/sample_file_format.h"
#include "util/errors.h"
#include "util/little_endian.h"

namespace kv {

namespace {

namespace sf = sample_file;

using le::Load16;
using le::Load32;
inline int32_t I32(const uint8_t* p) { return le::LoadSigned32(p); }

void SetSatellites(LogSample& sample, uint32_t satellites) {
  sample.flags = static_cast<uint8_t>(satellites & LogSample::kSatelliteMask);
  if (sample.flags == 0) sample.flags |= LogSample::kLoadedWithoutSatellites;
}

// Sample times no recorder writes: a session spans hours, and 2^30 ms
// (12 days) keeps every difference of two times inside 32 bits.
constexpr int64_t kTimeLimit = int64_t{1} << 30;
bool UsableTime(int32_t time) { return time >= 0 && time < kTimeLimit; }

// Values of a damaged file: a fix without a usable time is dropped, as the
// recorder drops such fixes; a position off the globe becomes no position.
// The first record of a headerless (version 0) file: a time within two
// days, a position on the globe and a speed that is not negative. A header
// of any version has its three reserved words zero; a record at exactly
// 0 N 0 E standing still is no drive.
bool LooksHeaderless(const uint8_t* record) {
  constexpr int32_t kTwoDaysMs = 2 * 86400000;
  const int32_t time = I32(record);
  const IntPoint position{I32(record + 4), I32(record + 8)};
  const int32_t speed = I32(record + 12);
  if (position.lat == 0 && position.lon == 0 && speed == 0) return false;
  return time >= 0 && time < kTwoDaysMs && position.IsSet() && OnGlobeWhereSet(position) &&
         (speed >= 0 || !IsSet(speed));
}

bool KeepFix(LogSample& s) {
  if (!OnGlobeWhereSet(s.position)) s.position = IntPoint{};
  return UsableTime(s.time);
}

}  // namespace

SampleLoader SampleLoader::FromBytes(std::string bytes) {
  SampleLoader loader({});
  loader.memory_ = std::move(bytes);
  return loader;
}

void SampleLoader::Finish(SampleLoadState state, int32_t error) {
  state_ = state;
  error_ = error;
  file_.Close();
  chunk_.clear();
  chunk_.shrink_to_fit();
}

bool SampleLoader::ReadAt(int64_t offset, int64_t count, std::string& out) {
  out.clear();
  if (memory_) {
    if (offset < static_cast<int64_t>(memory_->size()))
      out.assign(*memory_, static_cast<size_t>(offset), static_cast<size_t>(count));
    return true;
  }
  if (!file_.Seek(offset)) return false;
  out.resize(static_cast<size_t>(count));
  int64_t got = 0;
  while (got < count) {
    const int64_t n = file_.Read(out.data() + got, count - got);
    if (n < 0) return false;
    if (n == 0) break;
    got += n;
  }
  out.resize(static_cast<size_t>(got));
  return true;
}

bool SampleLoader::Start() {
  if (!memory_ && !file_.OpenRead(path_)) {
    Finish(SampleLoadState::kIncomplete, kSampleErrCannotOpen);
    return false;
  }
  size_ = memory_ ? static_cast<int64_t>(memory_->size()) : file_.Size();
  if (size_ < sf::kHeaderSize || !ReadAt(0, sf::kHeaderSize, chunk_) ||
      chunk_.size() < static_cast<size_t>(sf::kHeaderSize)) {
    Finish(SampleLoadState::kIncomplete, kSampleErrShortHeader);
    return false;
  }
  const uint8_t* head = reinterpret_cast<const uint8_t*>(chunk_.data());
  const uint32_t first = Load32(head);
  if (first >= sf::kHeaderlessThreshold && !LooksHeaderless(head)) {
    // A version word of a newer program, not a time: reading it as the
    // oldest layout gave speeds of -86,000 km/h.
    version_ = static_cast<int32_t>(first);
    Finish(SampleLoadState::kIncomplete, kSampleErrVersion);
    return false;
  }
  if (first >= sf::kHeaderlessThreshold) {
    version_ = 0;
    offset_ = 0;
  } else if (first > sf::kVersion) {
    version_ = static_cast<int32_t>(first);
    Finish(SampleLoadState::kIncomplete, kSampleErrVersion);
    return false;
  } else {
    version_ = static_cast<int32_t>(first);
    offset_ = sf::kHeaderSize;
  }
  data_start_ = offset_;
  record_size_ = version_ == 0 ? sf::kV0RecordSize : version_ == 1 ? sf::kV1RecordSize : sf::kV2RecordSize;
  // A fix record takes at least 16 bytes on the disk (33 in version 3);
  // the estimate comes from the real size, never from the file's contents.
  const int64_t per_sample = version_ == 3 ? sf::kRecordPrefix + sf::kFixSize : record_size_;
  data_.samples.reserve(static_cast<size_t>(size_ / per_sample + 1));
  state_ = SampleLoadState::kReading;
  return true;
}

size_t SampleLoader::ParseRecords(const uint8_t* bytes, size_t length, bool* bad) {
  FrameReader frames(bytes, length);
  Frame frame;
  FrameStatus status;
  while ((status = frames.Next(&frame)) == FrameStatus::kFrame) {
    const uint8_t* p = frame.payload;
    const uint8_t size = frame.length;
    switch (frame.type) {
      case sf::kFix:
        if (size >= sf::kFixSize) {
          namespace f = sf::fix;
          LogSample& s = data_.samples.emplace_back();
          s.time = I32(p + f::kTime);
          s.position.lat = I32(p + f::kLatitude);
          s.position.lon = I32(p + f::kLongitude);
          s.speed = I32(p + f::kSpeed);
          s.altitude = I32(p + f::kAltitude);
          s.distance = I32(p + f::kDistance);
          s.heading = Load16(p + f::kHeading);
          s.hdop = Load16(p + f::kHdop);
          s.vdop = Load16(p + f::kVdop);
          SetSatellites(s, p[f::kSatellites]);
          if (!KeepFix(s)) data_.samples.pop_back();
        }
        break;
      case sf::kLegacyFix:
        if (size >= sf::kLegacyFixSize) {
          LogSample& s = data_.samples.emplace_back();
          s.time = I32(p);
          s.position.lat = I32(p + 4);
          s.position.lon = I32(p + 8);
          s.speed = I32(p + 12);
          s.altitude = I32(p + 16);
          s.heading = Load16(p + 20);
          s.hdop = Load16(p + 22);
          SetSatellites(s, p[24]);
          if (!KeepFix(s)) data_.samples.pop_back();
        }
        break;
      case sf::kObdShort:
        if (size >= sf::kObdShortSize && UsableTime(I32(p)))
          data_.obd_records.push_back({I32(p), Load16(p + 4), p[6]});
        break;
      case sf::kObdLong:
        if (size >= sf::kObdLongSize && UsableTime(I32(p)))
          data_.obd_records.push_back({I32(p), Load32(p + 4), p[8]});
        break;
      case sf::kLocalDateRef:
      case sf::kUtcDateRef:
        if (size >= sf::kDateRefSize && !data_.has_date_reference) {
          DateTimeValue value;
          value.day = I32(p + 4);
          value.time = I32(p + 8);
          if (!value.IsKnown()) value.SetUnknown();
          data_.has_date_reference = true;
          data_.reference_time = I32(p);
          data_.reference_utc = frame.type == sf::kLocalDateRef ? LocalToUtc(value) : value;
        }
        break;
      default:
        break;  // a type of a later writer: skipped by its length
    }
  }
  *bad = status == FrameStatus::kDamaged;
  return frames.Consumed();
}

bool SampleLoader::StepRecords() {
  if (!ReadAt(offset_, kChunkSize, chunk_)) {
    Finish(SampleLoadState::kIncomplete);
    return false;
  }
  bool bad = false;
  const size_t consumed = ParseRecords(reinterpret_cast<const uint8_t*>(chunk_.data()), chunk_.size(), &bad);
  offset_ += static_cast<int64_t>(consumed);
  const bool last_chunk = chunk_.size() < static_cast<size_t>(kChunkSize);
  if (bad || (last_chunk && consumed < chunk_.size())) {
    Finish(SampleLoadState::kIncomplete);
    return false;
  }
  if (last_chunk) {
    Finish(SampleLoadState::kComplete);
    return false;
  }
  return true;
}

bool SampleLoader::StepFixed() {
  const int64_t data_start = data_start_;
  const int64_t total = (size_ - data_start) / record_size_;
  const int64_t done = (offset_ - data_start) / record_size_;
  const int64_t count = std::min<int64_t>(total - done, sf::kLegacyRecordsPerStep);
  if (count <= 0) {
    Finish(SampleLoadState::kComplete);
    return false;
  }
  if (!ReadAt(offset_, count * record_size_, chunk_) ||
      chunk_.size() < static_cast<size_t>(count * record_size_)) {
    Finish(SampleLoadState::kIncomplete);
    return false;
  }
  const uint8_t* p = reinterpret_cast<const uint8_t*>(chunk_.data());
  for (int64_t i = 0; i < count; ++i, p += record_size_) {
    LogSample& s = data_.samples.emplace_back();
    s.time = I32(p);
    s.position.lat = I32(p + 4);
    s.position.lon = I32(p + 8);
    s.speed = I32(p + 12);
    if (version_ >= 1) {
      s.altitude = I32(p + 16);
      s.heading = Load16(p + 20);
      if (version_ == 1) {
        SetSatellites(s, p[22]);
      } else {
        s.hdop = p[22] == 0xFF ? LogSample::kNoWord : static_cast<uint16_t>(p[22] * 10);
        SetSatellites(s, p[23]);
      }
    } else {
      SetSatellites(s, 0);
    }
    if (!KeepFix(s)) data_.samples.pop_back();
  }
  offset_ += count * record_size_;
  if (done + count >= total) {
    Finish(SampleLoadState::kComplete);
    return false;
  }
  return true;
}

bool SampleLoader::Step() {
  try {
    switch (state_) {
      case SampleLoadState::kNotStarted:
        return Start();
      case SampleLoadState::kReading:
        return version_ == 3 ? StepRecords() : StepFixed();
      default:
        return false;
    }
  } catch (const std::bad_alloc&) {
    Finish(SampleLoadState::kIncomplete, kErrOutOfMemory);
    return false;
  }
}

bool SampleLoader::LoadAll() {
  while (Step()) {
  }
  return state_ == SampleLoadState::kComplete;
}

}  // namespace kv
