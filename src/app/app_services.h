// AppServices: the concrete CoreServices of the command line: the settings,
// one parser per source, the sample builder, the OBD-II channel table (the
// decoder), the GPS and OBD-II data sources, the data flow that carries
// their text to the session, and the terminal views. A GPS source that
// ends (a replayed file) ends the run through Application::Close; a source
// that could not be opened ends it with status 1, and so does a settings
// file that cannot be written: both are left in RunProblems for the
// command to report. Main thread; owned by the Application.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "acquisition/data_source.h"
#include "acquisition/nmea_parser.h"
#include "acquisition/obd_channels.h"
#include "acquisition/source_status.h"
#include "app/obd_channel_choice.h"
#include "app/terminal_views.h"
#include "core/application.h"
#include "core/core_services.h"
#include "core/data_flow.h"
#include "core/view_manager.h"
#include "core/gps_clock.h"
#include "storage/settings.h"
#include "timing/sample_builder.h"

namespace kv::app {

// What went wrong while the loop ran; outlives the services.
struct RunProblems {
  int32_t failed_source = -1;  // the source that could not be opened
  int32_t source_error = 0;    // its errno (negative: no such transport here)
  bool settings_failed = false;
  int32_t settings_error = 0;  // errno of the settings write
};

// What the live timer's header and status line need of the sources.
struct LiveSourceStatus {
  int32_t gps = 4;  // live GPS code, 1..6
  int32_t obd = 0;  // OBD-II status, 1 no connection, 2 no data
  int32_t satellites = 0;
  std::u16string connecting;  // "Connecting to ..." while a source opens or reopens
};

class AppServices final : public CoreServices, public DataSourceListener {
 public:
  // settings and views outlive the services; settings are written to
  // `settings_folder` at shut-down.
  AppServices(Application& app, Settings& settings, std::string settings_folder, ViewManager& views,
              RunProblems& problems);
  ~AppServices() override;

  ViewManager& Views() override { return views_; }
  void WriteSettings() override;

  // Called at shut-down before the settings are written (closes the session).
  void SetShutdownHook(std::function<void()> hook) { shutdown_hook_ = std::move(hook); }

  SampleBuilder& Builder() { return builder_; }
  // How far a replayed GPS file has come, in bytes.
  int64_t GpsReplayedBytes() const { return gps_.ReplayedBytes(); }
  const ObdChannelTable& ObdTable() const { return obd_table_; }
  DataFlow& Flow() { return flow_; }
  // name: the device's, for "Connecting to GPS receiver %U..." (may be empty).
  void StartGps(const SourceConfig& config, std::u16string name = {});
  // Polls the chosen channels; a default choice is narrowed to what the
  // vehicle supports once its support bitmap has been decoded.
  void StartObd(const SourceConfig& config, const ObdChannelChoice& channels, std::u16string name = {});
  // The connection status line of the live timer: "Connecting to ..."
  // while a source opens or reopens, else the fix and connection state.
  std::u16string StatusText() const;
  LiveSourceStatus LiveStatus() const;

  // DataSourceListener: to the flow; the GPS source's end ends the run.
  void OnData(std::string_view text, int32_t source_id) override;
  void OnStateChange(int32_t source_id, SourceState state) override;

 private:
  Application& app_;
  Settings& settings_;
  std::string settings_folder_;
  ViewManager& views_;
  RunProblems& problems_;
  std::array<std::unique_ptr<NmeaParser>, kSourceCount> parsers_;
  ObdChannelTable obd_table_;
  SampleBuilder builder_{obd_table_};
  DataFlow flow_;
  GpsClock clock_;
  SourceUse use_;
  std::u16string gps_name_, obd_name_;
  DataSource gps_;
  DataSource obd_;
  ObdChannelChoice obd_channels_;
  std::function<void()> shutdown_hook_;
};

}  // namespace kv::app
