#include "acquisition/obd_channels.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace kv {
namespace {

ObdSample Reply(uint32_t pid, std::initializer_list<uint8_t> bytes) {
  ObdSample sample;
  sample.pid = pid;
  sample.valid = 1;
  for (uint8_t b : bytes) sample.bytes[static_cast<size_t>(sample.byte_count++)] = b;
  return sample;
}

// Tolerance of the values in the channels' units: 1e-9.
TEST(ObdChannelTable, DecodesRepliesToRawValuesAndUnits) {
  const ObdChannelTable table;
  const struct {
    const char* legend;
    ObdSample sample;
    bool ok;
    int32_t raw;
    double value;
  } cases[] = {
      {"rpm 41 0C 1A F8", Reply(0x0C, {0x41, 0x0C, 0x1A, 0xF8}), true, 6904, 1726.0},
      {"speed 100 km/h in m/s", Reply(0x0D, {0x41, 0x0D, 100}), true, 100, 100 / 3.6},
      {"evap pressure two bytes signed by offset", Reply(0x32, {0x41, 0x32, 0x80, 0x00}), true, 0x8000, 0.0},
      {"oxygen sensor: A/200 V, trim byte dropped", Reply(0x14, {0x41, 0x14, 0x5A, 0xFF}), true, 0x5A, 0.45},
      {"oxygen sensor without its trim byte", Reply(0x14, {0x41, 0x14, 0x5A}), false, 0, 0},
      {"rpm one byte short", Reply(0x0C, {0x41, 0x0C, 0x1A}), false, 0, 0},
      {"not a mode-01 reply", Reply(0x0C, {0x7F, 0x01, 0x12}), false, 0, 0},
      {"reply for another PID", Reply(0x0C, {0x41, 0x0D, 0x1A, 0xF8}), false, 0, 0},
      {"PID without a channel", Reply(0x01, {0x41, 0x01, 0, 0, 0, 0}), false, 0, 0},
      {"PID beyond 8 bits", Reply(0x10C, {0x41, 0x0C, 0x1A, 0xF8}), false, 0, 0},
  };
  for (const auto& c : cases) {
    int32_t raw = -1;
    ASSERT_EQ(table.Decode(c.sample, &raw), c.ok) << c.legend;
    if (!c.ok) continue;
    EXPECT_EQ(raw, c.raw) << c.legend;
    EXPECT_NEAR(ObdChannelTable::Value(*table.ForPid(static_cast<int32_t>(c.sample.pid)), raw), c.value, 1e-9)
        << c.legend;
  }
}

// Session files name channels by number, replies name them by PID: each
// must lead to exactly one channel.
TEST(ObdChannelTable, EveryChannelIsFoundByItsNumberAndItsPid) {
  const ObdChannelTable table;
  for (int32_t i = 0; i < table.Count(); ++i) {
    EXPECT_EQ(table.Lookup(table.At(i).channel), &table.At(i)) << "channel " << table.At(i).channel;
    EXPECT_EQ(table.ForPid(table.At(i).pid), &table.At(i)) << "PID " << table.At(i).pid;
  }
  EXPECT_EQ(table.Lookup(22), nullptr);
  EXPECT_EQ(table.ForPid(0x20), nullptr);
}

TEST(ObdChannelTable, SupportBitmapsMarkChannelsSupportedAndWithdrawOnlyKnownSupport) {
  ObdChannelTable table;
  int32_t raw = 0;
  // Bits for PIDs 0x05 (bit 27), 0x0C (bit 20) and 0x0D (bit 19).
  const uint32_t mask = (1u << 27) | (1u << 20) | (1u << 19);
  const ObdSample bitmap = Reply(0x00, {0x41, 0x00, static_cast<uint8_t>(mask >> 24), static_cast<uint8_t>(mask >> 16),
                                        static_cast<uint8_t>(mask >> 8), static_cast<uint8_t>(mask)});
  EXPECT_FALSE(table.Decode(bitmap, &raw)) << "a bitmap is not a value";
  EXPECT_EQ(table.ForPid(0x05)->support, ObdSupport::kYes);
  EXPECT_EQ(table.ForPid(0x0C)->support, ObdSupport::kYes);
  EXPECT_EQ(table.ForPid(0x0D)->support, ObdSupport::kYes);
  EXPECT_EQ(table.ForPid(0x04)->support, ObdSupport::kUnknown) << "clear bit, never supported: stays unknown";
  EXPECT_FALSE(table.Decode(Reply(0x00, {0x41, 0x00, 0x08, 0, 0, 0}), &raw));
  EXPECT_EQ(table.ForPid(0x05)->support, ObdSupport::kYes);
  EXPECT_EQ(table.ForPid(0x0C)->support, ObdSupport::kNo);
  EXPECT_FALSE(table.Decode(Reply(0x40, {0x41, 0x40, 0x40, 0, 0, 0}), &raw));
  EXPECT_EQ(table.ForPid(0x42)->support, ObdSupport::kYes) << "0x40 + 2 is bit 30";
  EXPECT_FALSE(table.Decode(Reply(0x20, {0x41, 0x20, 0xFF, 0xFF}), &raw)) << "a short bitmap is ignored";
  table.Reset();
  EXPECT_EQ(table.ForPid(0x05)->support, ObdSupport::kUnknown);
}

}  // namespace
}  // namespace kv
