// Discovery's threads against a fake adapter, serviced by the real main loop.
#include "acquisition/bluetooth_discovery.h"

#include <gtest/gtest.h>

#include <errno.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/ticks.h"
#include "source_loop.h"

namespace kv {
namespace {

struct FakeDevice {
  platform::BluetoothAddress address;
  std::string name;
};

class FakeAdapter final : public platform::BluetoothAdapter {
 public:
  std::vector<FakeDevice> devices;
  int32_t begin_error = 0;
  int32_t delay_ms = 0;  // per device, like a name request
  std::atomic<bool> cancelled{false};
  std::atomic<int> ended{0};
  std::string record;  // what the service search returns
  int32_t lookup_error = 0;
  int32_t radio_mode = 0;
  bool radio_works = true;

  int32_t BeginInquiry() override {
    next_ = 0;
    cancelled = false;
    return begin_error;
  }
  int32_t NextDevice(platform::BluetoothAddress* address, std::string* name) override {
    for (int waited = 0; waited < delay_ms && !cancelled; waited += 5)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (cancelled) return ECANCELED;
    if (next_ >= devices.size()) return platform::kEndOfResults;
    *address = devices[next_].address;
    *name = devices[next_].name;
    ++next_;
    return 0;
  }
  void CancelInquiry() override { cancelled = true; }
  void EndInquiry() override { ++ended; }
  int32_t ServiceRecords(const platform::BluetoothAddress&, uint16_t uuid16,
                         std::vector<std::string>* records) override {
    EXPECT_EQ(uuid16, 0x1101);
    if (lookup_error) return lookup_error;
    records->push_back(record);
    return 0;
  }
  void CancelLookup() override {}
  bool GetRadioMode(int32_t* mode) override {
    *mode = radio_mode;
    return radio_works;
  }
  bool SetRadioMode(int32_t mode) override {
    if (radio_works) radio_mode = mode;
    return radio_works;
  }

 private:
  size_t next_ = 0;
};

class Watcher final : public InquiryListener, public LookupListener {
 public:
  void OnInquiryUpdate() override { ++updates; }
  void OnLookupDone(int32_t channel) override { found_channel = channel; ++lookups; }
  int updates = 0;
  int lookups = 0;
  int32_t found_channel = -2;
};

struct Rig {
  test::SourceLoop loop;
  FakeAdapter adapter;
  Watcher watcher;
  BluetoothInquiry inquiry{loop.Host(), adapter};
  ServiceLookup lookup{loop.Host(), adapter};

