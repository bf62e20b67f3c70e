// "perftest.dat": round trip through the application-data folder, the exact
// bytes, and damaged, short and foreign files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>

#include "storage/data_file.h"
#include "storage/perf_test_file.h"
#include "temp_folder.h"

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

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
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

TEST(PerfTestFile, RoundTripKeepsUserTestsAfterThePredefinedOnes) {
  TempFolder folder;
  const std::string app_data = folder.Path() + "Korvatinel/";
  PerfTestList saved;
  saved.Add(Speed(u"50-90 kph", 50 / 3.6, 90 / 3.6));
  saved.Add(Distance(u"Pit lane \u00e9", 123.4567));
  saved.Add(Speed(u"0-30 mph", 0.0, 13.4112));
  SavePerfTests(app_data, saved);  // creates the folder

  PerfTestList loaded;
  ASSERT_EQ(LoadPerfTests(app_data, loaded), 3);
  ASSERT_EQ(loaded.Count(), 15);
  EXPECT_EQ(loaded.Selected(), PerfTestList::kDefaultSelection);
  for (int32_t i = 12; i < 15; ++i) {
    const PerfTest& a = saved.At(i);
    const PerfTest& b = loaded.At(i);
    EXPECT_EQ(a.name.AsView(), b.name.AsView());
    EXPECT_EQ(a.type, b.type);
    EXPECT_EQ(b.flag, 0);
    // Stored in 1/10000 units: within half of one.
    EXPECT_NEAR(a.start_speed, b.start_speed, 0.5e-4);
    EXPECT_NEAR(a.finish_speed, b.finish_speed, 0.5e-4);
    EXPECT_NEAR(a.distance, b.distance, 0.5e-4);
  }
}

TEST(PerfTestFile, BytesAreVersionCountAndEntriesWithoutThePredefinedTests) {
  TempFolder folder;
  PerfTestList list;
  list.Add(Speed(u"a", 1.23456, 26.8224));
  list.Add(Distance(u"bc", 18.288));
  SavePerfTests(folder.Path(), list);
  const std::string expected =
      Le32(1) + Le32(2) + Entry("a", 0, 12346, 268224, 0) + Entry("bc", 1, 0, 0, 182880);
  EXPECT_EQ(ReadAll(folder.Path() + "perftest.dat"), expected);
}

TEST(PerfTestFile, NoUserTestsWritesAnEmptyListThatLoadsNothing) {
  TempFolder folder;
  SavePerfTests(folder.Path(), PerfTestList());
  EXPECT_EQ(ReadAll(folder.Path() + "perftest.dat"), Le32(1) + Le32(0));
  PerfTestList list;
  EXPECT_EQ(LoadPerfTests(folder.Path(), list), 0);
  EXPECT_EQ(list.Count(), 12);
}

TEST(PerfTestFile, NoFileLoadsNothing) {
  TempFolder folder;
  PerfTestList list;
  EXPECT_EQ(LoadPerfTests(folder.Path(), list), 0);
  EXPECT_EQ(list.Count(), 12);
}

struct ParseCase {
  const char* legend;
  std::string bytes;
  int32_t added;
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
  for (const ParseCase& c : cases) {
    PerfTestList list;
    EXPECT_EQ(ParsePerfTests(c.bytes, list), c.added) << c.legend;
    EXPECT_EQ(list.Count(), 12 + c.added) << c.legend;
  }
}

TEST(PerfTestFile, ValuesAreDividedBy10000) {
  PerfTestList list;
  ASSERT_EQ(ParsePerfTests(Le32(1) + Le32(1) + Entry("x", 1, -5, 277778, 4023360), list), 1);
  const PerfTest& t = list.At(12);
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
  PerfTestList list;
  list.Add(Speed(std::u16string(8192, u'x'), 0.0, 10.0));
  try {
    SavePerfTests(folder.Path(), list);
    FAIL() << "no error";
  } catch (const CodeException& e) {
    EXPECT_EQ(e.code, kErrStringTooLong);
  }
}

TEST(PerfTestFile, AFolderThatCannotBeMadeRaisesCannotOpen) {
  TempFolder folder;
  std::ofstream(folder.Path() + "file") << "x";
  try {
    SavePerfTests(folder.Path() + "file/sub/", PerfTestList());
    FAIL() << "no error";
  } catch (const CodeException& e) {
    EXPECT_EQ(e.code, kErrCannotOpen);
  }
}

}  // namespace
}  // namespace kv
