// Discovery's threads against a fake adapter, serviced by the real main
// loop; run under ThreadSanitizer by tools/check.sh.
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

const platform::BluetoothAddress kGps = {0x00, 0x0B, 0x0D, 0x88, 0x7A, 0x41};
const platform::BluetoothAddress kObd = {0x00, 0x1D, 0xA5, 0x68, 0x98, 0x8B};

class FakeAdapter final : public platform::BluetoothAdapter {
 public:
  int32_t delay_ms = 0;  // per device, like a name request
  std::atomic<bool> cancelled{false};
  std::atomic<int> ended{0};
  int32_t lookup_error = 0;
  int32_t radio_mode = 0;
  int32_t radio_query_error = 0, radio_set_error = 0;  // ENODEV, EPERM...

  int32_t BeginInquiry() override { return next_ = 0; }
  int32_t NextDevice(platform::BluetoothAddress* address, std::string* name) override {
    for (int waited = 0; waited < delay_ms && !cancelled; waited += 5)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (cancelled) return ECANCELED;
    if (next_ == 2) return platform::kEndOfResults;
    *address = next_ == 0 ? kGps : kObd;
    *name = next_++ == 0 ? "BT-GPS 8A41" : "";
    return 0;
  }
  void CancelInquiry() override { cancelled = true; }
  void EndInquiry() override { ++ended; }
  int32_t ServiceRecords(const platform::BluetoothAddress&, uint16_t uuid16,
                         std::vector<std::string>* records) override {
    EXPECT_EQ(uuid16, kSerialPortServiceClass);
    // A serial-port record with RFCOMM channel 6.
    records->emplace_back("\x35\x11\x09\x00\x04\x35\x0C\x35\x03\x19\x01\x00\x35\x05\x19\x00\x03\x08\x06", 19);
    return lookup_error;
  }
  void CancelLookup() override {}
  int32_t GetRadioMode(int32_t* mode) override {
    *mode = radio_mode;
    return radio_query_error;
  }
  int32_t SetRadioMode(int32_t mode) override {
    if (radio_set_error == 0) radio_mode = mode;
    return radio_set_error;
  }

 private:
  int next_ = 0;
};

struct Rig : InquiryListener, LookupListener {
  void OnInquiryUpdate() override { ++updates; }
  void OnLookupDone(int32_t channel) override { channels.push_back(channel); }

  // Runs the main loop in short slices until done() or timeout_ms passed.
  bool RunUntil(const std::function<bool()>& done, uint32_t timeout_ms) {
    for (const uint32_t start = platform::TickCount(); !done();) {
      if (platform::TickCount() - start > timeout_ms) return false;
      loop.RunUntil([] { return false; }, 20);
    }
    return true;
  }

  test::SourceLoop loop;
  FakeAdapter adapter;
  BluetoothInquiry inquiry{loop.Host(), adapter};
  ServiceLookup lookup{loop.Host(), adapter};
  int updates = 0;
  std::vector<int32_t> channels;
};

TEST(BluetoothInquiry, TheListGrowsWhileTheSearchRunsAndEndsWithMinus5) {
  Rig rig;
  rig.adapter.delay_ms = 300;
  rig.inquiry.StartInquiry(&rig);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.updates > 0; }, 5000));
  EXPECT_TRUE(rig.inquiry.Running()) << "the listener heard of the first device before the end";
  EXPECT_EQ(rig.inquiry.DeviceCount(), 1);
  ASSERT_TRUE(rig.RunUntil([&] { return !rig.inquiry.Running() && rig.inquiry.ResultCode() != 0; }, 5000));
  EXPECT_EQ(rig.inquiry.ResultCode(), kInquiryEnded);
  ASSERT_EQ(rig.inquiry.DeviceCount(), 2);
  EXPECT_EQ(rig.inquiry.Address(0), kGps);
  EXPECT_EQ(rig.inquiry.Name(0), WideString(u"BT-GPS 8A41"));
  EXPECT_EQ(rig.inquiry.Address(1), kObd);
  EXPECT_TRUE(rig.inquiry.Name(1).IsEmpty()) << "a device without a name is listed with an empty name";
  EXPECT_EQ(rig.adapter.ended.load(), 1);
}

TEST(BluetoothInquiry, CancelEndsARunningInquiryAtOnceAndASecondStartIsIgnored) {
  Rig rig;
  rig.adapter.delay_ms = 10000;
  rig.inquiry.StartInquiry(&rig);
  rig.inquiry.StartInquiry(&rig);  // no effect while running
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const uint32_t start = platform::TickCount();
  rig.inquiry.CancelInquiry();
  EXPECT_LT(platform::TickCount() - start, 1000u);
  EXPECT_FALSE(rig.inquiry.Running());
  EXPECT_EQ(rig.adapter.ended.load(), 1) << "one inquiry ran";
}

TEST(ServiceLookup, FindsTheSerialPortChannelOrMinus1WithoutTheService) {
  Rig rig;
  rig.lookup.StartLookup(&rig, kGps);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.channels.size() == 1; }, 2000));
  EXPECT_EQ(rig.lookup.Channel(), 6);
  rig.adapter.lookup_error = EHOSTDOWN;
  rig.lookup.StartLookup(&rig, kObd);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.channels.size() == 2; }, 2000));
  EXPECT_EQ(rig.channels, (std::vector<int32_t>{6, -1}));
}

// The answer to "Bluetooth is currently turned off. Do you want to turn it
// on?" is may_turn_on; the reasons it stays off are told apart.
TEST(RadioHelper, EnsureRadioOnTurnsItOnOnlyWhenAllowedAndSaysWhyNot) {
  struct Case {
    int32_t mode, query_error, set_error;
    bool may_turn_on;
    RadioCheck expected;
  } cases[] = {{1, 0, 0, false, RadioCheck::kOn},          {0, 0, 0, false, RadioCheck::kOff},
               {0, 0, 0, true, RadioCheck::kTurnedOn},     {0, ENODEV, 0, true, RadioCheck::kNoAdapter},
               {0, 0, EPERM, true, RadioCheck::kNoPermission}, {0, 0, EIO, true, RadioCheck::kError}};
  for (const Case& c : cases) {
    FakeAdapter adapter;
    adapter.radio_mode = c.mode;
    adapter.radio_query_error = c.query_error;
    adapter.radio_set_error = c.set_error;
    EXPECT_EQ(EnsureRadioOn(adapter, c.may_turn_on), c.expected) << c.mode << " " << c.query_error << " " << c.set_error;
    EXPECT_EQ(IsRadioOn(adapter), c.expected == RadioCheck::kOn || c.expected == RadioCheck::kTurnedOn);
  }
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
