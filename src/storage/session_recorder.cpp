#include "storage/session_recorder.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "acquisition/obd_channels.h"
#include "storage/sample_file_format.h"
#include "storage/storage_paths.h"
#include "util/string_ids.h"

namespace kv {

SessionRecorder::SessionRecorder(std::unique_ptr<SessionData> data, const SampleBuilder& builder,
                                 const ObdChannelTable& obd, Clock clock)
    : data_(std::move(data)), builder_(builder), obd_(obd), clock_(std::move(clock)) {}

SessionRecorder::~SessionRecorder() {
  // Destruction without Close() (an exception unwinding) still leaves the
  // files on the disk.
  if (started_ && !closed_) {
    writer_.Close();
    nmea_.Close();
  }
}

void SessionRecorder::StartNew() {
  SessionHeader& header = data_->Header();
  header.changed = true;
  SaveSessionHeader(header);
  const uint32_t now = clock_();
  writer_.Create(BuildPath(header.base_name, header.root, FileKind::kSampleFile), now);
  if (header.save_nmea) nmea_.Open(BuildPath(header.base_name, header.root, FileKind::kNmeaLog), now);
  started_ = true;
}

void SessionRecorder::StartResumed() {
  SessionHeader& header = data_->Header();
  const uint32_t now = clock_();
  // Fixes are only ever written after the date reference, so a file with
  // samples has one.
  writer_.OpenForAppending(BuildPath(header.base_name, header.root, FileKind::kSampleFile),
                           data_->Samples().Count() > 0, now);
  if (header.save_nmea) nmea_.Open(BuildPath(header.base_name, header.root, FileKind::kNmeaLog), now);
  started_ = true;
}

void SessionRecorder::Pause() {
  if (paused_ || closed_) return;
  paused_ = true;
  writer_.Sync();
  if (nmea_.IsOpen()) nmea_.Sync();
}

void SessionRecorder::Continue() { paused_ = false; }

void SessionRecorder::Close() {
  if (closed_ || !started_) return;
  closed_ = true;
  writer_.Close();
  if (nmea_.IsOpen()) nmea_.Close();
  SaveSessionHeader(data_->Header());
}

void SessionRecorder::Tick() {
  const uint32_t now = clock_();
  writer_.Tick(now);
  if (nmea_.IsOpen()) nmea_.Tick(now);
}

void SessionRecorder::LogNmea(std::string_view raw_line) {
  if (paused_ || closed_ || !nmea_.IsOpen()) return;
  nmea_.Append(raw_line);
}

bool SessionRecorder::RecordSample() {
  if (paused_ || closed_) return false;
  const SampleList& samples = data_->Samples();
  const LogSample* previous = samples.Count() > 0 ? &samples[samples.Count() - 1] : nullptr;
  const LogSample sample = MakeLogSample(builder_, previous);
  if (!sample.position.IsSet() || !IsSet(sample.time)) return false;
  const DateTimeValue utc = builder_.DateTime();
  // The date-reference rule decides for the list too, so that what is in
  // memory is exactly what a reload gives.
  if (!writer_.HasDateReference() && !utc.IsKnown()) return false;
  writer_.WriteFix(sample, utc);
  ++recorded_;
  const bool full = data_->AppendLive(sample);
  Tick();
  return full;
}

bool SessionRecorder::RecordObd() {
  if (paused_ || closed_) return false;
  const int32_t pid = builder_.LastObdPid();
  const ObdChannel* channel = obd_.ForPid(pid);
  if (channel == nullptr) return false;
  const SampleList& samples = data_->Samples();
  int32_t time = builder_.TimeOfDay();
  if (!IsSet(time) && samples.Count() > 0) time = samples[samples.Count() - 1].time;
  if (!IsSet(time)) return false;
  const uint32_t value = static_cast<uint32_t>(builder_.ObdValue(pid));
  writer_.WriteObdValue(time, value, static_cast<uint8_t>(channel->channel));
  data_->AppendObd(ObdRecord{time, value, channel->channel});
  return false;
}

int32_t ResumeRefusal(const SessionHeader& header, bool obd_enabled, int32_t sample_version,
                      SampleLoadState sample_state) {
  if (!header.resumable || (header.obd != 0) != obd_enabled) return kStrCannotResumeSession;
  if (sample_version != static_cast<int32_t>(sample_file::kVersion)) return kStrSessionFormatTooOld;
  if (sample_state != SampleLoadState::kComplete) return kStrSessionFileCorrupt;
  return 0;
}

TailRepair RepairPartialTail(const std::string& path, int64_t* removed_bytes) {
  *removed_bytes = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) return TailRepair::kDamaged;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  if (bytes.size() < static_cast<size_t>(sample_file::kHeaderSize)) return TailRepair::kDamaged;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  const uint32_t version = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
  if (version != sample_file::kVersion) return TailRepair::kDamaged;
  size_t at = sample_file::kHeaderSize;
  while (at < bytes.size()) {
    if (bytes.size() - at < static_cast<size_t>(sample_file::kRecordPrefix)) break;  // cut in the prefix
    const uint8_t length = data[at];
    const uint8_t type = data[at + 1];
    if (length == 0 || type > sample_file::kMaxRecordType) return TailRepair::kDamaged;
    if (bytes.size() - at - sample_file::kRecordPrefix < length) break;  // cut in the payload
    at += sample_file::kRecordPrefix + length;
  }
  if (at == bytes.size()) return TailRepair::kIntact;
  std::error_code ec;
  std::filesystem::resize_file(path, at, ec);
  if (ec) return TailRepair::kDamaged;
  *removed_bytes = static_cast<int64_t>(bytes.size() - at);
  return TailRepair::kTrimmed;
}

}  // namespace kv
