#include "app/source_command.h"

#include <charconv>
#include <memory>

#include "acquisition/bluetooth_discovery.h"
#include "core/application.h"
#include "platform/termination.h"
#include "platform/thread.h"
#include "platform/ticks.h"

namespace kv::app {

namespace {

bool ParseNumber(std::string_view text, int32_t* value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size();
}

class NoViews final : public ViewManager {
 public:
  void ShowMessage(std::u16string_view) override {}
  void RefreshLive(bool) override {}
  void RefreshStatus() override {}
  void BringToFront() override {}
};

// Owns the source, so that the loop's shut-down stops it.
class RunServices final : public CoreServices, public DataSourceListener {
 public:
  // *connected is set once the source connects; it outlives the services.
  RunServices(Application& app, SourceWatcher& watcher, bool* connected)
      : app_(app), watcher_(watcher), connected_(connected), source_(app, clock_), start_(platform::TickCount()) {}
  ViewManager& Views() override { return views_; }
  void WriteSettings() override {}

  DataSource& Source() { return source_; }

  void OnData(std::string_view text, int32_t) override {
    watcher_.OnText(text, Seconds());
    if (watcher_.Done()) app_.Close(0);
  }
  void OnStateChange(int32_t, SourceState state) override {
    if (state == SourceState::kConnected) {
      *connected_ = true;
      watcher_.OnConnected(source_);
    }
    watcher_.OnState(state, Seconds());
    if (state == SourceState::kStopped || state == SourceState::kFailed) app_.Close(0);
  }

 private:
  double Seconds() const { return (platform::TickCount() - start_) / 1000.0; }

  Application& app_;
  SourceWatcher& watcher_;
  bool* connected_;
  NoViews views_;
  GpsClock clock_{[] { return platform::TickCount(); }};
  DataSource source_;
  uint32_t start_;
};

}  // namespace

const char* StateName(SourceState state) {
  switch (state) {
    case SourceState::kStopped: return "Stopped";
    case SourceState::kConnecting: return "Connecting";
    case SourceState::kConnected: return "Connected";
    case SourceState::kLost: return "Lost";
    case SourceState::kFailed: return "Failed";
  }
  return "?";
}

bool ParseSourceArgument(std::string_view text, int32_t source_id, SourceConfig* config, std::string* error) {
  SourceConfig parsed;
  parsed.source_id = source_id;
  const size_t colon = text.find(':');
  const std::string_view kind = text.substr(0, colon);
  const std::string_view rest = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
  if (kind == "file" && !rest.empty()) {
    parsed.transport = kTransportFile;
    parsed.path = std::string(rest);
  } else if (kind == "serial" && !rest.empty()) {
    parsed.transport = kTransportSerial;
    std::string_view device = rest;
    const size_t last = rest.rfind(':');
    if (last != std::string_view::npos && last + 1 < rest.size() && ParseNumber(rest.substr(last + 1), &parsed.baud_rate)) {
      device = rest.substr(0, last);
    }
    int32_t port = 0;
    if (device.size() > 3 && device.substr(0, 3) == "COM" && ParseNumber(device.substr(3), &port)) {
      parsed.device = platform::SerialDeviceForPort(port);
    } else {
      parsed.device = std::string(device);
    }
    if (parsed.device.empty() || parsed.baud_rate < 0) {
      *error = "serial:DEVICE[:BAUD] expected, e.g. serial:/dev/ttyUSB0:9600";
      return false;
    }
  } else if (kind == "bt") {
    parsed.transport = kTransportBluetooth;
    const std::string_view address = rest.substr(0, 17);
    if (!ParseBluetoothAddress(address, &parsed.address) ||
        (rest.size() > 17 && (rest[17] != ':' || !ParseNumber(rest.substr(18), &parsed.channel) ||
                              parsed.channel < 1 || parsed.channel > 30))) {
      *error = "bt:ADDRESS[:CHANNEL] expected, e.g. bt:00:0B:0D:88:7A:41:1";
      return false;
    }
  } else if (kind == "gpsd") {
    parsed.transport = kTransportGpsd;
    if (!rest.empty()) {
      const size_t port_colon = rest.rfind(':');
      parsed.host = std::string(rest.substr(0, port_colon));
      if (port_colon != std::string_view::npos && !ParseNumber(rest.substr(port_colon + 1), &parsed.port)) {
        *error = "gpsd[:HOST[:PORT]] expected, e.g. gpsd:localhost:2947";
        return false;
      }
      if (parsed.host.empty()) parsed.host = "localhost";
    }
  } else {
    *error = "SOURCE is file:PATH, serial:DEVICE[:BAUD], bt:ADDRESS[:CHANNEL] or gpsd[:HOST[:PORT]]";
    return false;
  }
  *config = parsed;
  return true;
}

bool SourceFromSettings(const Settings& settings, int32_t source_id, SourceConfig* config, std::u16string* name,
                        std::string* error) {
  const bool obd = source_id == kSourceObd;
  SourceConfig made;
  made.source_id = source_id;
  const uint32_t type = obd ? settings.obd_type : settings.gps_type;
  const bool bluetooth = obd ? type == 1 : type == kGpsBluetooth;
  const bool serial = obd ? type == 2 : type == kGpsSerial;
  const char* const what = obd ? "OBD-II reader" : "GPS receiver";
  const char* const option = obd ? "--obd" : "--gps";
  if (bluetooth) {
    made.transport = kTransportBluetooth;
    made.address = obd ? settings.obd_device : settings.gps_device;
    const uint32_t channel = obd ? settings.obd_channel : settings.gps_channel;
    made.channel = channel >= 1 && channel <= 30 ? static_cast<int32_t>(channel) : 1;
    if (made.address == platform::BluetoothAddress{}) {
      *error = std::string("no Bluetooth ") + what + " is chosen in the settings: give " + option +
               " SOURCE, or choose one with `korvatinel devices use ADDRESS --for " + (obd ? "obd" : "gps") + "`";
      return false;
    }
    *name = (obd ? settings.obd_device_name : settings.gps_device_name).Std();
  } else if (serial) {
    made.transport = kTransportSerial;
    made.device = platform::SerialDeviceForPort(static_cast<int32_t>(obd ? settings.obd_port : settings.gps_port));
    made.baud_rate = static_cast<int32_t>(obd ? settings.obd_baud : settings.gps_baud) * 100;
    name->clear();
  } else {
    *error = obd ? std::string("OBD-II is disabled in the settings")
                 : std::string("the settings choose an NMEA file, which they do not name: give --gps file:PATH");
    return false;
  }
  *config = made;
  return true;
}

bool RunSource(const SourceConfig& config, int32_t seconds, SourceWatcher& watcher) {
  Application app;
  RunServices* services = nullptr;
  bool connected = false;
  Application::Options options;
  options.single_instance = false;  // a check may run beside a recording session
  app.Initialise(
      [&](AppHost&) {
        auto made = std::make_unique<RunServices>(app, watcher, &connected);
        services = made.get();
        return made;
      },
      options);
  if (!services) return false;
  platform::TerminationSignals signals(app.CloseRequest());
  platform::Event cancel_timer;
  std::unique_ptr<platform::Thread> timer;
  if (seconds > 0) {
    timer = std::make_unique<platform::Thread>([&] {
      if (!cancel_timer.Wait(seconds * 1000)) app.CloseRequest().Set();
    });
  }
  services->Source().Start(services, config);
  app.Run();  // its shut-down destroys the services and so stops the source
  cancel_timer.Set();
  if (timer) timer->Join(15000);
  return connected;
}

}  // namespace kv::app
