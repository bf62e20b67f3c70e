// "perftest.dat": round trip through the application-data folder, the exact
// bytes, and damaged, short and foreign files.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "storage/perf_test_file.h"
#include "storage/storage_test_data.h"
#include "util/errors.h"

namespace kv {
namespace {

using testing::ReadWholeFile;
using testing::TempFolder;

TEST(PerfTestFile, GoldenBytesThroughTheFolderAndBack) {
  TempFolder folder;
  const std::string app_data = folder.Path() + "Korvatinel/";
  // Name, start and finish speed (m/s), distance (m), type, flag.
  SavePerfTests(app_data, {{WideString(u"a"), -0.0005, 26.8224, 0.0, kPerfSpeedTest, 0},
                           {WideString(u"bc"), 0.0, 0.0, 18.288, kPerfDistanceTest, 0}});  // creates the folder
  const std::string saved = ReadWholeFile(app_data + "perftest.dat");
  EXPECT_EQ(saved, testing::StorageGolden("perftest.dat", saved));
  EXPECT_EQ(SerializePerfTests(LoadPerfTests(app_data)).Std(), saved) << "every field read back";
  EXPECT_EQ(SerializePerfTests({}).Std(), saved.substr(0, 4) + std::string(4, '\0')) << "version 1, no test";
  EXPECT_TRUE(LoadPerfTests(folder.Path() + "none/").empty()) << "no file loads nothing";
}

// Edits of the golden file: version, count, first test at byte 8 (16
// bytes), second test at byte 24 (17 bytes).
TEST(PerfTestFile, DamagedAndForeignFiles) {
  const std::string golden = ReadWholeFile(testing::GoldenPath("perftest.dat"));
  ASSERT_EQ(golden.size(), 41u);
  const auto with = [&](size_t at, std::string_view bytes) {
    return std::string(golden).replace(at, bytes.size(), bytes);
  };
  const struct {
    const char* legend;
    std::string bytes;
    size_t added;
    bool whole;  // false: a save must set the file aside
  } cases[] = {
      {"empty file", "", 0, false},
      {"version only", golden.substr(0, 4), 0, false},
      {"version 2", with(0, "\x02"), 0, false},
      {"count 0 with tests after it", with(4, std::string_view("\0", 1)), 0, true},
      {"negative count", with(4, "\xFF\xFF\xFF\xFF"), 0, false},
      {"complete", golden, 2, true},
      {"count above the tests: keeps what is there", with(4, "\x05"), 2, false},
      {"huge count", with(4, "\xFE\xFF\xFF\x7F"), 2, false},
      {"cut inside the second test", golden.substr(0, 33), 1, false},
      {"cut inside the first name", golden.substr(0, 10), 0, false},
      {"bad string prefix (low bits 10)", with(24, "\x02"), 1, false},
      {"bytes after the count are ignored", with(4, "\x01"), 1, true},
  };
  for (const auto& c : cases) {
    bool whole = !c.whole;
    EXPECT_EQ(ParsePerfTests(c.bytes, &whole).size(), c.added) << c.legend;
    EXPECT_EQ(whole, c.whole) << c.legend;
  }
}

// Regression: a file of another version was read as empty and then
// replaced, losing the user's tests.
TEST(PerfTestFile, AFileThatDoesNotReadWholeIsSetAsideNotOverwritten) {
  TempFolder folder;
  const std::string foreign = std::string("\x02\x00\x00\x00\x01\x00\x00\x00", 8) + "future test";
  testing::WriteWholeFile(folder.Path() + "perftest.dat", foreign);
  testing::WriteWholeFile(folder.Path() + "perftest.dat.unreadable", "an earlier one");
  const std::vector<PerfTest> mine = {{WideString(u"mine"), 0.0, 10.0, 0.0, kPerfSpeedTest, 0}};
  EXPECT_EQ(SavePerfTests(folder.Path(), mine), folder.Path() + "perftest.dat.unreadable.2");
  EXPECT_EQ(ReadWholeFile(folder.Path() + "perftest.dat.unreadable.2"), foreign);
  EXPECT_EQ(ReadWholeFile(folder.Path() + "perftest.dat.unreadable"), "an earlier one");
  bool whole = false;
  EXPECT_EQ(LoadPerfTests(folder.Path(), &whole).size(), 1u);
  EXPECT_TRUE(whole);
  EXPECT_EQ(SavePerfTests(folder.Path(), mine), "") << "a file read whole is simply replaced";
}

TEST(PerfTestFile, StoredValuesRoundHalfUpAndSaturate) {
  EXPECT_EQ(ToPerfTestValue(27.77777777777778), 277778);
  EXPECT_EQ(ToPerfTestValue(0.00004), 0);
  EXPECT_EQ(ToPerfTestValue(0.00005), 1);
  EXPECT_EQ(ToPerfTestValue(1e12), 0x7FFFFFFF);
  EXPECT_EQ(ToPerfTestValue(-1e12), static_cast<int32_t>(0x80000000));
  EXPECT_EQ(ToPerfTestValue(std::nan("")), 0);
}

TEST(PerfTestFile, ANameTooLongOrAFolderThatCannotBeMadeRaises) {
  TempFolder folder;
  EXPECT_THAT(
      [&] {
        SavePerfTests(folder.Path(), {{WideString(std::u16string(8192, u'x')), 0.0, 10.0, 0.0, kPerfSpeedTest, 0}});
      },
      testing::RaisesCode(kErrStringTooLong));
  testing::WriteWholeFile(folder.Path() + "file", "x");
  EXPECT_THAT([&] { SavePerfTests(folder.Path() + "file/sub/", {}); }, testing::RaisesCode(kErrCannotOpen));
}

}  // namespace
}  // namespace kv
