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
  } cases[] = {
      {"empty file", "", 0},
      {"version only", golden.substr(0, 4), 0},
      {"version 2", with(0, "\x02"), 0},
      {"count 0 with tests after it", with(4, std::string_view("\0", 1)), 0},
      {"negative count", with(4, "\xFF\xFF\xFF\xFF"), 0},
      {"complete", golden, 2},
      {"count above the tests: keeps what is there", with(4, "\x05"), 2},
      {"huge count", with(4, "\xFE\xFF\xFF\x7F"), 2},
      {"cut inside the second test", golden.substr(0, 33), 1},
      {"cut inside the first name", golden.substr(0, 10), 0},
      {"bad string prefix (low bits 10)", with(24, "\x02"), 1},
      {"bytes after the count are ignored", with(4, "\x01"), 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ParsePerfTests(c.bytes).size(), c.added) << c.legend;
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
