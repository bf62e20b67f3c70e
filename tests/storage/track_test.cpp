#include <gtest/gtest.h>

#include <cstdio>

#include "storage/session_header.h"
#include "storage/storage_list.h"
#include "storage/storage_paths.h"
#include "storage/storage_test_data.h"
#include "storage/track_list.h"
#include "storage/track_profile.h"
#include "util/errors.h"

namespace kv {
namespace {

using testing::TempFolder;

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

const std::string kGolden = testing::GoldenPath("track_v2.bin");

TEST(TrackFile, SavedGoldenBytesLoadBackWholeOrListOnly) {
  TempFolder temp;
  ASSERT_TRUE(EnsureFolders(temp.Path()));
  TrackProfile p = SampleTrack();
  p.root = temp.Path();
  EXPECT_FALSE(SaveTrack(p)) << "unchanged";
  p.changed = true;
  ASSERT_TRUE(SaveTrack(p));
  const std::string saved = ReadTrackBytes(p).value();
  EXPECT_EQ(saved, testing::StorageGolden("track_v2.bin", saved));
  TrackProfile back;
  back.name = u"Spa";
  back.root = temp.Path();
  int32_t error = 1;
  ASSERT_TRUE(LoadTrack(back, true, &error));
  EXPECT_EQ(error, 0);
  EXPECT_EQ(SerializeTrackFile(back).Std(), saved) << "every field read back";
  TrackProfile listed;
  listed.name = u"Spa";
  listed.root = temp.Path();
  ASSERT_TRUE(LoadTrack(listed, false, &error));
  EXPECT_EQ(listed.trap_count, 2);
  EXPECT_EQ(listed.lock, 1);
  listed.changed = true;
  EXPECT_FALSE(SaveTrack(listed)) << "a list-only profile has no traps to write";
  listed.name = u"none";
  EXPECT_FALSE(LoadTrack(listed, true, &error));
}

// The one trap of this file: latitude 2^29 (one radian), longitude -0.5
// rad, bearing 0.5 rad, no width.
TEST(TrackFile, VersionOneIsFixedPointRadians) {
  const std::string v1 = testing::ReadWholeFile("fuzz/corpus/track_file/v1");
  TrackProfile p;
  ASSERT_EQ(ParseTrackFile(v1, true, p), 0);
  ASSERT_EQ(p.traps.Count(), 1);
  EXPECT_EQ(p.traps[0].position.lat, 343774677);
  // -171887338.54 + 0.5, truncated toward zero (the AngleValue rule).
  EXPECT_EQ(p.traps[0].position.lon, -171887338);
  EXPECT_NEAR(p.traps[0].bearing, 0.5, 1e-12);
  EXPECT_FALSE(IsSet(p.traps[0].width));
}

TEST(TrackFile, TruncatedFlippedOversizedAndForeignVersions) {
  const std::string golden = testing::ReadWholeFile(kGolden);
  // A damaged file leaves no half-read trap list.
  const auto parse = [](std::string_view bytes) {
    TrackProfile p;
    const int32_t result = ParseTrackFile(bytes, true, p);
    EXPECT_TRUE(result == 0 || p.traps.Count() == 0) << result;
    return result;
  };
  testing::ExpectCutsMalformedAndFlipsRead(golden, parse);
  const struct {
    const char* legend;
    size_t at;
    std::string bytes;
    int32_t error;
  } cases[] = {
      {"version 3: read as no traps", 0, "\x03", 0},
      {"trap count beyond the bytes: not allocated", 6, "\xFF\xFF\xFF\xFF", kErrMalformedFile},
  };
  for (const auto& c : cases) {
    TrackProfile p;
    EXPECT_EQ(ParseTrackFile(std::string(golden).replace(c.at, c.bytes.size(), c.bytes), true, p), c.error) << c.legend;
    EXPECT_EQ(p.traps.Count(), 0) << c.legend;
  }
}

// Found by fuzzing (the corpus file at the end): a trap whose position lay off
// the globe made its line's end fall outside the int32 range of an
// AngleValue. Positions off the globe and widths of more than about 64 km
// are damaged files now.
TEST(TrackFile, RegressionPositionsOffTheGlobeAndHugeWidthsAreMalformed) {
  const std::string golden = testing::ReadWholeFile(kGolden);
  // The first trap's latitude, longitude and width are at bytes 22, 26 and 34.
  const std::pair<size_t, const char*> edits[] = {{22, "C0855D20"},   // 90.5 degrees north
                                                  {26, "40BB72BF"},   // 180.5 degrees west
                                                  {34, "66E96800"}};  // 0.02 rad wide
  for (const auto& [at, value] : edits) {
    TrackProfile p;
    EXPECT_EQ(ParseTrackFile(std::string(golden).replace(at, 4, testing::FromHex(value)), true, p), kErrMalformedFile)
        << at;
  }
  TrackProfile fuzzed;
  const std::string found = testing::ReadWholeFile("fuzz/corpus/track_file/regression_line_end_overflow");
  ASSERT_FALSE(found.empty());
  EXPECT_EQ(ParseTrackFile(found, true, fuzzed), kErrMalformedFile);
}

// The list (and `track list`) sorts ignoring case. A rename with a new
// lock flag of a profile listed without its traps loads them first, and
// rewrites the track's sessions with their lap notes.
TEST(TrackList, SortsAndRenamesWithTheSessionsOrChangesNothing) {
  TempFolder temp;
  ASSERT_TRUE(EnsureFolders(temp.Path()));
  StorageList storage(temp.Path());
  storage.Refresh();
  TrackList list(storage);
  const auto names = [&] {
    std::vector<std::u16string> out;
    for (int32_t i = 0; i < list.Count(); ++i) out.emplace_back(list.At(i).name.AsView());
    return out;
  };
  TrackProfile spa = SampleTrack();
  spa.root = temp.Path();
  ASSERT_EQ(list.Add(std::move(spa)), 0);
  for (const char16_t* name : {u"brno", u"Anderstorp"}) ASSERT_EQ(list.Create(name, temp.Path(), 0), 0);
  SessionHeader session;
  session.root = temp.Path();
  session.base_name = u"20240601-1000";
  session.track = u"Spa";
  session.SetLapNote(100, 1, u"kept");
  session.changed = true;
  SaveSessionHeader(session);
  list.Refresh();
  ASSERT_EQ(names(), (std::vector<std::u16string>{u"Anderstorp", u"brno", u"Spa"}));
  ASSERT_EQ(list.Rename(2, u"Spa-Francorchamps", 0), 0);
  TrackProfile renamed;
  renamed.name = u"Spa-Francorchamps";
  renamed.root = temp.Path();
  int32_t error = 0;
  ASSERT_TRUE(LoadTrack(renamed, true, &error));
  EXPECT_EQ(renamed.lock, 0) << "the changed lock flag is saved";
  EXPECT_EQ(renamed.traps.Count(), 2) << "with the traps";
  ASSERT_TRUE(LoadSessionHeader(session, true, &error));
  EXPECT_EQ(session.track.AsView(), u"Spa-Francorchamps");
  EXPECT_EQ(session.lap_notes.size(), 1u) << "the notes survive the rewrite";
  EXPECT_EQ(list.Rename(2, u"SPA-FRANCORCHAMPS", 0), 0) << "a case change of itself is allowed";
  std::remove(TrackPath(list.At(2)).c_str());
  EXPECT_EQ(list.Rename(2, u"Other", 0), -1) << "the file could not be moved";
  EXPECT_EQ(names(), (std::vector<std::u16string>{u"Anderstorp", u"brno", u"SPA-FRANCORCHAMPS"}));
}

}  // namespace
}  // namespace kv
