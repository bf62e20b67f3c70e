#include "core/data_flow.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace kv {
namespace {

// Splits at LF and takes the sentence type from a "T<n>" line.
class ScriptedReader final : public SentenceReader {
 public:
  // Bounded like the real parser: text that would take it to 20000 bytes
  // drops what is buffered.
  void Append(std::string_view text) override {
    if (buffer_.size() + text.size() >= 20000) buffer_.clear();
    buffer_ += text;
  }
  bool NextSentence() override {
    const size_t end = buffer_.find('\n');
    if (end == std::string::npos) return false;
    raw_ = buffer_.substr(0, end + 1);
    buffer_.erase(0, end + 1);
    fix_.type = static_cast<SentenceType>(raw_[1] - '0');
    return true;
  }
  std::string_view RawLine() const override { return raw_; }
  const FixRecord& Fix() const override { return fix_; }
  void Clear() override {
    buffer_.clear();
    ++clears;
  }
  std::string buffer_, raw_;
  FixRecord fix_;
  int clears = 0;
};

// Raises the new-sample flag at every GGA, the OBD flag at every OBD line;
// each finished value is numbered so the session can tell which it got.
class FakeBuilder final : public SampleFeed {
 public:
  void Feed(const FixRecord& fix) override {
    new_sample_ = fix.type == kSentenceGga && quality > 0;
    obd_ = fix.type == kSentenceObd;
    if (new_sample_) ++finished_;
    if (obd_) ++decoded_;
  }
  bool NewSample() const override { return new_sample_; }
  LogSample Sample() const override {
    LogSample sample;
    sample.time = finished_;
    return sample;
  }
  DateTimeValue SampleDateTime() const override { return {752927, finished_}; }
  bool NewObdValue() const override { return obd_; }
  ObdRecord LastObd() const override { return {decoded_, 0, 12}; }
  int32_t FixQuality() const override { return quality; }
  int32_t quality = 1;

 private:
  bool new_sample_ = false, obd_ = false;
  int32_t finished_ = 0, decoded_ = 0;
};

class RecordingSession final : public LiveSession {
 public:
  void LogNmea(std::string_view line) override { log.emplace_back(line); }
  bool RecordSample(const LogSample& sample, const DateTimeValue& utc) override {
    sample_times.push_back(sample.time);
    EXPECT_EQ(utc.time, sample.time) << "the epoch's date travels with its sample";
    return full_on_sample;
  }
  void ClearPendingMessage() override { ++message_clears; }
  bool RecordObd(const ObdRecord& record) override {
    obd_times.push_back(record.time);
    return false;
  }
  void TakeObdValues(const FixRecord&) override { ++obd_takes; }
  int samples() const { return static_cast<int>(sample_times.size()); }
  std::vector<std::string> log;
  std::vector<int32_t> sample_times, obd_times;
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
  ScriptedReader gps_, obd_;
  FakeBuilder builder_;
  CountingViews views_;
  RecordingSession session_;
  int obd_resets_ = 0;
  DataFlow flow_{{&gps_, &obd_, nullptr}, builder_, views_, [this] { ++obd_resets_; }};
};

TEST_F(DataFlowTest, WithoutASessionTextStaysInTheParserAndNothingIsTimed) {
  flow_.OnData("$2GGA\n$1RMC\n", kSourceGps);
  EXPECT_EQ(gps_.buffer_, "$2GGA\n$1RMC\n");
  EXPECT_TRUE(views_.refreshes.empty());
  flow_.SetSession(&session_);
  flow_.OnData("", kSourceGps);
  EXPECT_EQ(session_.log.size(), 2u);
  EXPECT_EQ(session_.samples(), 1);
}

TEST_F(DataFlowTest, ABurstOfSentencesCostsOneRedraw) {
  flow_.SetSession(&session_);
  flow_.OnData("$1RMC\n$2GGA\n$5VTG\n$1RMC\n$2GGA\n$5VTG\n$3GSA\n", kSourceGps);
  EXPECT_EQ(session_.log, (std::vector<std::string>{"$1RMC\n", "$2GGA\n", "$5VTG\n", "$1RMC\n",
                                                    "$2GGA\n", "$5VTG\n", "$3GSA\n"}));
  EXPECT_EQ(session_.sample_times, (std::vector<int32_t>{1, 2})) << "each sample handed over once, in order";
  EXPECT_EQ(session_.message_clears, 2);
  EXPECT_EQ(views_.refreshes, std::vector<bool>{false});
}

TEST_F(DataFlowTest, ATextFarLargerThanTheParserBufferLosesNoSentence) {
  // A fast file replay hands over up to 100 KB at once.
  // Split mid-line: the unfinished line must survive the next big text.
  flow_.SetSession(&session_);
  std::string text;
  for (int i = 0; i < 6000; ++i) text += "$2GGA,12345\n";
  const size_t cut = text.size() / 2 + 5;
  flow_.OnData(std::string_view(text).substr(0, cut), kSourceGps);
  flow_.OnData(std::string_view(text).substr(cut), kSourceGps);
  EXPECT_EQ(session_.log.size(), 6000u);
  EXPECT_EQ(session_.samples(), 6000);
}

TEST_F(DataFlowTest, RedrawsForALostFixButNotForSentencesWithoutNews) {
  flow_.SetSession(&session_);
  flow_.OnData("$3GSA\n$4GSV\n", kSourceGps);
  EXPECT_TRUE(views_.refreshes.empty());
  builder_.quality = 0;
  flow_.OnData("$2GGA\n", kSourceGps);
  EXPECT_EQ(session_.samples(), 0);
  EXPECT_EQ(views_.refreshes.size(), 1u);
}

TEST_F(DataFlowTest, ObdSentencesAreRecordedAndKeepAFullRefreshAskedForEarlier) {
  flow_.SetSession(&session_);
  session_.full_on_sample = true;
  obd_.Append("");
  flow_.OnData("$2GGA\n", kSourceGps);
  EXPECT_EQ(views_.refreshes, std::vector<bool>{true});
  flow_.OnData("$7OBD\n", kSourceObd);
  EXPECT_EQ(session_.obd_times, std::vector<int32_t>{1});
  EXPECT_EQ(session_.obd_takes, 1);
  EXPECT_EQ(views_.refreshes, (std::vector<bool>{true, false}));
}

TEST_F(DataFlowTest, StateChangeClearsThatSourcesParserOnly) {
  gps_.Append("$2GG");
  obd_.Append("$7OB");
  flow_.OnStateChange(kSourceObd, SourceState::kLost);
  EXPECT_EQ(obd_.clears, 1);
  EXPECT_EQ(gps_.clears, 0);
  EXPECT_EQ(obd_resets_, 1);
  flow_.OnStateChange(kSourceGps, SourceState::kLost);
  EXPECT_EQ(gps_.clears, 1);
  EXPECT_EQ(obd_resets_, 1);
  EXPECT_EQ(views_.status, 2);
  flow_.OnData("ignored", kSourceThird);  // the empty slot takes nothing
  flow_.OnStateChange(kSourceThird, SourceState::kLost);
}

}  // namespace
}  // namespace kv
