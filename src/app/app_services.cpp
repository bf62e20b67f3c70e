#include "app/app_services.h"

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

AppServices::AppServices(Application& app, Settings& settings, std::string settings_folder, TerminalViews& views,
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
      obd_(app, clock_) {}

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

void AppServices::StartGps(const SourceConfig& config) {
  use_.gps = true;
  gps_.Start(this, config);
}

void AppServices::StartObd(const SourceConfig& config, const ObdChannelChoice& channels) {
  use_.obd = true;
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

std::u16string AppServices::StatusText() const {
  const int32_t gps = LiveGpsCode(GpsStatusCode(&gps_, use_), builder_.FixQuality());
  const int32_t obd = ObdStatusCode(&gps_, &obd_, use_);
  // Only the conditions worth a driver's attention; "Fixed to N
  // satellites" is the normal state and stays off the line.
  if (gps == 4 || gps == 5) return obd != 0 && obd != 3 ? SourceStatusText(4, obd, builder_.Satellites()).Std() : u"";
  return SourceStatusText(gps, obd, builder_.Satellites()).Std();
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
