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
// files on the disk; continuing carries on in the same files. Files are
// flushed about every second and synced every five (RecordingSync), so a
// crash loses at most about the last second.
//
// Raises kErrCannotOpen (-8) when a file cannot be created or opened. Main
// thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "core/data_flow.h"
#include "session/session_data.h"
#include "storage/nmea_log.h"
#include "storage/sample_writer.h"

namespace kv {

class SessionRecorder final : public LiveSession {
 public:
  using Clock = std::function<uint32_t()>;  // monotonic ms, wrapping
  SessionRecorder(std::unique_ptr<SessionData> data, Clock clock);
  ~SessionRecorder() override;

  // A new session: writes the header, creates the sample file and opens
  // the NMEA log when the header asks for one.
  void StartNew();
  // A loaded, checked session: appends to its sample file and NMEA log.
  void StartResumed();
  void Pause();
  void Continue();
  bool Paused() const { return paused_; }
  // Puts everything on the disk, closes the files and saves the header.
  void Close();

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
  std::unique_ptr<SessionData> data_;
  Clock clock_;
  SampleWriter writer_;
  NmeaLog nmea_;
  bool started_ = false;
  bool paused_ = false;
  bool closed_ = false;
  int64_t recorded_ = 0;
};

}  // namespace kv
