// SessionRecorder: the session being recorded, the live pipeline's end.
// The data flow hands it each finished sample and OBD-II value as a value;
// it carries the session's distance on, writes the sample file (with the
// date-reference rule: nothing is recorded until a fix carries both the
// NMEA date and time; fixes without position or time are never recorded),
// appends to the in-memory lists and runs the live step of the session's
// type, whose result (a lap or run finished) goes back to the flow as the
// full-refresh answer. Raw sentences go to the NMEA log when the session
// keeps one.
//
// Pausing stops the flow (nothing is recorded while paused) and puts the
// files on the disk; continuing carries on in the same files. A sample is
// handed to the system before it joins the session in memory, so every
// lap the driver was shown is in the file; files are synced every five
// seconds (RecordingSync), and the NMEA log is flushed every second.
//
// A file that cannot be written (a full disk, the file-size limit, a
// removed medium) stops the recording at once: the files are synced and
// closed, the header saved if it can be, and Failure() says which file and
// why; the failure handler is called once. The session on the disk then
// holds every sample in memory, loads, and resumes once there is room.
//
// While it records, the recorder holds a lock on the sample file
// (SessionFileLock), so other commands can tell that the session is in
// use. StartNew / StartResumed raise kErrCannotOpen (-8, with the system's error
// number) when a file cannot be created or opened. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/data_flow.h"
#include "platform/file_lock.h"
#include "session/session_data.h"
#include "storage/nmea_log.h"
#include "storage/sample_writer.h"

namespace kv {

// Takes the lock a recorder holds on a session while it records: kBusy
// while one does.
platform::FileLock::Result LockSession(std::u16string_view base_name, const std::string& root, platform::FileLock& lock);

class SessionRecorder final : public LiveSession {
 public:
  using Clock = std::function<uint32_t()>;  // monotonic ms, wrapping
  SessionRecorder(std::unique_ptr<SessionData> data, Clock clock);
  ~SessionRecorder() override;

  // A new session: writes the header, creates the sample file and opens
  // the NMEA log when the header asks for one.
  void StartNew();
  // A loaded, checked session: appends to its sample file and NMEA log.
  // `lock`: the lock on the sample file its caller took before loading
  // (taken here when not held).
  void StartResumed(platform::FileLock lock = {});
  void Pause();
  void Continue();
  bool Paused() const { return paused_; }
  // Puts everything on the disk, closes the files and saves the header;
  // what fails is left in Failure().
  void Close();

  struct WriteFailure {
    std::string path;          // the file that could not be written
    int32_t system_error = 0;  // errno, 0 when unknown
  };
  const std::optional<WriteFailure>& Failure() const { return failure_; }
  // Called once, when a write failure stops the recording.
  void SetFailureHandler(std::function<void()> handler) { on_failure_ = std::move(handler); }
  // Called once, with the first sample recorded, just before it joins the
  // session: traps set from there time every lap, as if set at the start.
  void SetFirstSampleHandler(std::function<void(const LogSample&)> handler) {
    on_first_sample_ = std::move(handler);
  }

  SessionData& Data() { return *data_; }
  const SessionData& Data() const { return *data_; }
  // Samples recorded (in memory and on file) since the start.
  int64_t RecordedSamples() const { return recorded_; }

  // LiveSession
  void LogNmea(std::string_view raw_line) override;
  bool RecordSample(const LogSample& sample, const DateTimeValue& nmea_utc) override;
  void ClearPendingMessage() override {}
  bool RecordObd(const ObdRecord& record) override;
  void TakeObdValues(const FixRecord&) override {}

 private:
  void Tick();
  // Checks both files; false (and the recording stopped) after a failure.
  bool FilesWritten();
  void Fail(const std::string& path, int32_t system_error);
  void SaveHeader();
  std::unique_ptr<SessionData> data_;
  Clock clock_;
  SampleWriter writer_;
  NmeaLog nmea_;
  bool started_ = false;
  bool paused_ = false;
  bool closed_ = false;
  int64_t recorded_ = 0;
  std::optional<WriteFailure> failure_;
  platform::FileLock lock_;
  std::function<void()> on_failure_;
  std::function<void(const LogSample&)> on_first_sample_;
};

}  // namespace kv
