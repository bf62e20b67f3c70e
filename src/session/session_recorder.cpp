#include "session/session_recorder.h"

#include <algorithm>
#include <utility>

#include "core/date_time.h"
#include "storage/storage_paths.h"
#include "util/errors.h"

namespace kv {

namespace {

// Sample times run on past midnight. A time more than half a day below the
// last one is a later day's: a session resumed after midnight, whose
// receiver starts its times of day again from 0.
int32_t RunOn(int32_t time, int32_t last) {
  int64_t t = time;
  while (t < int64_t{last} - kDayMs / 2) t += kDayMs;
  return static_cast<int32_t>(std::min<int64_t>(t, kNotSet - 1));
}

}  // namespace

platform::FileLock::Result LockSession(std::u16string_view base_name, const std::string& root, platform::FileLock& lock) {
  return lock.TryLock(BuildPath(base_name, root, FileKind::kSampleFile));
}

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
  LockSession(header.base_name, header.root, lock_);
  if (header.save_nmea) nmea_.Open(BuildPath(header.base_name, header.root, FileKind::kNmeaLog), now);
  started_ = true;
}

void SessionRecorder::StartResumed(platform::FileLock lock) {
  SessionHeader& header = data_->Header();
  lock_ = std::move(lock);
  if (!lock_.Held()) LockSession(header.base_name, header.root, lock_);
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
  FilesWritten();
}

void SessionRecorder::Continue() { paused_ = false; }

void SessionRecorder::Close() {
  if (closed_ || !started_) return;
  closed_ = true;
  const bool samples_closed = writer_.Close();
  const bool log_closed = !nmea_.IsOpen() || nmea_.Close();
  if (!samples_closed && !failure_) failure_ = WriteFailure{writer_.Path(), writer_.Error()};
  if (!log_closed && !failure_) failure_ = WriteFailure{nmea_.Path(), nmea_.Error()};
  SaveHeader();
}

void SessionRecorder::SaveHeader() {
  try {
    SaveSessionHeader(data_->Header());
  } catch (const CodeException& e) {
    // The header written at the start stays in place (headers are replaced
    // whole): the session still loads.
    if (!failure_) {
      const SessionHeader& h = data_->Header();
      failure_ = WriteFailure{BuildPath(h.base_name, h.root, FileKind::kSessionHeader), e.system_error};
    }
  }
}

bool SessionRecorder::FilesWritten() {
  if (writer_.Failed()) Fail(writer_.Path(), writer_.Error());
  else if (nmea_.Failed()) Fail(nmea_.Path(), nmea_.Error());
  return !failure_;
}

void SessionRecorder::Fail(const std::string& path, int32_t system_error) {
  if (failure_) return;
  failure_ = WriteFailure{path, system_error};
  closed_ = true;
  // Whatever reached the system is synced: a failed file was synced when it
  // failed, the other one is now.
  writer_.Close();
  if (nmea_.IsOpen()) nmea_.Close();
  SaveHeader();
  if (on_failure_) on_failure_();
}

void SessionRecorder::Tick() {
  const uint32_t now = clock_();
  writer_.Tick(now);
  if (nmea_.IsOpen()) nmea_.Tick(now);
  FilesWritten();
}

void SessionRecorder::LogNmea(std::string_view raw_line) {
  if (paused_ || closed_ || !nmea_.IsOpen()) return;
  nmea_.Append(raw_line);
  FilesWritten();
}

bool SessionRecorder::RecordSample(const LogSample& fix, const DateTimeValue& nmea_utc) {
  if (paused_ || closed_) return false;
  if (!fix.position.IsSet() || !IsSet(fix.time)) return false;
  // The date-reference rule decides for the list too, so that what is in
  // memory is exactly what a reload gives.
  if (!writer_.HasDateReference() && !nmea_utc.IsKnown()) return false;
  const SampleList& samples = data_->Samples();
  const LogSample* last = samples.Empty() ? nullptr : &samples[samples.Count() - 1];
  LogSample timed = fix;
  if (last != nullptr && IsSet(last->time)) {
    timed.time = RunOn(fix.time, last->time);
    // Recorded already: the receiver repeated an epoch, or a resumed
    // session is fed a recording that overlaps what it holds, which would
    // time every lap of the overlap twice.
    if (timed.time <= last->time) return false;
  }
  const LogSample sample = WithDistance(timed, last);
  writer_.WriteFix(sample, nmea_utc);
  // On the system before it counts: a lap the driver is shown must be a
  // lap on file. One write per fix is nothing next to the receiver's rate.
  writer_.Flush();
  if (!FilesWritten()) return false;
  ++recorded_;
  if (on_first_sample_) std::exchange(on_first_sample_, nullptr)(sample);
  const bool full = data_->AppendLive(sample);
  Tick();
  return full;
}

bool SessionRecorder::RecordObd(const ObdRecord& record) {
  if (paused_ || closed_ || record.channel < 0 || !IsSet(record.time)) return false;
  writer_.WriteObd(record);
  if (!FilesWritten()) return false;
  data_->AppendObd(record);
  return false;
}

}  // namespace kv
