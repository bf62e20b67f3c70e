#include "storage/session_header.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "storage/storage_list.h"
#include "storage/storage_paths.h"
#include "storage/storage_test_data.h"
#include "util/errors.h"

namespace kv {
namespace {

using testing::ReadWholeFile;

// Every test here runs in a fixed zone two hours east of UTC without
// daylight saving, so local conversions are the same on every machine.
class FixedZone : public ::testing::Environment {
  void SetUp() override {
    setenv("TZ", "XST-2", 1);
    tzset();
  }
};
const ::testing::Environment* const kZone = ::testing::AddGlobalTestEnvironment(new FixedZone);

SessionHeader Sample() {
  SessionHeader h;
  h.base_name = u"20090521-1852";
  h.save_nmea = 1;
  h.track = u"Spa";
  h.title = u"Morning";
  h.driver = u"Jo";
  h.type = kSessionLapTiming;
  h.resumable = 1;
  h.use_obd_speed = 1;
  h.created = {DateTimeValue::MakeDay(2009, 5, 21), DateTimeValue::MakeTime(16, 52, 3, 250)};
  h.notes = u"Wet";
  h.SetLapNote(123456, 1, u"Caf\u00e9 \u20ac");
  return h;
}

const std::string kGolden = testing::GoldenPath("session_header_v7.bin");

int32_t Parse(std::string_view bytes) {
  SessionHeader h;
  return ParseSessionHeader(bytes, true, h);
}

TEST(SessionHeader, SavedGoldenBytesReloadAndAreListed) {
  testing::TempFolder temp;
  ASSERT_TRUE(EnsureFolders(temp.Path()));
  SessionHeader h = Sample();
  h.root = temp.Path();
  h.changed = true;
  ASSERT_TRUE(SaveSessionHeader(h));
  EXPECT_FALSE(h.AnyChanged());
  EXPECT_FALSE(SaveSessionHeader(h)) << "nothing changed, nothing written";
  const std::string path = BuildPath(h.base_name, h.root, FileKind::kSessionHeader);
  const std::string saved = ReadWholeFile(path);
  EXPECT_EQ(saved, testing::StorageGolden("session_header_v7.bin", saved));

  SessionHeader back;
  back.base_name = h.base_name;
  back.root = h.root;
  int32_t error = 1;
  ASSERT_TRUE(LoadSessionHeader(back, true, &error));
  ASSERT_EQ(error, 0);
  EXPECT_EQ(SerializeSessionHeader(back).Std(), saved) << "every field read back";

  // A list-only load skips the lap notes: saving it would lose them.
  SessionHeader listed;
  listed.base_name = h.base_name;
  listed.root = h.root;
  ASSERT_TRUE(LoadSessionHeader(listed, false, &error));
  EXPECT_TRUE(listed.lap_notes.empty());
  listed.title = u"edited";
  listed.changed = true;
  EXPECT_FALSE(SaveSessionHeader(listed));
  EXPECT_EQ(ReadWholeFile(path), saved);

  testing::WriteWholeFile(BuildPath(u"broken", temp.Path(), FileKind::kSessionHeader), "\x07");
  StorageList storage(temp.Path());
  storage.Refresh();
  EXPECT_EQ(ListSessions(storage).size(), 1u) << "an unreadable header is skipped";
}

// An empty note with flag 0 is no note: a new one is not kept, an old one
// is removed.
TEST(SessionHeader, LapNotesReplaceRemoveAndMatchLaps) {
  SessionHeader h;
  h.SetLapNote(1500, 1, u"");
  h.SetLapNote(2500, 0, u"oil");
  h.SetLapNote(9000, 0, u"");
  h.SetLapNote(2500, 1, u"oil!");
  h.changed = false;
  h.SetLapNote(1500, 0, u"");
  ASSERT_EQ(h.lap_notes.size(), 1u);
  EXPECT_EQ(h.lap_notes[0].text.AsView(), u"oil!");
  EXPECT_TRUE(h.changed);
  // Lap [2000, 3000] holds 2500 strictly inside; [2499, 2500] is too
  // short to need the margin; [2500, 3000] has it on its edge.
  EXPECT_NE(h.FindLapNote(2000, 3000), nullptr);
  EXPECT_NE(h.FindLapNote(2500, 2501), nullptr);
  EXPECT_EQ(h.FindLapNote(2500, 3000), nullptr);
  EXPECT_EQ(h.FindLapNote(2501, 2600), nullptr);
}

// Versions 1 to 5 hold no time stamp: the creation time is the local
// time in the base name. Version 6 stamps are local time.
TEST(SessionHeader, OlderVersionsReadWithLocalTimesConvertedToUtc) {
  const int32_t from_name = DateTimeValue::MakeTime(16, 52, 0, 0);  // 18:52 local
  const struct {
    const char* file;
    const char16_t* track;
    const char16_t* driver;
    uint32_t type;
    int32_t resumable, obd, created, second;  // times of day, UTC
  } cases[] = {
      {"tests/data/storage/session_header_v1.bin", u"Spa \u00e9", u"", 0, 1, 0, from_name, from_name},
      {"tests/data/storage/session_header_v2.bin", u"Spa \u00e9", u"Driver", 0, 1, 0, from_name, from_name},
      {"tests/data/storage/session_header_v3.bin", u"Spa \u00e9", u"Driver", 1, 1, 0, from_name, from_name},
      {"tests/data/storage/session_header_v4.bin", u"Spa \u00e9", u"Driver", 1, 0, 0, from_name, from_name},
      {"tests/data/storage/session_header_v5.bin", u"Spa \u00e9", u"Driver", 1, 0, 1, from_name, from_name},
      {"fuzz/corpus/session_header/v6", u"Spa", u"Jo", 0, 1, 0, DateTimeValue::MakeTime(14, 52, 3, 250),
       kNotSet},  // an unknown stamp stays unknown
  };
  for (const auto& c : cases) {
    const std::string bytes = ReadWholeFile(c.file);
    SessionHeader h;
    h.base_name = u"20090521-1852";
    ASSERT_EQ(ParseSessionHeader(bytes, true, h), 0) << c.file;
    EXPECT_EQ(h.track.AsView(), c.track) << c.file;
    EXPECT_EQ(h.driver.AsView(), c.driver) << c.file;
    EXPECT_EQ(h.type, c.type) << c.file;
    EXPECT_EQ(h.resumable, c.resumable) << c.file;
    EXPECT_EQ(h.obd, c.obd) << c.file;
    EXPECT_EQ(h.created.day, DateTimeValue::MakeDay(2009, 5, 21)) << c.file;
    EXPECT_EQ(h.created.time, c.created) << c.file;
    EXPECT_EQ(h.second_stamp.time, c.second) << c.file;
    testing::ExpectCutsMalformedAndFlipsRead(bytes, Parse, kErrUnsupportedVersion);
  }
  for (const std::u16string name : {u"2009052-1852", u"2009O521-1852", u"20090521-18x2"}) {
    SessionHeader h;
    h.base_name = name;
    ASSERT_EQ(ParseSessionHeader(ReadWholeFile(cases[4].file), true, h), 0);
    EXPECT_FALSE(h.created.IsKnown()) << "no time from a short or non-digit name";
  }
}

// Found by fuzzing: a version 6 creation stamp of time 0 on day 0x7FFFFBFF
// (and a damaged second stamp, 0x5DFFFFFF on day 0x7FFFFFFB) was converted
// as a date, overflowing the day arithmetic.
TEST(SessionHeader, RegressionVersion6DayBeyondAnyCalendarIsNotConverted) {
  SessionHeader h;
  const std::string found = ReadWholeFile(testing::GoldenPath("session_header_v6_day_overflow.bin"));
  ASSERT_EQ(ParseSessionHeader(found, true, h), 0);
  EXPECT_EQ(h.created.day, 0x7FFFFBFF) << "kept as read";
  EXPECT_EQ(h.created.time, 0);
}

TEST(SessionHeader, TruncatedFlippedOversizedAndForeignVersions) {
  const std::string golden = ReadWholeFile(kGolden);
  testing::ExpectCutsMalformedAndFlipsRead(golden, Parse, kErrUnsupportedVersion);
  const struct {
    const char* legend;
    size_t at;
    std::string bytes;
    int32_t error;
  } cases[] = {
      {"version 0", 0, std::string(1, '\0'), kErrUnsupportedVersion},
      {"version 8", 0, "\x08", kErrUnsupportedVersion},
      {"lap note count beyond the bytes: not allocated", golden.size() - 33, "\xFF\xFF\xFF\xFF", kErrMalformedFile},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Parse(std::string(golden).replace(c.at, c.bytes.size(), c.bytes)), c.error) << c.legend;
}

}  // namespace
}  // namespace kv
