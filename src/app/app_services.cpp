#include "app/app_services.h"

#include "platform/folders.h"
#include "platform/ticks.h"
#include "util/errors.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

std::array<std::unique_ptr<NmeaParser>, kSourceCount> MakeParsers() {
  std::array<std::unique_ptr<NmeaParser>, kSourceCount> parsers;
  for (auto& p : parsers) p = std::make_unique<NmeaParser>(false);
  return parsers;
}

std::array<SentenceReader*, kSourceCount> Readers(const std::array<std::unique_ptr<NmeaParser>, kSourceCount>& p) {
  std::array<SentenceReader*, kSourceCount> readers{};
  for (size_t i = 0; i < p.size(); ++i) readers[i] = p[i].get();
  return readers;
}

}  // namespace

AppServices::AppServices(Application& app, Settings& settings, std::string settings_folder, ViewManager& views,
                         RunProblems& problems)
    : app_(app),
      settings_(settings),
      settings_folder_(std::move(settings_folder)),
      views_(views),
      problems_(problems),
      parsers_(MakeParsers()),
      flow_(Readers(parsers_), builder_, views_, [this] { obd_table_.Reset(); }),
      clock_([] { return platform::TickCount(); }),
      gps_(app, clock_),
      obd_(app, clock_) {
  builder_.SetClockDate(DateTimeValue::FromUnixMs(platform::NowUnixMs()));
}

AppServices::~AppServices() {
  // The sources first: their threads must not outlive what they report to.
  gps_.Stop();
  obd_.Stop();
}

void AppServices::WriteSettings() {
  if (shutdown_hook_) shutdown_hook_();
  try {
    SaveSettings(settings_folder_, settings_);
  } catch (const CodeException& e) {
    // The session is closed already; the command says what was lost.
    problems_.settings_failed = true;
    problems_.settings_error = e.system_error;
  }
}

void AppServices::StartGps(const SourceConfig& config, std::u16string name) {
  use_.gps = true;
  gps_name_ = std::move(name);
  gps_.Start(this, config);
}

void AppServices::StartObd(const SourceConfig& config, const ObdChannelChoice& channels, std::u16string name) {
  use_.obd = true;
  obd_name_ = std::move(name);
  obd_channels_ = channels;
  ApplyObdChannels(obd_channels_, obd_table_, obd_);
  obd_.Start(this, config);
}

void AppServices::OnData(std::string_view text, int32_t source_id) {
  flow_.OnData(text, source_id);
  if (source_id == kSourceObd && NarrowToSupported(obd_table_, &obd_channels_)) {
    ApplyObdChannels(obd_channels_, obd_table_, obd_);
    views_.ShowMessage(FromUtf8(ChoiceText(obd_channels_) + ", as the vehicle supports").Std());
  }
}

LiveSourceStatus AppServices::LiveStatus() const {
  // Connecting, or waiting to connect again (a Bluetooth link that was
  // lost is tried every 5 s).
  const auto opening = [](const DataSource& source) {
    return source.State() == SourceState::kConnecting || source.State() == SourceState::kLost;
  };
  LiveSourceStatus status;
  if (use_.gps && opening(gps_)) status.connecting = ConnectingText(kSourceGps, gps_name_).Std();
  else if (use_.obd && opening(obd_)) status.connecting = ConnectingText(kSourceObd, obd_name_).Std();
  status.gps = LiveGpsCode(GpsStatusCode(&gps_, use_), builder_.FixQuality());
  status.obd = ObdStatusCode(&gps_, &obd_, use_);
  status.satellites = builder_.Satellites();
  return status;
}

std::u16string AppServices::StatusText() const {
  const LiveSourceStatus status = LiveStatus();
  if (!status.connecting.empty()) return status.connecting;
  const int32_t gps = status.gps, obd = status.obd;
  // Only the conditions worth a driver's attention; "Fixed to N
  // satellites" is the normal state and stays off the line.
  std::u16string text;
  if (gps == 4 || gps == 5) {
    if (obd != 0 && obd != 3) text = SourceStatusText(4, obd, builder_.Satellites()).Std();
  } else {
    text = SourceStatusText(gps, obd, builder_.Satellites()).Std();
  }
  // Epochs the receiver itself said were no fix (dead reckoning, simulation,
  // no satellites) are not recorded: say how many, or gaps look like loss.
  if (builder_.NotAFixCount() > 0) {
    if (!text.empty()) text += u", ";
    text += FromUtf8(std::to_string(builder_.NotAFixCount()) + " epochs not a fix").Std();
  }
  return text;
}

void AppServices::OnStateChange(int32_t source_id, SourceState state) {
  flow_.OnStateChange(source_id, state);
  if (state == SourceState::kFailed) {
    if (problems_.failed_source < 0) {
      problems_.failed_source = source_id;
      problems_.source_error = (source_id == kSourceObd ? obd_ : gps_).OpenError();
    }
    app_.Close(1);
  } else if (source_id == kSourceGps && state == SourceState::kStopped) {
    app_.Close(0);
  }
}

}  // namespace kv::app
