// The recorder as the data flow drives it: pausing in the middle records
// nothing while paused and loses nothing before or after, and what is
// reloaded from the files is what was recorded live.
#include "session/session_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/sample_loader.h"
#include "storage/storage_paths.h"
#include "support/temp_folder.h"

namespace kv {
namespace {

TEST(SessionRecorder, PausingInTheMiddleLosesNoSampleBeforeOrAfter) {
  testing::TempFolder dir;
  ASSERT_TRUE(EnsureFolders(dir.Path()));
  SessionHeader header = NewSession(dir.Path());
  header.type = kSessionDataLogging;
  header.save_nmea = 1;
  const WideString base = header.base_name;
  uint32_t ticks = 0;
  SessionRecorder recorder(std::make_unique<SessionData>(std::move(header), LapSettings{}),
                           [&] { return ticks += 100; });
  recorder.StartNew();
  const DateTimeValue date{DateTimeValue::MakeDay(2024, 6, 1), 0};
  std::string logged;
  for (int32_t i = 0; i < 300; ++i) {
    if (i == 100) recorder.Pause();
    if (i == 200) recorder.Continue();
    const std::string line = std::string("$GPGGA,").append(std::to_string(i)).append("*00\r\n");
    recorder.LogNmea(line);
    LogSample fix;
    fix.time = i * 100;
    fix.position = {300000000 + i * 100, 36000000};
    fix.flags = 8;
    recorder.RecordSample(fix, date);
    if (i < 100 || i >= 200) logged += line;
  }
  const int32_t recorded = recorder.Data().Samples().Count();
  recorder.Close();
  EXPECT_EQ(recorded, 200) << "nothing is recorded while paused";
  EXPECT_EQ(testing::ReadWholeFile(BuildPath(base, dir.Path(), FileKind::kNmeaLog)), logged);

  SampleLoader loader(BuildPath(base, dir.Path(), FileKind::kSampleFile));
  ASSERT_TRUE(loader.LoadAll());
  const std::vector<LogSample>& loaded = loader.Data().samples;
  ASSERT_EQ(loaded.size(), static_cast<size_t>(recorded)) << "every sample recorded live is on file";
  for (int32_t i = 0; i < recorded; ++i) {
    ASSERT_EQ(loaded[static_cast<size_t>(i)].time, recorder.Data().Samples()[i].time) << i;
    ASSERT_EQ(loaded[static_cast<size_t>(i)].position, recorder.Data().Samples()[i].position) << i;
  }
}

// A session resumed after midnight UTC: the receiver's times of day start
// again from 0 and go on from the last sample's day; a repeated epoch is
// still recorded once.
TEST(SessionRecorder, TimesGoOnPastMidnightAndARepeatIsDropped) {
  testing::TempFolder dir;
  ASSERT_TRUE(EnsureFolders(dir.Path()));
  SessionHeader header = NewSession(dir.Path());
  header.type = kSessionDataLogging;
  SessionRecorder recorder(std::make_unique<SessionData>(std::move(header), LapSettings{}), [] { return 0u; });
  recorder.StartNew();
  std::vector<int32_t> stored;
  for (const int32_t time : {86398000, 86399000, 0, 0, 1000}) {
    LogSample fix;
    fix.time = time;
    fix.position = {300000000, 36000000};
    recorder.RecordSample(fix, {DateTimeValue::MakeDay(2024, 6, 1), time});
  }
  for (int32_t i = 0; i < recorder.Data().Samples().Count(); ++i) stored.push_back(recorder.Data().Samples()[i].time);
  recorder.Close();
  EXPECT_EQ(stored, (std::vector<int32_t>{86398000, 86399000, 86400000, 86401000}));
}

}  // namespace
}  // namespace kv
