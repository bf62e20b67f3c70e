// `korvatinel devices scan [--json]`: the Bluetooth devices nearby with the
// RFCOMM channel of their serial-port service (what `bt:ADDRESS:CHANNEL`
// wants); `devices use ADDRESS --for gps|obd` keeps one in the settings for
// `record`. On a machine without Bluetooth each says so and ends.
//
// Both power the radio on when it is off: giving the command is the yes to
// "Do you want to turn it on?" (a question on the terminal would stall a
// script, and nothing else needs the radio while they run).
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "acquisition/bluetooth_discovery.h"
#include "app/command_list.h"
#include "app/json_text.h"
#include "app/source_command.h"
#include "app/storage_context.h"
#include "core/application.h"
#include "platform/file_io.h"
#include "platform/termination.h"
#include "util/errors.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

class NoViews final : public ViewManager {
 public:
  void ShowMessage(std::u16string_view) override {}
  void RefreshLive(bool) override {}
  void RefreshStatus() override {}
  void BringToFront() override {}
};

struct FoundDevice {
  platform::BluetoothAddress address;
  std::string name;
  int32_t channel = -1;
};

struct ScanResult {
  int32_t code = 0;
  std::vector<FoundDevice> devices;
};

// The inquiry, then one service lookup per device, one after the other.
class ScanServices final : public CoreServices, public InquiryListener, public LookupListener {
 public:
  ScanServices(Application& app, platform::BluetoothAdapter& adapter, ScanResult* result)
      : app_(app), inquiry_(app, adapter), lookup_(app, adapter), result_(result) {
    inquiry_.StartInquiry(this);
  }
  ViewManager& Views() override { return views_; }
  void WriteSettings() override {}

  void OnInquiryUpdate() override {
    if (inquiry_.Running()) return;
    result_->code = inquiry_.ResultCode();
    for (int32_t i = 0; i < inquiry_.DeviceCount(); ++i)
      result_->devices.push_back({inquiry_.Address(i), std::string(ToUtf8(inquiry_.Name(i)).AsView()), -1});
    NextLookup();
  }
  void OnLookupDone(int32_t channel) override {
    result_->devices[next_++].channel = channel;
    NextLookup();
  }

 private:
  void NextLookup() {
    if (next_ < result_->devices.size()) {
      lookup_.StartLookup(this, result_->devices[next_].address);
    } else {
      app_.Close(0);
    }
  }

  Application& app_;
  NoViews views_;
  BluetoothInquiry inquiry_;
  ServiceLookup lookup_;
  ScanResult* result_;
  size_t next_ = 0;
};

// One service lookup under its own loop: the channel, or -1.
class LookupServices final : public CoreServices, public LookupListener {
 public:
  LookupServices(Application& app, platform::BluetoothAdapter& adapter, const platform::BluetoothAddress& address,
                 int32_t* channel)
      : app_(app), lookup_(app, adapter), channel_(channel) {
    lookup_.StartLookup(this, address);
  }
  ViewManager& Views() override { return views_; }
  void WriteSettings() override {}
  void OnLookupDone(int32_t channel) override {
    *channel_ = channel;
    app_.Close(0);
  }

 private:
  Application& app_;
  NoViews views_;
  ServiceLookup lookup_;
  int32_t* channel_;
};

int32_t LookUpChannel(platform::BluetoothAdapter& adapter, const platform::BluetoothAddress& address) {
  int32_t channel = -1;
  Application app;
  Application::Options options;
  options.single_instance = false;
  app.Initialise([&](AppHost&) { return std::make_unique<LookupServices>(app, adapter, address, &channel); },
                 options);
  platform::TerminationSignals signals(app.CloseRequest());
  app.Run();
  return channel;
}

// Makes sure the radio is on, powering it when it is off; false, with the
// reason on err, when it stays off.
bool RadioReady(platform::BluetoothAdapter& adapter, std::ostream& err) {
  const std::string off(ToUtf8(Load(kStrBluetoothOff)).AsView());
  switch (EnsureRadioOn(adapter, true)) {
    case RadioCheck::kOn:
      return true;
    case RadioCheck::kTurnedOn:
      err << "Bluetooth was turned off; it is on now.\n";
      return true;
    case RadioCheck::kNoAdapter:
      err << "This machine has no Bluetooth adapter.\n";
      return false;
    case RadioCheck::kNoPermission:
      err << off << " Turning it on needs root or CAP_NET_ADMIN (or: bluetoothctl power on).\n";
      return false;
    case RadioCheck::kOff:
    case RadioCheck::kError:
      break;
  }
  err << off << " It could not be turned on.\n";
  return false;
}

}  // namespace

