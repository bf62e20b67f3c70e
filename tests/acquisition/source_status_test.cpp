#include "acquisition/source_status.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

class FixedStatus final : public DataSourceControl {
 public:
  explicit FixedStatus(int32_t status) : status_(status) {}
  void StartBluetooth(DataSourceListener*, const platform::BluetoothAddress&, int32_t, int32_t) override {}
  void StartSerial(DataSourceListener*, int32_t, int32_t, int32_t) override {}
  void StartFile(DataSourceListener*, const std::string&) override {}
  void StartNone(DataSourceListener*, int32_t) override {}
  void Stop() override {}
  void ResetGpsClock() override {}
  int32_t GetStatus() const override { return status_; }
  void ClearChannels() override {}
  void AddChannel(int32_t, int32_t) override {}

 private:
  int32_t status_;
};

TEST(SourceStatus, CodesFollowTheSourcesInUse) {
  const FixedStatus connected(1), failed(2), connecting(0);
  SourceUse none;
  EXPECT_EQ(GpsStatusCode(&connected, none), 0);
  EXPECT_EQ(GpsStatusCode(nullptr, SourceUse{true, false, false}), 0);
  EXPECT_EQ(GpsStatusCode(&connected, SourceUse{true, false, false}), 3);
  EXPECT_EQ(GpsStatusCode(&failed, SourceUse{true, false, false}), 4);
  EXPECT_EQ(GpsStatusCode(&connecting, SourceUse{false, false, true}), 1) << "carried OBD-II data needs the GPS";
  EXPECT_EQ(ObdStatusCode(&connected, &connecting, SourceUse{true, true, false}), 1);
  EXPECT_EQ(ObdStatusCode(&connected, &connecting, SourceUse{true, false, true}), 3) << "carried by the GPS source";
  EXPECT_EQ(ObdStatusCode(&connected, nullptr, SourceUse{true, true, false}), 0);
}

TEST(SourceStatus, LiveCodeAddsTheFixQuality) {
  struct Case {
    int32_t status, quality, live;
  } cases[] = {{1, 1, 1}, {2, 1, 2}, {4, 1, 6}, {3, 0, 3}, {3, 1, 4}, {3, 2, 5}, {3, 3, 4}, {3, 6, 4}, {0, 1, 0}};
  for (const Case& c : cases) EXPECT_EQ(LiveGpsCode(c.status, c.quality), c.live) << c.status << "/" << c.quality;
}

TEST(SourceStatus, StatusLineTakesTheFirstMatchInOrderOfPrecedence) {
  EXPECT_EQ(SourceStatusText(6, 1, 7), WideString(u"Memory full"));
  EXPECT_EQ(SourceStatusText(1, 1, 7), WideString(u"No connection to GPS"));
  EXPECT_EQ(SourceStatusText(4, 1, 7), WideString(u"No connection to OBD"));
  EXPECT_EQ(SourceStatusText(2, 2, 7), WideString(u"No data from GPS"));
  EXPECT_EQ(SourceStatusText(4, 2, 7), WideString(u"No data from OBD"));
  EXPECT_EQ(SourceStatusText(3, 0, 2), WideString(u"No fix to satellites (2)"));
  EXPECT_EQ(SourceStatusText(4, 3, 9), WideString(u"Fixed to 9 satellites"));
  EXPECT_EQ(SourceStatusText(5, 0, 11), WideString(u"Fixed (DGPS) to 11 satellites"));
  EXPECT_TRUE(SourceStatusText(0, 0, 0).IsEmpty());
}

}  // namespace
}  // namespace kv
