// Discovery's threads against a fake adapter, serviced by the real main
// loop; run under ThreadSanitizer by tools/check.sh.
#include "acquisition/bluetooth_discovery.h"

#include <gtest/gtest.h>

#include <errno.h>

#include <chrono>
#include <thread>

#include "fake_bluetooth_adapter.h"
#include "platform/ticks.h"
#include "source_loop.h"

namespace kv {
namespace {

using test::FakeAdapter;
using test::kGps;
using test::kObd;

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
