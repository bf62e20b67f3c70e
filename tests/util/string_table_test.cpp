// The string table: lookup by id, and that every message formats.
#include <gtest/gtest.h>

#include <string>

#include "util/string_table.h"
#include "util/string_table_texts.h"
#include "util/text_search.h"

namespace kv {
namespace {

bool Has(std::u16string_view text, std::u16string_view placeholder) { return Find(text, placeholder) >= 0; }

// Sorted, unique ids in range are checked when the table compiles.
TEST(StringTable, LoadFindsTextsByIdAndNothingForOtherIds) {
  EXPECT_EQ(Load(kStrMemoryFull), u"Memory full.");
  for (int32_t unknown : {0, 5, 897, -1}) EXPECT_TRUE(Load(unknown).IsEmpty()) << unknown;
}

// Formats every message with the function its placeholders call for: an
// unknown placeholder would be left in the text, and a missing one would end
// the program (KvCore 11) when the message shows.
TEST(StringTable, EveryMessageFormats) {
  int32_t formatted = 0;
  for (const StringEntry& entry : StringTableEntries()) {
    const std::u16string_view text = entry.text;
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
