#include "app/obd_channel_choice.h"

#include <gtest/gtest.h>

namespace kv::app {
namespace {

std::string Parsed(const char* text) {
  const ObdChannelTable table;
  std::vector<int32_t> channels;
  std::string error, shown;
  if (!ParseObdChannels(text, table, &channels, &error)) return error.substr(0, error.find(';'));
  for (int32_t c : channels) shown += std::to_string(c) + " ";
  return shown;
}

TEST(ObdChannelChoice, NamesNumbersAndUniquePrefixesAreTakenTheRestRefusedWithTheReason) {
  const std::pair<const char*, const char*> cases[] = {
      {"rpm,throttle-position", "24 25 "},
      {"RPM,Coolant,24", "24 26 "},  // any case, a unique start, a number, no repeats
      {"calc-engine-load,oxygen-sensor-4-b2,relative", "32 51 65 "},
      {"fuel", "\"fuel\" fits more than one channel"},
      {"3", "\"3\" is no OBD-II channel"},  // a GPS channel
      {"rpm,", "\"\" is no OBD-II channel"},
      {"rpm speed", "\"rpm speed\" is no OBD-II channel"},
  };
  for (const auto& [text, parsed] : cases) EXPECT_EQ(Parsed(text), parsed) << text;
}

// The command line over the settings over the default, which the vehicle's
// support bitmap narrows.
TEST(ObdChannelChoice, ComesFromTheCommandLineTheSettingsOrTheDefaultNarrowedToWhatTheVehicleSupports) {
  Settings settings;
  settings.high_priority_channels = {3, 23, 4294967295u};  // a GPS channel, OBD speed, garbage
  settings.low_priority_channels = {26};
  ObdChannelChoice choice = ChooseObdChannels({}, {31}, settings);
  EXPECT_EQ(ChoiceText(choice), "OBD-II channels polled: Ambient temperature");
  choice = ChooseObdChannels({24}, {31}, settings);
  EXPECT_EQ(ChoiceText(choice), "OBD-II channels polled: RPM; now and then: Ambient temperature");
  choice = ChooseObdChannels({}, {}, settings);
  EXPECT_EQ(choice.high, std::vector<int32_t>{23});
  EXPECT_FALSE(choice.is_default);
  choice = ChooseObdChannels({}, {}, Settings());
  EXPECT_EQ(choice.high, (std::vector<int32_t>{24, 25}));

  ObdChannelTable table;
  EXPECT_FALSE(NarrowToSupported(table, &choice)) << "nothing known yet";
  ObdSample bitmap;  // PIDs 05, 0C and 0D: no throttle
  bitmap.pid = 0x00;
  bitmap.valid = 1;
  bitmap.byte_count = 6;
  bitmap.bytes = {0x41, 0x00, 0x08, 0x18, 0x00, 0x00};
  int32_t raw = 0;
  table.Decode(bitmap, &raw);
  EXPECT_TRUE(NarrowToSupported(table, &choice));
  EXPECT_EQ(choice.high, std::vector<int32_t>{24});
  EXPECT_FALSE(NarrowToSupported(table, &choice)) << "once";
}

}  // namespace
}  // namespace kv::app
