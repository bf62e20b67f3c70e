#include <gtest/gtest.h>

#include <cmath>

#include "storage/session_header.h"
#include "storage/storage_list.h"
#include "storage/storage_paths.h"
#include "storage/track_list.h"
#include "storage/track_profile.h"
#include "support/temp_folder.h"
#include "util/errors.h"
#include "util/string_ids.h"

namespace kv {
namespace {

using testing::FromHex;
using testing::ReadWholeFile;
using testing::TempFolder;
using testing::WriteWholeFile;

constexpr double kHalfPi = 1.5707963267948966;
constexpr double kEarthMetres = 6371000.0;  // metres per radian of central angle

TrackProfile SampleTrack() {
  TrackProfile p;
  p.name = u"Spa";
  p.lock = 1;
  p.traps_loaded = true;
  p.traps.Append({{300000000, 36000000}, 1, WideString(u"S/F \u00e9"), kTrapStartFinish, kHalfPi, 50.0 / kEarthMetres});
  p.traps.Append({{-300000000, -36000000}, 0, WideString(u"T1"), kTrapSplit, kNoValue, 20.0 / kEarthMetres});
  return p;
}

const std::string kSampleBytes = FromHex(
    "02000000 0100 02000000"
    "14 532F4620 0E00E9"        // "S/F \u00e9": 5 characters
    "03000000 00A3E111 00512502 00BF2F20 8A0A0000 0100"  // bearing 90 deg, 50 m = 2698
    "08 5431"
    "04000000 005D1EEE 00AFDAFD FFFFFF7F 37040000 0000");  // no bearing, 20 m = 1079

TEST(TrackFile, GoldenBytesAndRoundTrip) {
  EXPECT_EQ(SerializeTrackFile(SampleTrack()).Std(), kSampleBytes);
  TrackProfile back;
  ASSERT_EQ(ParseTrackFile(kSampleBytes, true, back), 0);
  EXPECT_EQ(back.lock, 1);
  ASSERT_EQ(back.traps.Count(), 2);
  const TrapDefinition& t = back.traps[0];
  EXPECT_EQ(t.name.AsView(), u"S/F \u00e9");
  EXPECT_EQ(t.line_type, kTrapStartFinish);
  EXPECT_EQ(t.position, (IntPoint{300000000, 36000000}));
  EXPECT_NEAR(t.bearing, kHalfPi, 1e-9);
  EXPECT_NEAR(t.width * kEarthMetres, 50.0, 0.01);
  EXPECT_EQ(t.unidirectional, 1);
  EXPECT_FALSE(IsSet(back.traps[1].bearing)) << "0x7FFFFFFF reads back as no bearing";
  back.name = u"Spa";
  EXPECT_EQ(SerializeTrackFile(back).Std(), kSampleBytes);
}

TEST(TrackFile, ListOnlyReadsCountAndLock) {
  TrackProfile p;
  ASSERT_EQ(ParseTrackFile(kSampleBytes, false, p), 0);
  EXPECT_EQ(p.trap_count, 2);
  EXPECT_EQ(p.lock, 1);
  EXPECT_EQ(p.traps.Count(), 0);
  EXPECT_FALSE(p.traps_loaded);
}

TEST(TrackFile, VersionOneIsFixedPointRadians) {
  const std::string v1 = FromHex(
      "01000000 0000 01000000 08 5331 01000000"
      "00000020"   // latitude 2^29: one radian
      "000000F0"   // longitude -0.5 rad
      "00000010"   // bearing 0.5 rad
      "FFFFFF7F"   // no width
      "0100");
  TrackProfile p;
  ASSERT_EQ(ParseTrackFile(v1, true, p), 0);
  ASSERT_EQ(p.traps.Count(), 1);
  EXPECT_EQ(p.traps[0].position.lat, 343774677);
  // -171887338.54 + 0.5, truncated toward zero (the AngleValue rule).
  EXPECT_EQ(p.traps[0].position.lon, -171887338);
  EXPECT_NEAR(p.traps[0].bearing, 0.5, 1e-12);
  EXPECT_FALSE(IsSet(p.traps[0].width));
}

TEST(TrackFile, OtherVersionsLeaveTheProfileEmpty) {
  std::string v3 = kSampleBytes;
  v3[0] = 3;
  TrackProfile p;
  EXPECT_EQ(ParseTrackFile(v3, true, p), 0);
  EXPECT_EQ(p.traps.Count(), 0);
  EXPECT_EQ(p.trap_count, 0);
}

TEST(TrackFile, TruncatedFlippedAndOversizedInputs) {
  for (size_t n = 0; n < kSampleBytes.size(); ++n) {
    TrackProfile p;
    EXPECT_EQ(ParseTrackFile(kSampleBytes.substr(0, n), true, p), kErrMalformedFile) << n;
    EXPECT_EQ(p.traps.Count(), 0) << "no half-read trap list: " << n;
  }
  std::string huge = kSampleBytes;
  huge.replace(6, 4, FromHex("FFFFFFFF"));
  TrackProfile p;
  EXPECT_EQ(ParseTrackFile(huge, false, p), kErrMalformedFile) << "count beyond the bytes";
  for (size_t i = 0; i < kSampleBytes.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      std::string flipped = kSampleBytes;
      flipped[i] = static_cast<char>(flipped[i] ^ (1 << bit));
      TrackProfile f;
      const int32_t result = ParseTrackFile(flipped, true, f);
      EXPECT_TRUE(result == 0 || result == kErrMalformedFile);
    }
  }
}

// Found by fuzzing (the last input below): a trap whose position lay off
// the globe made its line's end fall outside the int32 range of an
// AngleValue. Positions off the globe and widths of more than about 64 km
// are damaged files now.
TEST(TrackFile, RegressionPositionsOffTheGlobeAndHugeWidthsAreMalformed) {
  struct Case {
    const char* legend;
    std::string trap;
  };
  const Case cases[] = {
      {"latitude 90.5 degrees", "04000000 C0855D20 00000000 00000000 8A0A0000 0000"},
      {"longitude -180.5 degrees", "04000000 00000000 40BB72BF 00000000 8A0A0000 0000"},
      {"width 0.02 rad", "04000000 00000000 00000000 00000000 66E96800 0000"},
  };
  for (const Case& c : cases) {
    TrackProfile p;
    EXPECT_EQ(ParseTrackFile(FromHex("02000000 0000 01000000 00" + c.trap), true, p), kErrMalformedFile)
        << c.legend;
  }
  TrackProfile fuzzed;
  EXPECT_EQ(ParseTrackFile(FromHex("02000000 0100 02000000 140E2000 00E90000 1EEE00AF DA250200 BF2F208A"
                                   "0A000001 00085431 04000000 005D1EEE 00AFDAFD FFFFFF7F 37040000 0000"),
                           true, fuzzed),
            kErrMalformedFile);
}

TEST(TrackFile, SaveOnlyWhenChangedAndLoaded) {
  TempFolder temp;
  ASSERT_TRUE(EnsureFolders(temp.Path()));
  TrackProfile p = SampleTrack();
  p.root = temp.Path();
  EXPECT_FALSE(SaveTrack(p)) << "unchanged";
  p.changed = true;
  ASSERT_TRUE(SaveTrack(p));
  EXPECT_EQ(ReadWholeFile(TrackPath(p)), kSampleBytes);
  EXPECT_EQ(ReadTrackBytes(p).value(), kSampleBytes);
  TrackProfile listed;
  listed.name = u"Spa";
  listed.root = temp.Path();
  int32_t error = 1;
  ASSERT_TRUE(LoadTrack(listed, false, &error));
  EXPECT_EQ(error, 0);
  listed.changed = true;
  EXPECT_FALSE(SaveTrack(listed)) << "a list-only profile has no traps to write";
  TrackProfile unnamed;
  EXPECT_TRUE(LoadTrack(unnamed, true, &error)) << "no name, nothing to load";
  TrackProfile missing;
  missing.name = u"none";
  missing.root = temp.Path();
  EXPECT_FALSE(LoadTrack(missing, true, &error));
}

TEST(TrackList, NamingRulesInOrder) {
  TempFolder temp;
  StorageList storage(temp.Path());
  storage.Refresh();
  TrackList list(storage);
  list.Refresh();
  EXPECT_EQ(list.Create(u"Spa", temp.Path(), 0), 0);
  EXPECT_EQ(list.Create(u"", temp.Path(), 0), kStrTrackNameEmpty);
  EXPECT_EQ(list.Create(u"a/b", temp.Path(), 0), kStrNameInvalidCharacters);
  EXPECT_EQ(list.Create(u"sPA", temp.Path(), 0), kStrTrackNameExists);
  EXPECT_EQ(list.Create(u"Brno", temp.Path(), 1), 0);
  EXPECT_EQ(list.Create(u"anderstorp", temp.Path(), 0), 0);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.At(0).name.AsView(), u"anderstorp") << "sorted ignoring case";
  EXPECT_EQ(list.At(list.Selected()).name.AsView(), u"anderstorp") << "the new one is selected";
  TrackList fresh(storage);
  fresh.Refresh();
  ASSERT_EQ(fresh.Count(), 3);
  EXPECT_EQ(fresh.At(1).name.AsView(), u"Brno");
  EXPECT_EQ(fresh.At(1).lock, 1);
  EXPECT_EQ(fresh.At(1).trap_count, 0);
}

