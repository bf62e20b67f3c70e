// "perftest.dat": round trip through the application-data folder, the exact
// bytes, and damaged, short and foreign files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "storage/data_file.h"
#include "storage/perf_test_file.h"
#include "support/temp_folder.h"

namespace kv {
namespace {

using testing::TempFolder;

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
std::string Entry(const std::string& name, int16_t type, int32_t start, int32_t finish,
                  int32_t distance) {
  return std::string(1, static_cast<char>(name.size() * 4)) + name + Le16(type) + Le32(start) +
         Le32(finish) + Le32(distance);
}

TEST(PerfTestFile, RoundTripThroughTheFolder) {
  TempFolder folder;
  const std::string app_data = folder.Path() + "Korvatinel/";
  const std::vector<PerfTest> saved = {Speed(u"50-90 kph", 50 / 3.6, 90 / 3.6), Distance(u"Pit lane \u00e9", 123.4567),
                                       Speed(u"0-30 mph", 0.0, 13.4112)};
  SavePerfTests(app_data, saved);  // creates the folder
  const std::vector<PerfTest> loaded = LoadPerfTests(app_data);
  ASSERT_EQ(loaded.size(), saved.size());
  for (size_t i = 0; i < saved.size(); ++i) {
    EXPECT_EQ(saved[i].name.AsView(), loaded[i].name.AsView());
    EXPECT_EQ(saved[i].type, loaded[i].type);
    // Stored in 1/10000 units: within half of one.
    EXPECT_NEAR(saved[i].start_speed, loaded[i].start_speed, 0.5e-4);
    EXPECT_NEAR(saved[i].finish_speed, loaded[i].finish_speed, 0.5e-4);
    EXPECT_NEAR(saved[i].distance, loaded[i].distance, 0.5e-4);
  }
  EXPECT_TRUE(LoadPerfTests(folder.Path() + "none/").empty()) << "no file loads nothing";
}

TEST(PerfTestFile, GoldenBytes) {
  EXPECT_EQ(SerializePerfTests({Speed(u"a", 1.23456, 26.8224), Distance(u"bc", 18.288)}).Std(),
            Le32(1) + Le32(2) + Entry("a", 0, 12346, 268224, 0) + Entry("bc", 1, 0, 0, 182880));
  EXPECT_EQ(SerializePerfTests({}).Std(), Le32(1) + Le32(0));
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

TEST(PerfTestFile, ValuesAreDividedBy10000) {
  const std::vector<PerfTest> tests = ParsePerfTests(Le32(1) + Le32(1) + Entry("x", 1, -5, 277778, 4023360));
  ASSERT_EQ(tests.size(), 1u);
  const PerfTest& t = tests[0];
  EXPECT_EQ(t.type, kPerfDistanceTest);
  EXPECT_DOUBLE_EQ(t.start_speed, -0.0005);
  EXPECT_DOUBLE_EQ(t.finish_speed, 27.7778);
  EXPECT_DOUBLE_EQ(t.distance, 402.336);
}

TEST(PerfTestFile, StoredValuesRoundHalfUpAndSaturate) {
  EXPECT_EQ(ToPerfTestValue(27.77777777777778), 277778);
  EXPECT_EQ(ToPerfTestValue(0.00004), 0);
  EXPECT_EQ(ToPerfTestValue(0.00005), 1);
  EXPECT_EQ(ToPerfTestValue(1e12), 0x7FFFFFFF);
  EXPECT_EQ(ToPerfTestValue(-1e12), static_cast<int32_t>(0x80000000));
  EXPECT_EQ(ToPerfTestValue(std::nan("")), 0);
}

TEST(PerfTestFile, ANameTooLongForTheFileIsRefused) {
  TempFolder folder;
  try {
    SavePerfTests(folder.Path(), {Speed(std::u16string(8192, u'x'), 0.0, 10.0)});
    FAIL() << "no error";
  } catch (const CodeException& e) {
    EXPECT_EQ(e.code, kErrStringTooLong);
  }
}

TEST(PerfTestFile, AFolderThatCannotBeMadeRaisesCannotOpen) {
  TempFolder folder;
  std::ofstream(folder.Path() + "file") << "x";
  try {
    SavePerfTests(folder.Path() + "file/sub/", {});
    FAIL() << "no error";
  } catch (const CodeException& e) {
    EXPECT_EQ(e.code, kErrCannotOpen);
  }
}

}  // namespace
}  // namespace kv
