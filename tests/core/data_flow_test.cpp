// DataFlow behind the real NMEA parsers (their buffer bound is why the flow
// splits large texts), with fakes for the sample builder, the session and
// the views.
#include "core/data_flow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/nmea_parser.h"

namespace kv {
namespace {

// Finishes `per_gga` samples at every GGA while there is a fix, raises the
// OBD flag at every $KVOBD; samples are numbered so the session can tell
// which it got.
class FakeBuilder final : public SampleFeed {
 public:
  void Feed(const FixRecord& fix) override {
    unbuilt_ = fix.type == kSentenceGga && quality > 0 ? per_gga : 0;
    obd_ = fix.type == kSentenceObd;
    NextSample();
  }
  bool NewSample() const override { return new_sample_; }
  void EndOfInput() override {
    unbuilt_ = at_end;
    NextSample();
  }
  bool NextSample() override {
    new_sample_ = unbuilt_ > 0;
    if (new_sample_) --unbuilt_, ++finished_;
    return new_sample_;
  }
  LogSample Sample() const override {
    LogSample sample;
    sample.time = finished_;
    return sample;
  }
  DateTimeValue SampleDateTime() const override { return {752927, finished_}; }
  bool NewObdValue() const override { return obd_; }
  ObdRecord LastObd() const override { return {finished_, 0, 12}; }
  int32_t FixQuality() const override { return quality; }
  int32_t quality = 1, per_gga = 1, at_end = 0;

 private:
  bool new_sample_ = false, obd_ = false;
  int32_t unbuilt_ = 0;
  int32_t finished_ = 0;
};

class RecordingSession final : public LiveSession {
 public:
  void LogNmea(std::string_view line) override { log.emplace_back(line); }
  bool RecordSample(const LogSample& sample, const DateTimeValue& utc) override {
    samples.push_back(sample.time);
    EXPECT_EQ(utc.time, sample.time) << "the epoch's date travels with its sample";
    return full_on_sample;
  }
  void ClearPendingMessage() override { ++message_clears; }
  bool RecordObd(const ObdRecord& record) override {
    obd_times.push_back(record.time);
    return false;
  }
  void TakeObdValues(const FixRecord&) override { ++obd_takes; }
  std::vector<std::string> log;
  std::vector<int32_t> samples, obd_times;
  int message_clears = 0, obd_takes = 0;
  bool full_on_sample = false;
};

class CountingViews final : public ViewManager {
 public:
  void ShowMessage(std::u16string_view) override {}
  void RefreshLive(bool full) override { refreshes.push_back(full); }
  void RefreshStatus() override { ++status; }
  void BringToFront() override {}
  std::vector<bool> refreshes;
  int status = 0;
};

class DataFlowTest : public ::testing::Test {
 protected:
  NmeaParser gps_{false}, obd_{false};
  FakeBuilder builder_;
  CountingViews views_;
  RecordingSession session_;
  int obd_resets_ = 0;
  DataFlow flow_{{&gps_, &obd_, nullptr}, builder_, views_, [this] { ++obd_resets_; }};
};

TEST_F(DataFlowTest, WithoutASessionTextStaysInTheParserAndNothingIsTimed) {
  flow_.OnData("$GPGGA\n$GPRMC\n", kSourceGps);
  EXPECT_TRUE(views_.refreshes.empty());
  flow_.SetSession(&session_);
  flow_.OnData("", kSourceGps);
  EXPECT_EQ(session_.log, (std::vector<std::string>{"$GPGGA\n", "$GPRMC\n"}));
  EXPECT_EQ(session_.samples, std::vector<int32_t>{1});
}

// One redraw for a burst; none for sentences without news, one for an
// epoch without a fix, so the status shows the lost fix.
TEST_F(DataFlowTest, ABurstOfSentencesCostsOneRedraw) {
  flow_.SetSession(&session_);
  flow_.OnData("$GPRMC\n$GPGGA\n$GPVTG\n$GPRMC\n$GPGGA\n$GPVTG\n$GPGSA\n", kSourceGps);
  EXPECT_EQ(session_.log.size(), 7u);
  EXPECT_EQ(session_.samples, (std::vector<int32_t>{1, 2}))
      << "each sample handed over once, in order";
  EXPECT_EQ(session_.message_clears, 2);
  EXPECT_EQ(views_.refreshes, std::vector<bool>{false});
  flow_.OnData("$GPGSA\n$GPGSV\n", kSourceGps);
  EXPECT_EQ(views_.refreshes.size(), 1u);
  builder_.per_gga = 2;  // one sentence closing an epoch and ending its own
  flow_.OnData("$GPGGA\n", kSourceGps);
  EXPECT_EQ(session_.samples, (std::vector<int32_t>{1, 2, 3, 4}));
  builder_.quality = 0;
  flow_.OnData("$GPGGA\n", kSourceGps);
  EXPECT_EQ(session_.samples.size(), 4u);
  EXPECT_EQ(views_.refreshes.size(), 3u);
}

// A fast file replay hands over up to 100 KB at once, split mid-line: the
// unfinished line must survive the next big text.
TEST_F(DataFlowTest, ATextFarLargerThanTheParserBufferLosesNoSentence) {
  flow_.SetSession(&session_);
  std::string text;
  for (int i = 0; i < 6000; ++i) text += "$GPGGA,12345\n";
  const size_t cut = text.size() / 2 + 5;
  flow_.OnData(std::string_view(text).substr(0, cut), kSourceGps);
  flow_.OnData(std::string_view(text).substr(cut), kSourceGps);
  EXPECT_EQ(session_.log.size(), 6000u);
  EXPECT_EQ(session_.samples.size(), 6000u);
}

TEST_F(DataFlowTest, ObdSentencesAreRecordedAndKeepAFullRefreshAskedForEarlier) {
  flow_.SetSession(&session_);
  session_.full_on_sample = true;
  flow_.OnData("$GPGGA\n$KVOBD\n", kSourceGps);
  EXPECT_EQ(session_.obd_times, std::vector<int32_t>{1});
  EXPECT_EQ(session_.obd_takes, 1);
  EXPECT_EQ(views_.refreshes, std::vector<bool>{true});
}

TEST_F(DataFlowTest, StateChangeClearsThatSourcesParserOnly) {
  flow_.SetSession(&session_);
  flow_.OnData("$GPGG", kSourceGps);
  flow_.OnData("$KVOB", kSourceObd);
  flow_.OnStateChange(kSourceObd, SourceState::kLost);
  EXPECT_EQ(obd_resets_, 1);
  flow_.OnData("D\n", kSourceObd);
  flow_.OnData("A\n", kSourceGps);
  EXPECT_EQ(session_.log, (std::vector<std::string>{"D\n", "$GPGGA\n"}));
  builder_.at_end = 1;  // the epoch the lost connection cut short
  flow_.OnStateChange(kSourceGps, SourceState::kLost);
  EXPECT_EQ(session_.samples.size(), 2u);
  EXPECT_EQ(obd_resets_, 1);
  EXPECT_EQ(views_.status, 2);
  flow_.OnData("ignored\n", kSourceThird);  // the empty slot takes nothing
  flow_.OnStateChange(kSourceThird, SourceState::kLost);
  EXPECT_EQ(session_.log.size(), 2u);
}

}  // namespace
}  // namespace kv
