// SessionRecorder: the session being recorded (the core's LiveSession).
// For each new sample of the sample builder: the sample file (with the
// date-reference rule: nothing is recorded until a fix carries both the
// NMEA date and time; fixes without position or time are never recorded),
// the in-memory sample list with the cumulative distance, and the live
// step of the session's type. OBD-II values go to the sample file and the
// session's OBD-II records; raw sentences to the NMEA log when the session
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
#include <string>

#include "core/data_flow.h"
#include "storage/nmea_log.h"
#include "storage/sample_loader.h"
#include "storage/sample_writer.h"
#include "storage/session_data.h"
#include "timing/sample_builder.h"

namespace kv {

class ObdChannelTable;

class SessionRecorder final : public LiveSession {
 public:
  using Clock = std::function<uint32_t()>;  // monotonic ms, wrapping
  // The builder and the table must outlive the recorder.
  SessionRecorder(std::unique_ptr<SessionData> data, const SampleBuilder& builder, const ObdChannelTable& obd,
                  Clock clock);
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
  bool RecordSample() override;
  void ClearPendingMessage() override {}
  bool RecordObd() override;
  void TakeObdValues(const FixRecord&) override {}

 private:
  void Tick();
  std::unique_ptr<SessionData> data_;
  const SampleBuilder& builder_;
  const ObdChannelTable& obd_;
  Clock clock_;
  SampleWriter writer_;
  NmeaLog nmea_;
  bool started_ = false;
  bool paused_ = false;
  bool closed_ = false;
  int64_t recorded_ = 0;
};

// Why a session cannot be resumed, checked in this order: the string id
// of kStrCannotResumeSession (not resumable, or recorded with OBD-II while
// it is now disabled or the other way round), kStrSessionFormatTooOld (a
// sample file older than version 3), kStrSessionFileCorrupt (a sample file
// that is not complete); 0 when it can be.
int32_t ResumeRefusal(const SessionHeader& header, bool obd_enabled, int32_t sample_version,
                      SampleLoadState sample_state);

// Mends a sample file whose only damage is a record cut short at its end
// (what a crash or power cut mid-write leaves): the partial tail is cut
// off and every complete record before it stays byte for byte.
enum class TailRepair {
  kIntact,    // nothing to cut
  kTrimmed,   // the partial last record was removed
  kDamaged,   // other damage (a zero length, a type above 31, a short header): left as is
};
TailRepair RepairPartialTail(const std::string& path, int64_t* removed_bytes);

}  // namespace kv
