#include "acquisition/sdp_record.h"

#include <gtest/gtest.h>

#include <string>

namespace kv {
namespace {

std::string Hex(const char* text) {
  std::string bytes;
  unsigned value = 0;
  int digits = 0;
  for (const char* p = text; *p; ++p) {
    if (*p == ' ') continue;
    value = value * 16 + static_cast<unsigned>(*p <= '9' ? *p - '0' : (*p | 0x20) - 'a' + 10);
    if (++digits == 2) {
      bytes.push_back(static_cast<char>(value));
      value = 0;
      digits = 0;
    }
  }
  return bytes;
}

struct RecordCase {
  const char* legend;
  const char* bytes;
  int32_t channel;
};

// Serial-port service records as receivers and adapters answer a search
// for attribute 0x0004 (recorded byte for byte), and damaged variants.
const RecordCase kRecords[] = {
    {"GPS receiver: handle, class 0x1101, L2CAP + RFCOMM channel 1",
     "35 21 09 00 00 0A 00 01 00 05 09 00 01 35 03 19 11 01 09 00 04 35 0C 35 03 19 01 00 35 05 19 00 03 08 01", 1},
    {"only the protocol descriptor list, channel 5", "35 11 09 00 04 35 0C 35 03 19 01 00 35 05 19 00 03 08 05", 5},
    {"RFCOMM as a 128-bit UUID, channel 3",
     "35 1F 09 00 04 35 1A 35 03 19 01 00 35 13 1C 00 00 00 03 00 00 10 00 80 00 00 80 5F 9B 34 FB 08 03", 3},
    {"RFCOMM as a 32-bit UUID", "35 13 09 00 04 35 0E 35 03 19 01 00 35 07 1A 00 00 00 03 08 0C", 12},
    {"sequence with a 1-byte length field (size index 5)",
     "36 00 11 09 00 04 35 0C 35 03 19 01 00 35 05 19 00 03 08 02", 2},
    {"channel as uint16", "35 12 09 00 04 35 0D 35 03 19 01 00 35 06 19 00 03 09 00 07", 7},
    {"alternative of two lists, the second with RFCOMM",
     "35 15 09 00 04 3D 10 35 05 35 03 19 01 00 35 07 35 05 19 00 03 08 04", 4},
    {"L2CAP only (no RFCOMM)", "35 0A 09 00 04 35 05 35 03 19 01 00", -1},
    {"RFCOMM without a channel", "35 0F 09 00 04 35 0A 35 03 19 01 00 35 03 19 00 03", -1},
    {"channel 0 is not a channel", "35 11 09 00 04 35 0C 35 03 19 01 00 35 05 19 00 03 08 00", -1},
    {"channel 31 is out of range", "35 11 09 00 04 35 0C 35 03 19 01 00 35 05 19 00 03 08 1F", -1},
    {"channel as a signed integer", "35 11 09 00 04 35 0C 35 03 19 01 00 35 05 19 00 03 10 01", -1},
    {"no attribute 0x0004", "35 08 09 00 01 35 03 19 11 01", -1},
    {"truncated in the channel", "35 11 09 00 04 35 0C 35 03 19 01 00 35 05 19 00 03 08", -1},
    {"inner length beyond the record", "35 11 09 00 04 35 7F 35 03 19 01 00 35 05 19 00 03 08 01", -1},
    {"4-byte length field larger than everything", "37 FF FF FF FF 09 00 04", -1},
    {"top level not a sequence", "09 00 04", -1},
    {"empty", "", -1},
};

TEST(SdpRecord, FindsTheRfcommChannelOrReportsNone) {
  for (const RecordCase& c : kRecords) EXPECT_EQ(RfcommChannelOfRecord(Hex(c.bytes)), c.channel) << c.legend;
}

TEST(SdpRecord, EveryTruncationOfAGoodRecordIsRejectedWithoutReadingPastIt) {
  const std::string record = Hex(kRecords[0].bytes);
  for (size_t size = 0; size < record.size(); ++size) {
    // A copy of exactly `size` bytes, so the sanitizers see any overread.
    const std::string cut = record.substr(0, size);
    EXPECT_EQ(RfcommChannelOfRecord(cut), -1) << "cut at " << size;
  }
}

TEST(SdpRecord, DeepNestingIsNotFollowed) {
  std::string record;
  std::string list = Hex("35 05 19 00 03 08 01");
  for (int i = 0; i < 20; ++i) list = std::string(1, '\x35') + static_cast<char>(list.size()) + list;
  record = Hex("09 00 04") + list;
  record = std::string(1, '\x35') + static_cast<char>(record.size()) + record;
  EXPECT_EQ(RfcommChannelOfRecord(record), -1);
}

}  // namespace
}  // namespace kv
