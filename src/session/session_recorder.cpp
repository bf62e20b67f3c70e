#include "session/session_recorder.h"

#include "storage/storage_paths.h"

namespace kv {

SessionRecorder::SessionRecorder(std::unique_ptr<SessionData> data, Clock clock)
    : data_(std::move(data)), clock_(std::move(clock)) {}

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

bool SessionRecorder::RecordSample(const LogSample& fix, const DateTimeValue& nmea_utc) {
  if (paused_ || closed_) return false;
  if (!fix.position.IsSet() || !IsSet(fix.time)) return false;
  // The date-reference rule decides for the list too, so that what is in
  // memory is exactly what a reload gives.
  if (!writer_.HasDateReference() && !nmea_utc.IsKnown()) return false;
  const SampleList& samples = data_->Samples();
  const LogSample sample = WithDistance(fix, samples.Empty() ? nullptr : &samples[samples.Count() - 1]);
  writer_.WriteFix(sample, nmea_utc);
  ++recorded_;
  const bool full = data_->AppendLive(sample);
  Tick();
  return full;
}

bool SessionRecorder::RecordObd(const ObdRecord& record) {
  if (paused_ || closed_ || record.channel < 0 || !IsSet(record.time)) return false;
  writer_.WriteObd(record);
  data_->AppendObd(record);
  return false;
}

}  // namespace kv
