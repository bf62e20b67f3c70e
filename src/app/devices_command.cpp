// `korvatinel devices scan [--json]`: the Bluetooth devices nearby with the
// RFCOMM channel of their serial-port service (what `bt:ADDRESS:CHANNEL`
// wants). On a machine without Bluetooth it says so and ends.
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "acquisition/bluetooth_discovery.h"
#include "app/command_list.h"
#include "app/json_text.h"
#include "app/source_command.h"
#include "core/application.h"
#include "platform/termination.h"
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

}  // namespace

int RunDevicesScan(platform::BluetoothAdapter& adapter, bool json, std::ostream& out, std::ostream& err) {
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

void AddDevicesCommand(CLI::App& cli, const GlobalOptions& /*globals*/, CommandList& commands) {
  auto json = std::make_shared<bool>(false);
  CLI::App* devices = cli.add_subcommand("devices", "Bluetooth receivers and adapters");
  devices->require_subcommand(1);
  CLI::App* scan = devices->add_subcommand("scan", "List nearby Bluetooth devices with their serial-port channel");
  scan->add_flag("--json", *json, "One JSON array of {address, name, channel}");
  commands.Add(scan, [json] {
    const auto adapter = platform::MakeBluezAdapter();
    return RunDevicesScan(*adapter, *json, std::cout, std::cerr);
  });
}

}  // namespace kv::app
