// "perftest.dat": round trip through the application-data folder, the exact
// bytes, and damaged, short and foreign files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "storage/perf_test_file.h"
#include "support/temp_folder.h"
#include "util/errors.h"

namespace kv {
namespace {

using testing::ReadWholeFile;
using testing::TempFolder;
using testing::WriteWholeFile;

auto RaisesCode(int32_t code) { return ::testing::Throws<CodeException>(::testing::Field(&CodeException::code, code)); }

PerfTest Speed(std::u16string_view name, double from, double to) {
  PerfTest t;
  t.name = WideString(name);
  t.start_speed = from;
  t.finish_speed = to;
  return t;
}

PerfTest Distance(std::u16string_view name, double metres) {
  PerfTest t;
  t.name = WideString(name);
  t.type = kPerfDistanceTest;
  t.distance = metres;
  return t;
}

std::string Le32(int32_t v) {
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i)
    out[static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
  return out;
}

std::string Le16(int32_t v) { return Le32(v).substr(0, 2); }

// One entry as the file holds it (an ASCII name below 64 characters).
std::string Entry(const std::string& name, int16_t type, int32_t start, int32_t finish, int32_t distance) {
  return std::string(1, static_cast<char>(name.size() * 4)) + name + Le16(type) + Le32(start) + Le32(finish) +
         Le32(distance);
}

TEST(PerfTestFile, GoldenBytesThroughTheFolderAndBack) {
  TempFolder folder;
  const std::string app_data = folder.Path() + "Korvatinel/";
  SavePerfTests(app_data, {Speed(u"a", -0.0005, 26.8224), Distance(u"bc", 18.288)});  // creates the folder
  EXPECT_EQ(ReadWholeFile(app_data + "perftest.dat"),
            Le32(1) + Le32(2) + Entry("a", 0, -5, 268224, 0) + Entry("bc", 1, 0, 0, 182880));
  const std::vector<PerfTest> loaded = LoadPerfTests(app_data);
  ASSERT_EQ(loaded.size(), 2u);
  EXPECT_EQ(loaded[0].name.AsView(), u"a");
  EXPECT_DOUBLE_EQ(loaded[0].start_speed, -0.0005);
  EXPECT_DOUBLE_EQ(loaded[0].finish_speed, 26.8224);
  EXPECT_EQ(loaded[1].type, kPerfDistanceTest);
  EXPECT_DOUBLE_EQ(loaded[1].distance, 18.288);
  EXPECT_EQ(SerializePerfTests({}).Std(), Le32(1) + Le32(0));
  EXPECT_TRUE(LoadPerfTests(folder.Path() + "none/").empty()) << "no file loads nothing";
}

struct ParseCase {
  const char* legend;
  std::string bytes;
  size_t added;
};

TEST(PerfTestFile, DamagedAndForeignFiles) {
  const std::string one = Entry("one", 0, 0, 100000, 0);
  const std::string two = Entry("two", 1, 0, 0, 2000000);
  const ParseCase cases[] = {
      {"empty file", "", 0},
      {"version only", Le32(1), 0},
      {"version 2", Le32(2) + Le32(1) + one, 0},
      {"version 0", Le32(0) + Le32(1) + one, 0},
      {"count 0 with an entry after it", Le32(1) + Le32(0) + one, 0},
      {"negative count", Le32(1) + Le32(-1) + one, 0},
      {"complete", Le32(1) + Le32(2) + one + two, 2},
      {"count above the entries: keeps what is there", Le32(1) + Le32(5) + one + two, 2},
      {"huge count", Le32(1) + Le32(0x7FFFFFFE) + one, 1},
      {"cut inside the second entry", Le32(1) + Le32(2) + one + two.substr(0, 9), 1},
      {"cut inside the first name", Le32(1) + Le32(2) + one.substr(0, 2), 0},
      {"bad string prefix (low bits 10)", Le32(1) + Le32(2) + one + "\x02" + two.substr(1), 1},
      {"bytes after the count are ignored", Le32(1) + Le32(1) + one + "junk", 1},
  };
  for (const ParseCase& c : cases) EXPECT_EQ(ParsePerfTests(c.bytes).size(), c.added) << c.legend;
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
  EXPECT_THAT([&] { SavePerfTests(folder.Path(), {Speed(std::u16string(8192, u'x'), 0.0, 10.0)}); },
              RaisesCode(kErrStringTooLong));
  WriteWholeFile(folder.Path() + "file", "x");
  EXPECT_THAT([&] { SavePerfTests(folder.Path() + "file/sub/", {}); }, RaisesCode(kErrCannotOpen));
}

}  // namespace
}  // namespace kv
