// The recorder through the data flow, as the main loop drives it: pausing in
// the middle records nothing while paused and loses nothing before or after,
// and what is reloaded from the files is what was recorded live.
#include "session/session_recorder.h"

#include <gtest/gtest.h>

#include <string>

#include "acquisition/nmea_parser.h"
#include "acquisition/obd_channels.h"
#include "core/data_flow.h"
#include "session/session_loader.h"
#include "storage/storage_list.h"
#include "storage/storage_paths.h"
#include "support/temp_folder.h"
#include "support/track_simulator.h"
#include "timing/sample_builder.h"

namespace kv {
namespace {

class QuietViews final : public ViewManager {
 public:
  void ShowMessage(std::u16string_view) override {}
  void RefreshLive(bool) override {}
  void RefreshStatus() override {}
  void BringToFront() override {}
};

TEST(SessionRecorder, PausingInTheMiddleLosesNoSampleBeforeOrAfter) {
  kv::testing::TempFolder dir;
  ASSERT_TRUE(EnsureFolders(dir.Path()));
  SessionHeader header = NewSession(dir.Path());
  header.type = kSessionDataLogging;
  header.save_nmea = 1;
  const WideString base = header.base_name;

  sim::SimConfig config;
  config.circuit = sim::RoundedRectangle(12);
  config.rate_hz = 10;
  config.laps = 1;
  sim::TrackSimulator simulator(config);
  const std::string nmea = simulator.Nmea();
  // Cut at line ends, in thirds.
  const size_t a = nmea.find('\n', nmea.size() / 3) + 1;
  const size_t b = nmea.find('\n', 2 * nmea.size() / 3) + 1;

  ObdChannelTable obd;
  SampleBuilder builder(obd);
  NmeaParser parser(false);
  QuietViews views;
  uint32_t ticks = 0;
  SessionRecorder recorder(std::make_unique<SessionData>(std::move(header), LapSettings{}),
                           [&] { return ticks += 100; });
  recorder.StartNew();
  DataFlow flow({&parser, nullptr, nullptr}, builder, views, {});
  flow.SetSession(&recorder);

  flow.OnData(std::string_view(nmea).substr(0, a), kSourceGps);
  const int32_t before_pause = recorder.Data().Samples().Count();
  recorder.Pause();
  flow.OnData(std::string_view(nmea).substr(a, b - a), kSourceGps);
  EXPECT_EQ(recorder.Data().Samples().Count(), before_pause) << "nothing is recorded while paused";
  recorder.Continue();
  flow.OnData(std::string_view(nmea).substr(b), kSourceGps);
  const int32_t recorded = recorder.Data().Samples().Count();
  recorder.Close();

  ASSERT_GT(before_pause, 100);
  EXPECT_GT(recorded, before_pause + 100) << "recording goes on after the pause";

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
