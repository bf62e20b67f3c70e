// The recorder as the data flow drives it: pausing in the middle records
// nothing while paused and loses nothing before or after, and what is
// reloaded from the files is what was recorded live.
#include "session/session_recorder.h"

#include <gtest/gtest.h>

#include <string>

#include "session/session_loader.h"
#include "storage/storage_list.h"
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
    const std::string line = "$GPGGA," + std::to_string(i) + "*00\r\n";
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

  StorageList storage(dir.Path());
  storage.Refresh();
  SessionLoader loader(storage, storage.DefaultRoot(), base.AsView(), LapSettings{});
  while (loader.Step()) {
  }
  ASSERT_EQ(loader.Result(), SessionLoader::Outcome::kLoaded);
  const std::unique_ptr<SessionData> loaded = loader.Take();
  ASSERT_EQ(loaded->Samples().Count(), recorded) << "every sample recorded live is on file";
  for (int32_t i = 0; i < recorded; ++i) {
    ASSERT_EQ(loaded->Samples()[i].time, recorder.Data().Samples()[i].time) << i;
    ASSERT_EQ(loaded->Samples()[i].position, recorder.Data().Samples()[i].position) << i;
  }
}

}  // namespace
}  // namespace kv
