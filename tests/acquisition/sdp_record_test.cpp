// Finding the RFCOMM channel in service records: the recorded and damaged
// records of the golden file tests/data/acquisition/sdp_records.txt(.chk),
// every truncation of a good record, and deep nesting.
#include "acquisition/sdp_record.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_folder.h"
#include "util/golden_file.h"

namespace kv {
namespace {

using testing::FromHex;

TEST(SdpRecord, ChannelsMatchTheGoldenFile) {
  test::ExpectGolden("tests/data/acquisition/sdp_records.txt", [](const std::string& line, bool) {
    return std::to_string(RfcommChannelOfRecord(FromHex(line)));
  });
}

TEST(SdpRecord, EveryTruncationOfAGoodRecordIsRejectedWithoutReadingPastIt) {
  const std::string record = FromHex(  // the GPS receiver's record of the golden file
      "35 21 09 00 00 0A 00 01 00 05 09 00 01 35 03 19 11 01 09 00 04 35 0C 35 03 19 01 00 35 05 "
      "19 00 03 08 01");
  for (size_t size = 0; size < record.size(); ++size) {
    // A copy of exactly `size` bytes, so the sanitizers see any overread.
    const std::string cut = record.substr(0, size);
    EXPECT_EQ(RfcommChannelOfRecord(cut), -1) << "cut at " << size;
  }
}

TEST(SdpRecord, DeepNestingIsNotFollowed) {
  std::string list = FromHex("35 05 19 00 03 08 01");
  for (int i = 0; i < 20; ++i)
    list = std::string(1, '\x35') + static_cast<char>(list.size()) + list;
  const std::string record = FromHex("09 00 04") + list;
  EXPECT_EQ(
      RfcommChannelOfRecord(std::string(1, '\x35') + static_cast<char>(record.size()) + record),
      -1);
}

}  // namespace
}  // namespace kv