  // Runs the loop until the inquiry has ended and its end was reported.
  bool RunInquiry(int32_t timeout_ms) {
    const uint32_t start = platform::TickCount();
    while (platform::TickCount() - start < static_cast<uint32_t>(timeout_ms)) {
      loop.RunUntil([] { return false; }, 20);
      if (!inquiry.Running() && watcher.updates > 0) return true;
    }
    return false;
  }
};

const platform::BluetoothAddress kGps = {0x00, 0x0B, 0x0D, 0x88, 0x7A, 0x41};
const platform::BluetoothAddress kObd = {0x00, 0x1D, 0xA5, 0x68, 0x98, 0x8B};

TEST(BluetoothInquiry, ListsDevicesInDiscoveryOrderWithEmptyNamesAndEndsWithMinus5) {
  Rig rig;
  rig.adapter.devices = {{kGps, "BT-GPS 8A41"}, {kObd, ""}};
  rig.inquiry.StartInquiry(&rig.watcher);
  ASSERT_TRUE(rig.RunInquiry(5000));
  EXPECT_EQ(rig.inquiry.ResultCode(), kInquiryEnded);
  ASSERT_EQ(rig.inquiry.DeviceCount(), 2);
  EXPECT_EQ(rig.inquiry.Address(0), kGps);
  EXPECT_EQ(rig.inquiry.Name(0), WideString(u"BT-GPS 8A41"));
  EXPECT_EQ(rig.inquiry.Address(1), kObd);
  EXPECT_TRUE(rig.inquiry.Name(1).IsEmpty()) << "a device without a name is listed with an empty name";
  EXPECT_EQ(rig.adapter.ended.load(), 1);
}

TEST(BluetoothInquiry, TheListGrowsWhileTheSearchRuns) {
  Rig rig;
  rig.adapter.devices = {{kGps, "one"}, {kObd, "two"}};
  rig.adapter.delay_ms = 300;
  rig.inquiry.StartInquiry(&rig.watcher);
  const uint32_t start = platform::TickCount();
  while (rig.watcher.updates == 0 && platform::TickCount() - start < 5000) rig.loop.RunUntil([] { return false; }, 20);
  EXPECT_TRUE(rig.inquiry.Running()) << "the listener heard of the first device before the end";
  EXPECT_EQ(rig.inquiry.DeviceCount(), 1);
  ASSERT_TRUE(rig.RunInquiry(5000));
}

TEST(BluetoothInquiry, NoAdapterIsReportedWithItsErrorNumberAndAnEmptyList) {
  Rig rig;
  rig.adapter.begin_error = ENODEV;
  rig.inquiry.StartInquiry(&rig.watcher);
  ASSERT_TRUE(rig.RunInquiry(5000));
  EXPECT_EQ(rig.inquiry.ResultCode(), ENODEV);
  EXPECT_EQ(rig.inquiry.DeviceCount(), 0);
}

TEST(BluetoothInquiry, CancelEndsARunningInquiryAtOnceAndASecondStartIsIgnored) {
  Rig rig;
  rig.adapter.devices = {{kGps, "one"}, {kObd, "two"}};
  rig.adapter.delay_ms = 10000;
  rig.inquiry.StartInquiry(&rig.watcher);
  rig.inquiry.StartInquiry(&rig.watcher);  // no effect while running
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const uint32_t start = platform::TickCount();
  rig.inquiry.CancelInquiry();
  EXPECT_LT(platform::TickCount() - start, 1000u);
  EXPECT_FALSE(rig.inquiry.Running());
  EXPECT_EQ(rig.adapter.ended.load(), 1) << "one inquiry ran";
}

TEST(ServiceLookup, FindsTheSerialPortChannelFromTheRecord) {
  Rig rig;
  rig.adapter.record = std::string("\x35\x11\x09\x00\x04\x35\x0C\x35\x03\x19\x01\x00\x35\x05\x19\x00\x03\x08\x06", 19);
  rig.lookup.StartLookup(&rig.watcher, kGps);
  rig.loop.RunUntil([&] { return false; }, 200);
  for (int i = 0; i < 100 && rig.watcher.lookups == 0; ++i) rig.loop.RunUntil([] { return false; }, 20);
  EXPECT_EQ(rig.watcher.lookups, 1);
  EXPECT_EQ(rig.watcher.found_channel, 6);
  EXPECT_EQ(rig.lookup.Channel(), 6);
}

TEST(ServiceLookup, ADeviceWithoutTheServiceGivesMinus1) {
  Rig rig;
  rig.adapter.lookup_error = EHOSTDOWN;
  rig.lookup.StartLookup(&rig.watcher, kObd);
  for (int i = 0; i < 100 && rig.watcher.lookups == 0; ++i) rig.loop.RunUntil([] { return false; }, 20);
  EXPECT_EQ(rig.watcher.found_channel, -1);
}

TEST(RadioHelper, ReportsAndTurnsOnTheRadio) {
  FakeAdapter adapter;
  EXPECT_FALSE(IsRadioOn(adapter));
  EXPECT_TRUE(TurnRadioOn(adapter));
  EXPECT_TRUE(IsRadioOn(adapter));
  adapter.radio_works = false;
  EXPECT_FALSE(IsRadioOn(adapter)) << "a failing query counts as off";
  EXPECT_FALSE(TurnRadioOn(adapter));
}

TEST(BluetoothAddressText, RoundTripsAndRejectsMalformedText) {
  platform::BluetoothAddress address{};
  ASSERT_TRUE(ParseBluetoothAddress("00:0b:0D:88:7A:41", &address));
  EXPECT_EQ(address, kGps);
  EXPECT_EQ(FormatBluetoothAddress(address), "00:0B:0D:88:7A:41");
  for (const char* bad : {"", "00:0B:0D:88:7A", "00:0B:0D:88:7A:4G", "00-0B-0D-88-7A-41", "00:0B:0D:88:7A:411"})
    EXPECT_FALSE(ParseBluetoothAddress(bad, &address)) << bad;
}

}  // namespace
}  // namespace kv
