// The library's index and reply texts as the client reads them, and what
// storing a downloaded track does to the driver's tracks.
#include "core/lat_lon_text.h"
#include "online/track_index.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>

#include "online/track_download.h"
#include "platform/termination.h"
#include "storage/storage_list.h"
#include "support/temp_folder.h"
#include "util/errors.h"
#include "util/utf_convert.h"

namespace kv {
namespace {

using testing::ReadWholeFile;
using testing::WriteWholeFile;

// Entries as "file|group|name|description|start", one per line.
std::string Entries(std::string_view body) {
  std::string text;
  for (const TrackIndexEntry& e : ParseTrackIndex(body)) {
    text += std::string(e.file_name.AsView()) + "|" + ToUtf8(e.group.AsView()).Std() + "|" +
            ToUtf8(e.name.AsView()).Std() + "|" + ToUtf8(e.description.AsView()).Std() + "|" +
            (e.start ? LatLonText(*e.start) : "-") + "\n";
  }
  return text;
}

TEST(TrackIndex, ReadsTheLinesThatHaveEveryFieldAndTheirLineEnd) {
  const struct {
    const char* legend;
    std::string body, entries;
  } cases[] = {
      {"LF and CR LF", "a.bin;G/A;one\r\nb.bin;G/B;two\n", "a.bin|G|A|one|-\nb.bin|G|B|two|-\n"},
      {"a last line without its end is lost", "a.bin;G/A;one\nb.bin;G/B;two", "a.bin|G|A|one|-\n"},
      {"a lone CR ends no line", "a.bin;G/A;one\rb.bin;G/B;two\n", "a.bin|G|A|one\rb.bin|-\n"},
      {"two fields", "a.bin;G/A\na.bin;G/A;\n", ""},
      {"an empty field", ";G/A;d\na.bin;;d\na.bin;G/A;;d\n", ""},
      {"no slash: all group, no name", "a.bin;Belgium;d\n", "a.bin|Belgium||d|-\n"},
      {"the name keeps later slashes", "a.bin;G/A/B;d\n", "a.bin|G|A/B|d|-\n"},
      {"a fourth field is the start", "a.bin;G/A;d;50.4362800,-5.9722000;more\n",
       "a.bin|G|A|d|50.4362800,-5.9722000\n"},
      {"a fourth field that is no position", "a.bin;G/A;d;50.1\nb.bin;G/B;d;91,0\n",
       "a.bin|G|A|d|-\nb.bin|G|B|d|-\n"},
      {"bytes that are not UTF-8", "\xff.bin;Caf\xe9/\xc3;d\n",
       "\xff.bin|Caf\xef\xbf\xbd|\xef\xbf\xbd|d|-\n"},
      {"empty lines and nothing", "\n\r\n", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Entries(c.body), c.entries) << c.legend;
}

TEST(TrackIndex, GroupsInOrderOfFirstAppearanceCountingCase) {
  const auto entries = ParseTrackIndex("1;B/x;d\n2;a/y;d\n3;B/z;d\n4;A/w;d\n");
  std::string groups;
  for (const TrackGroup& g : TrackGroups(entries))
    groups += ToUtf8(g.name.AsView()).Std() + "=" + std::to_string(g.count) + " ";
  EXPECT_EQ(groups, "B=2 a=1 A=1 ");
  const auto b = GroupEntries(entries, u"B");
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(b[1]->name, u"z");
  EXPECT_TRUE(GroupEntries(entries, u"b").empty());
}

TEST(TrackIndex, AnUploadSucceedsOnlyOnASuccessLineWithItsEnd) {
  const struct {
    std::string body;
    bool accepted;
  } cases[] = {
      {"Success.\r\n", true},       {"\r\n\nSuccess.\nmore", true},
      {"Success.", false},          {"\r\nSuccess.", false},
      {"success.\n", false},        {"Success. \n", false},
      {"Error\nSuccess.\n", false}, {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsUploadAccepted(c.body), c.accepted) << c.body;
}

class StoreTrack : public ::testing::Test {
 protected:
  void SetUp() override {
    storage.Refresh();
    tracks.Refresh();
  }
  std::string TrackFile(const std::string& name) {
    return dir.Path() + "Korvatinel/Tracks/" + name + "-track.bin";
  }

  testing::TempFolder dir;
  StorageList storage{dir.Path()};
  TrackList tracks{storage};
  const std::string root = dir.Path();
  const std::string demo = ReadWholeFile("data/demo/Demo circuit-track.bin");
};

TEST_F(StoreTrack, WritesTheBytesUnchangedAndReplacesOnlyWhenAsked) {
  ASSERT_EQ(StoreLibraryTrack(tracks, root, u"Spa", demo, false).outcome, StoreOutcome::kStored);
  EXPECT_EQ(ReadWholeFile(TrackFile("Spa")), demo);
  EXPECT_GE(tracks.Find(u"Spa"), 0);
  // Another spelling of a track that is there: asked, then replaced, and
  // no second copy is left under the old spelling.
  EXPECT_EQ(StoreLibraryTrack(tracks, root, u"SPA", demo, false).outcome, StoreOutcome::kExists);
  ASSERT_EQ(StoreLibraryTrack(tracks, root, u"SPA", demo, true).outcome, StoreOutcome::kStored);
  EXPECT_FALSE(std::filesystem::exists(TrackFile("Spa")));
  EXPECT_EQ(ReadWholeFile(TrackFile("SPA")), demo);
  EXPECT_EQ(tracks.Count(), 1);
}

TEST_F(StoreTrack, RefusesWhatWouldCostTheDriverATrackOrLeaveTheFolder) {
  ASSERT_EQ(StoreLibraryTrack(tracks, root, u"Spa", demo, false).outcome, StoreOutcome::kStored);
  std::string newer = demo;
  newer[0] = 99;  // a version this program does not read
  const struct {
    const char* legend;
    std::u16string name;
    std::string bytes;
    StoreOutcome outcome;
    int32_t error;
  } cases[] = {
      // Its first bytes read as a version number.
      {"an HTML error page", u"Spa", "<html>Not here</html>", StoreOutcome::kNotATrack,
       kErrUnsupportedVersion},
      {"cut short", u"Spa", demo.substr(0, demo.size() - 3), StoreOutcome::kNotATrack,
       kErrMalformedFile},
      {"empty", u"Spa", "", StoreOutcome::kNotATrack, kErrMalformedFile},
      {"a newer version", u"Spa", newer, StoreOutcome::kNotATrack, kErrUnsupportedVersion},
      {"a path", u"../../x", demo, StoreOutcome::kBadName, 0},
      {"hidden", u".x", demo, StoreOutcome::kBadName, 0},
      {"no name", u"", demo, StoreOutcome::kBadName, 0},
  };
  for (const auto& c : cases) {
    const StoreResult r = StoreLibraryTrack(tracks, root, c.name, c.bytes, true);
    EXPECT_EQ(r.outcome, c.outcome) << c.legend;
    EXPECT_EQ(r.error, c.error) << c.legend;
    EXPECT_EQ(ReadWholeFile(TrackFile("Spa")), demo) << c.legend;
  }
  EXPECT_EQ(
      std::distance(std::filesystem::directory_iterator(dir.Path() + "Korvatinel/Tracks"), {}), 1);
}

TEST_F(StoreTrack, AFailedWriteKeepsTheTrackItWasToReplace) {
  ASSERT_EQ(StoreLibraryTrack(tracks, root, u"Spa", demo, false).outcome, StoreOutcome::kStored);
  platform::IgnoreFileSizeSignal();
  rlimit before{};
  getrlimit(RLIMIT_FSIZE, &before);
  const rlimit small{16, before.rlim_max};
  setrlimit(RLIMIT_FSIZE, &small);
  const StoreResult r = StoreLibraryTrack(tracks, root, u"Spa", demo, true);
  setrlimit(RLIMIT_FSIZE, &before);
  EXPECT_EQ(r.outcome, StoreOutcome::kWriteFailed);
  EXPECT_EQ(r.error, kErrCannotOpen);
  EXPECT_EQ(ReadWholeFile(TrackFile("Spa")), demo);
}

}  // namespace
}  // namespace kv
