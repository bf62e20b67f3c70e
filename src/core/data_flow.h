// DataFlow: the main thread's road from received text to the session.
//
//   OnData(text, source) -> that source's parser -> for each sentence:
//     NMEA log, sample builder, the session's sample and OBD-II records,
//   then one redraw request for the whole batch.
//
// Without a session the text just stays in the parser (whose buffer bounds
// itself), and nothing is timed. Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

#include "core/data_source_listener.h"
#include "core/date_time.h"
#include "core/fix_record.h"
#include "core/log_sample.h"
#include "core/obd_record.h"
#include "core/sentence_reader.h"
#include "core/view_manager.h"

namespace kv {

// What the flow needs of the sample builder.
class SampleFeed {
 public:
  virtual ~SampleFeed() = default;
  // Consumes the record of the sentence just parsed; raises the flags below.
  virtual void Feed(const FixRecord& fix) = 0;
  virtual bool NewSample() const = 0;
  // Moves on to a further sample the same sentence finished (it can close
  // one epoch and end its own); false when there is none.
  virtual bool NextSample() = 0;
  // The receiver's input ended or broke off: finishes the epoch under way,
  // raising the flags above as Feed does.
  virtual void EndOfInput() = 0;
  // The sample of the epoch just finished, while NewSample() is raised; its
  // distance is not set (the session carries it on from its own samples).
  virtual LogSample Sample() const = 0;
  // That epoch's NMEA date and time; unknown when the epoch had no date.
  virtual DateTimeValue SampleDateTime() const = 0;
  virtual bool NewObdValue() const = 0;
  // The OBD-II value just decoded, while NewObdValue() is raised.
  virtual ObdRecord LastObd() const = 0;
  // Fix quality of the last complete epoch (0 = no fix).
  virtual int32_t FixQuality() const = 0;
};

// What the flow needs of the running session. The flow hands over what the
// builder finished, as values; the session never reaches back for them.
class LiveSession {
 public:
  virtual ~LiveSession() = default;
  // Raw sentence with its line end, for the NMEA log (if the session keeps one).
  virtual void LogNmea(std::string_view raw_line) = 0;
  // Records a finished sample and runs the live step; true when the screens
  // need a full refresh.
  virtual bool RecordSample(const LogSample& sample, const DateTimeValue& nmea_utc) = 0;
  // Drops the message text the session was showing, if any.
  virtual void ClearPendingMessage() = 0;
  // Records an OBD-II value; true for a full refresh.
  virtual bool RecordObd(const ObdRecord& record) = 0;
  // An OBD-II sentence was handled: take the values for the live figures.
  virtual void TakeObdValues(const FixRecord& fix) = 0;
};

class DataFlow final : public DataSourceListener {
 public:
  // The readers are indexed by SourceId; all references must outlive the flow.
  DataFlow(std::array<SentenceReader*, kSourceCount> readers, SampleFeed& samples,
           ViewManager& views, std::function<void()> reset_obd_decoder);

  // The session being recorded, or nullptr. Not owned.
  void SetSession(LiveSession* session) { session_ = session; }

  void OnData(std::string_view text, int32_t source_id) override;
  void OnStateChange(int32_t source_id, SourceState state) override;

 private:
  void Process(SentenceReader& reader);
  // Hands the samples the builder just finished to the session; true when any.
  bool TakeSamples();

  std::array<SentenceReader*, kSourceCount> readers_;
  SampleFeed& samples_;
  ViewManager& views_;
  std::function<void()> reset_obd_decoder_;
  LiveSession* session_ = nullptr;
  bool redraw_pending_ = false;
  bool full_refresh_ = false;
};

}  // namespace kv