int RunDevicesScan(platform::BluetoothAdapter& adapter, bool json, std::ostream& out, std::ostream& err) {
  if (!RadioReady(adapter, err)) {
    if (json) out << "[]\n";
    return 1;
  }
  ScanResult result;
  {
    Application app;
    Application::Options options;
    options.single_instance = false;
    app.Initialise([&](AppHost&) { return std::make_unique<ScanServices>(app, adapter, &result); }, options);
    platform::TerminationSignals signals(app.CloseRequest());
    app.Run();
  }
  if (result.devices.empty()) {
    const WideString message = result.code == kInquiryEnded || result.code == 0
                                   ? Load(kStrNoDevicesFound)
                                   : FormatN(kStrDeviceSearchError, result.code);
    if (json) out << "[]\n";
    err << ToUtf8(message).AsView() << '\n';
    return result.code == kInquiryEnded ? 0 : 1;
  }
  if (json) {
    nlohmann::json list = nlohmann::json::array();
    for (const FoundDevice& d : result.devices)
      list.push_back({{"address", FormatBluetoothAddress(d.address)},
                      {"name", d.name},
                      {"channel", d.channel > 0 ? nlohmann::json(d.channel) : nlohmann::json()}});
    out << JsonText(list) << '\n';
    return 0;
  }
  for (const FoundDevice& d : result.devices) {
    out << FormatBluetoothAddress(d.address) << "  ";
    if (d.channel > 0) {
      out << "channel " << d.channel;
    } else {
      out << "no serial port";
    }
    out << "  " << d.name << '\n';
  }
  return 0;
}

int RunDevicesUse(platform::BluetoothAdapter& adapter, const DeviceChoice& choice, Settings& settings,
                  const std::string& settings_folder, std::ostream& out, std::ostream& err) {
  const bool obd = choice.kind == "obd";
  platform::BluetoothAddress address{};
  if (!obd && choice.kind != "gps") {
    err << "--for is gps or obd\n";
    return 2;
  }
  if (!ParseBluetoothAddress(choice.address, &address) || address == platform::BluetoothAddress{}) {
    err << "ADDRESS is a Bluetooth address such as 00:0B:0D:88:7A:41: " << choice.address << '\n';
    return 2;
  }
  if (!RadioReady(adapter, err)) return 1;
  const int32_t channel = LookUpChannel(adapter, address);
  if (channel < 1) {
    err << ToUtf8(Load(obd ? kStrNotAnObdReader : kStrNotAGpsReceiver)).AsView()
        << " (no serial-port service found; is it on and in range?)\n";
    return 1;
  }
  if (obd) {
    settings.obd_type = 1;
    settings.obd_device = address;
    settings.obd_channel = static_cast<uint32_t>(channel);
    settings.obd_device_name = FromUtf8(choice.name);
  } else {
    settings.gps_type = kGpsBluetooth;
    settings.gps_device = address;
    settings.gps_channel = static_cast<uint32_t>(channel);
    settings.gps_device_name = FromUtf8(choice.name);
  }
  try {
    SaveSettings(settings_folder, settings);
  } catch (const CodeException& e) {
    err << "The settings were not saved in " << settings_folder << ": "
        << (e.system_error != 0 ? platform::ErrorText(e.system_error) : "error " + std::to_string(e.code)) << '\n';
    return 1;
  }
  out << (obd ? "OBD-II reader " : "GPS receiver ") << FormatBluetoothAddress(address) << " channel " << channel
      << (choice.name.empty() ? "" : "  " + choice.name) << ": `korvatinel record` uses it when no "
      << (obd ? "--obd" : "--gps") << " is given.\n";
  return 0;
}

void AddDevicesCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands) {
  auto json = std::make_shared<bool>(false);
  CLI::App* devices = cli.add_subcommand("devices", "Bluetooth receivers and adapters");
  devices->require_subcommand(1);
  CLI::App* scan = devices->add_subcommand("scan", "List nearby Bluetooth devices with their serial-port channel");
  scan->add_flag("--json", *json, "One JSON array of {address, name, channel}");
  commands.Add(scan, [json] {
    const auto adapter = platform::MakeBluezAdapter();
    return RunDevicesScan(*adapter, *json, std::cout, std::cerr);
  });
  auto choice = std::make_shared<DeviceChoice>();
  CLI::App* use = devices->add_subcommand("use", "Keep a Bluetooth device in the settings as the GPS receiver or OBD-II reader");
  use->add_option("ADDRESS", choice->address, "Bluetooth address, e.g. 00:0B:0D:88:7A:41")->required();
  use->add_option("--for", choice->kind, "gps or obd")->required();
  use->add_option("--name", choice->name, "The device's name, shown while connecting (from `devices scan`)");
  commands.Add(use, [choice, &globals] {
    StorageContext context(globals.data_dir);
    const auto adapter = platform::MakeBluezAdapter();
    return RunDevicesUse(*adapter, *choice, context.settings, context.storage.AppDataFolder(), std::cout, std::cerr);
  });
}

}  // namespace kv::app