TEST(TrackList, RenameMovesTheFileAndUpdatesSessions) {
  TempFolder temp;
  ASSERT_TRUE(EnsureFolders(temp.Path()));
  StorageList storage(temp.Path());
  storage.Refresh();
  TrackList list(storage);
  list.Refresh();
  ASSERT_EQ(list.Create(u"Spa", temp.Path(), 0), 0);
  ASSERT_EQ(list.Create(u"Zolder", temp.Path(), 0), 0);
  SessionHeader a;
  a.root = temp.Path();
  a.base_name = u"20240601-1000";
  a.track = u"Spa";
  a.SetLapNote(100, 1, u"kept");
  a.changed = true;
  SaveSessionHeader(a);
  SessionHeader b = a;
  b.base_name = u"20240601-1100";
  b.track = u"Zolder";
  b.changed = true;
  SaveSessionHeader(b);

  EXPECT_EQ(list.Rename(0, u"zolder", 0), kStrTrackNameExists);
  ASSERT_EQ(list.Rename(0, u"Spa-Francorchamps", 1), 0);
  EXPECT_FALSE(ReadWholeFile(temp.Path() + "Korvatinel/Tracks/Spa-track.bin").size());
  TrackProfile renamed;
  renamed.name = u"Spa-Francorchamps";
  renamed.root = temp.Path();
  int32_t error = 0;
  ASSERT_TRUE(LoadTrack(renamed, false, &error));
  EXPECT_EQ(renamed.lock, 1) << "the changed lock flag is saved";

  SessionHeader check;
  check.root = temp.Path();
  check.base_name = a.base_name;
  ASSERT_TRUE(LoadSessionHeader(check, true, &error));
  EXPECT_EQ(check.track.AsView(), u"Spa-Francorchamps");
  EXPECT_EQ(check.lap_notes.size(), 1u) << "the notes survive the rewrite";
  check.base_name = b.base_name;
  ASSERT_TRUE(LoadSessionHeader(check, true, &error));
  EXPECT_EQ(check.track.AsView(), u"Zolder");
  EXPECT_EQ(list.Rename(list.Find(u"Zolder"), u"ZOLDER", 0), 0) << "a case change of itself is allowed";
}

TEST(TrackList, FailedRenameChangesNothing) {
  TempFolder temp;
  StorageList storage(temp.Path());
  storage.Refresh();
  TrackList list(storage);
  ASSERT_EQ(list.Create(u"Spa", temp.Path(), 0), 0);
  std::remove((temp.Path() + "Korvatinel/Tracks/Spa-track.bin").c_str());
  EXPECT_EQ(list.Rename(0, u"Other", 0), -1);
  EXPECT_EQ(list.At(0).name.AsView(), u"Spa");
}

TEST(TrackList, DeleteAndDeleteByName) {
  TempFolder temp;
  StorageList storage(temp.Path());
  storage.Refresh();
  TrackList list(storage);
  list.Create(u"A", temp.Path(), 0);
  list.Create(u"B", temp.Path(), 0);
  list.Create(u"C", temp.Path(), 0);
  list.Select(2);
  EXPECT_TRUE(list.Delete(2));
  EXPECT_EQ(list.Selected(), 1) << "moves back when past the end";
  list.DeleteByName(u"a");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.At(0).name.AsView(), u"B");
  list.Refresh();
  EXPECT_EQ(list.Count(), 1);
}

}  // namespace
}  // namespace kv
