// The string table: ids, fixed texts, and that every message formats.
#include <gtest/gtest.h>

#include <string>

#include "util/string_table.h"
#include "util/string_table_texts.h"
#include "util/text_search.h"

namespace kv {
namespace {

bool Has(std::u16string_view text, std::u16string_view placeholder) {
  return Find(text, placeholder) >= 0;
}

TEST(StringTable, IdsAreUniqueSortedAndInRange) {
  int32_t previous = 0;
  for (const StringEntry& entry : StringTableEntries()) {
    EXPECT_GT(entry.id, previous);
    EXPECT_GE(entry.id, kStringIdMin);
    EXPECT_LE(entry.id, kStringIdMax);
    EXPECT_FALSE(entry.text.empty()) << entry.id;
    EXPECT_LE(static_cast<int32_t>(entry.text.size()), kMaxLoadedText) << entry.id;
    previous = entry.id;
  }
}

TEST(StringTable, FixedIds) {
  EXPECT_EQ(Load(1), u"Korvatinel");
  EXPECT_EQ(Load(2), u"KORVATINEL");
  EXPECT_EQ(Load(321), u"Memory full.");
  EXPECT_EQ(Load(kStrMemoryFull), u"Memory full.");
}

TEST(StringTable, LiveTimerStatusTextsFollowTheStatusCode) {
  const char16_t* by_code[] = {
      u"No connection to GPS",
      u"No connection to OBD",
      u"No data from GPS",
      u"No data from OBD",
      u"No fix to satellites",
      u"Start line not defined",
      u"Finish line not defined",
      u"Low storage space",
      u"Paused",
      u"Memory full",
  };
  for (int32_t code = 1; code <= 10; ++code) {
    EXPECT_EQ(Load(649 + code), by_code[code - 1]) << "status " << code;
    EXPECT_EQ(Load(kStrStatusFirst - 1 + code), by_code[code - 1]) << "status " << code;
  }
}

TEST(StringTable, ChannelNamesByChannelNumber) {
  EXPECT_EQ(Load(kStrChannelFirst + 0), u"Time");
  EXPECT_EQ(Load(kStrChannelFirst + 11), u"GPS longidutinal G");
  EXPECT_EQ(Load(kStrChannelFirst + 24), u"RPM");
  EXPECT_EQ(Load(kStrChannelFirst + 47), u"Oxygen sensor 4 B1");
  EXPECT_EQ(Load(kStrChannelFirst + 48), u"Oxygen sensor 1 B2");
  EXPECT_EQ(Load(kStrChannelFirst + 65), u"Relative throttle pos.");
}

TEST(StringTable, UnknownIdsLoadEmpty) {
  EXPECT_TRUE(Load(0).IsEmpty());
  EXPECT_TRUE(Load(5).IsEmpty());
  EXPECT_TRUE(Load(897).IsEmpty());
  EXPECT_TRUE(Load(-1).IsEmpty());
}

TEST(StringTable, FormattingById) {
  EXPECT_EQ(FormatUN(kStrBestRunSummary, u"4.52", 3), u"Best: 4.52 (3 runs)");
  EXPECT_EQ(FormatN(kStrCouldNotExport, 8), u"Could not export. Error #8.");
  EXPECT_EQ(FormatNN(kStrTrackSubtitle, 2, 5), u"2 sessions, 5 traps");
  EXPECT_EQ(FormatU(kStrConnectingGpsNamed, u"BT-GPS"), u"Connecting to GPS receiver BT-GPS...");
  EXPECT_EQ(FormatN(kStrSerialPortName, 4), u"COM4:");
}

// Every placeholder in the table is one the formatter knows, and every
// message formats with the function its placeholders call for, leaving no
// "%" behind.
TEST(StringTable, EveryMessageFormats) {
  int32_t formatted = 0;
  for (const StringEntry& entry : StringTableEntries()) {
    const std::u16string_view text = entry.text;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] != u'%') continue;
      const std::u16string_view rest = text.substr(i);
      const bool known = rest.starts_with(u"%N") || rest.starts_with(u"%U") ||
                         rest.starts_with(u"%0N") || rest.starts_with(u"%1N") ||
                         rest.starts_with(u"%0U") || rest.starts_with(u"%1U") ||
                         rest.starts_with(u"%2U");
      EXPECT_TRUE(known) << "unknown placeholder in string " << entry.id;
    }
    if (!Has(text, u"%")) continue;
    WideString result;
    if (Has(text, u"%2U")) {
      result = FormatUUU(entry.id, u"a", u"b", u"c");
    } else if (Has(text, u"%0U")) {
      result = FormatUU(entry.id, u"a", u"b");
    } else if (Has(text, u"%0N")) {
      result = FormatNN(entry.id, 1, 2);
    } else if (Has(text, u"%U") && Has(text, u"%N")) {
      result = FormatUN(entry.id, u"a", 1);
    } else if (Has(text, u"%N")) {
      result = FormatN(entry.id, 1);
    } else {
      result = FormatU(entry.id, u"a");
    }
    EXPECT_FALSE(Has(result, u"%")) << "string " << entry.id << " keeps a placeholder";
    ++formatted;
  }
  EXPECT_GT(formatted, 30);
}

}  // namespace
}  // namespace kv
