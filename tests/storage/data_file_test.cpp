#include <gtest/gtest.h>

#include <string>

#include "platform/file_io.h"
#include "storage/binary_strings.h"
#include "storage/data_file.h"
#include "storage/directory_scan.h"
#include "storage/record_reader.h"
#include "storage/storage_list.h"
#include "storage/storage_paths.h"
#include "support/temp_folder.h"
#include "util/errors.h"

namespace kv {
namespace {

using testing::ReadWholeFile;
using testing::TempFolder;
using testing::WriteWholeFile;

std::string Packed(std::u16string_view text) {
  ByteString out;
  EXPECT_TRUE(AppendPackedString(out, text));
  return out.Std();
}

TEST(PackedString, PrefixLengthsAtTheEncodingBoundaries) {
  const std::string s63 = Packed(std::u16string(63, u'a'));
  EXPECT_EQ(static_cast<uint8_t>(s63[0]), 252) << "63 characters take one byte, 63 * 4";
  EXPECT_EQ(s63.size(), 64u);
  const std::string s64 = Packed(std::u16string(64, u'a'));
  EXPECT_EQ(static_cast<uint8_t>(s64[0]), 0x01);
  EXPECT_EQ(static_cast<uint8_t>(s64[1]), 0x02);
  const std::string s8191 = Packed(std::u16string(8191, u'a'));
  EXPECT_EQ(static_cast<uint8_t>(s8191[0]), 0xF9);
  EXPECT_EQ(static_cast<uint8_t>(s8191[1]), 0xFF);
  ByteString out;
  EXPECT_FALSE(AppendPackedString(out, std::u16string(8192, u'a')));
  EXPECT_TRUE(out.IsEmpty());
}

TEST(PackedString, NonAsciiUnitTakesThreeBytes) {
  EXPECT_EQ(Packed(u"\u00e9"), std::string("\x04\x0E\x00\xE9", 4));
  EXPECT_EQ(Packed(u"\u000e"), std::string("\x04\x0E\x00\x0E", 4)) << "U+000E must not read as a marker";
}

TEST(PackedString, RoundTripsThroughTheReader) {
  for (const std::u16string& text : {std::u16string(), std::u16string(u"Spa \u00e9\u20ac\u000e"),
                                      std::u16string(63, u'x'), std::u16string(64, u'\u4e2d'),
                                      std::u16string(8191, u'z')}) {
    RecordReader reader;
    reader.OpenBytes(Packed(text));
    EXPECT_EQ(reader.ReadPackedString().AsView(), text);
    EXPECT_TRUE(reader.Ok());
    EXPECT_EQ(reader.Remaining(), 0);
  }
}

TEST(RecordReader, MalformedInputsSetMinusFiveAndNeverThrow) {
  struct Case {
    const char* legend;
    std::string bytes;
  };
  const Case cases[] = {
      {"packed prefix with low bits 10", std::string("\x02", 1)},
      {"packed prefix with low bits 11", std::string("\x03", 1)},
      {"packed count beyond the data", std::string("\x0C" "ab", 3)},
      {"two-byte prefix cut", std::string("\x01", 1)},
      {"wide unit cut", std::string("\x04\x0E\x00", 3)},
      {"utf8 length beyond the data", std::string("\xFF\xFF" "abc", 5)},
      {"utf8 length cut", std::string("\x05", 1)},
  };
  for (const Case& c : cases) {
    RecordReader reader;
    reader.OpenBytes(c.bytes);
    if (c.legend[0] == 'p' || c.legend[0] == 't' || c.legend[0] == 'w')
      EXPECT_TRUE(reader.ReadPackedString().IsEmpty()) << c.legend;
    else
      EXPECT_TRUE(reader.ReadUtf8String().IsEmpty()) << c.legend;
    EXPECT_EQ(reader.Error(), kErrMalformedFile) << c.legend;
    EXPECT_EQ(reader.Read32(), 0) << "the error is sticky: " << c.legend;
  }
}

TEST(RecordReader, IntegersAreLittleEndianAndSigned) {
  RecordReader reader;
  reader.OpenBytes(std::string("\x01\x02\x03\x04\xFE\xFF\x80", 7));
  EXPECT_EQ(reader.Read32(), 0x04030201);
  EXPECT_EQ(reader.Read16(), -2);
  EXPECT_EQ(reader.Read8(), 0x80);
  EXPECT_TRUE(reader.Ok());
  EXPECT_EQ(reader.Read8(), 0);
  EXPECT_EQ(reader.Error(), kErrMalformedFile);
}

TEST(DataFile, StringsTooLongRaiseMinusFour) {
  TempFolder temp;
  DataFile file(temp.Path() + "x.bin");
  file.CreateForWriting(64);
  try {
    file.WritePackedString(std::u16string(8192, u'a'));
    FAIL() << "no error";
  } catch (const CodeException& e) {
    EXPECT_EQ(e.code, kErrStringTooLong);
  }
  try {
    file.WriteUtf8String(std::u16string(32768, u'\u00e9'));  // 65536 bytes of UTF-8
    FAIL() << "no error";
  } catch (const CodeException& e) {
    EXPECT_EQ(e.code, kErrStringTooLong);
  }
  file.WriteUtf8String(std::u16string(65535, u'a'));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(ReadWholeFile(temp.Path() + "x.bin").size(), 65537u);
}

TEST(DataFile, CreatingInAMissingFolderRaisesMinusEight) {
  TempFolder temp;
  DataFile file(temp.Path() + "missing/x.bin");
  try {
    file.CreateForWriting(16);
    FAIL() << "no error";
  } catch (const CodeException& e) {
    EXPECT_EQ(e.code, kErrCannotOpen);
  }
  EXPECT_FALSE(file.OpenForReading(16));
}

TEST(DataFile, BufferedWritesLandInOrderAcrossTheCapacity) {
  TempFolder temp;
  DataFile file(temp.Path() + "x.bin");
  file.CreateForWriting(5);
  file.WriteBytes("abc");
  file.WriteBytes("def");         // flushes "abc" first
  file.WriteBytes("0123456789");  // larger than the buffer
  file.Write16(0x4241);
  file.Write32(0x46454443);
  EXPECT_EQ(file.Position(), 22);
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(ReadWholeFile(temp.Path() + "x.bin"), "abcdef0123456789ABCDEF");
}

TEST(DataFile, AppendingKeepsWhatWasThere) {
  TempFolder temp;
  WriteWholeFile(temp.Path() + "x.txt", "one\r\n");
  DataFile file(temp.Path() + "x.txt");
  file.OpenForAppending(100);
  file.WriteBytes("two\r\n");
  file.Close();
  EXPECT_EQ(ReadWholeFile(temp.Path() + "x.txt"), "one\r\ntwo\r\n");
}

TEST(DataFile, ReadLineSplitsAtCrLfAcrossChunks) {
  TempFolder temp;
  WriteWholeFile(temp.Path() + "x.txt", "first line\r\n\r\nthird\nlast without end");
  DataFile file(temp.Path() + "x.txt");
  ASSERT_TRUE(file.OpenForReading(3));  // chunks far shorter than the lines
  ByteString line;
  std::vector<std::string> lines;
  while (file.ReadLine(line)) lines.push_back(line.Std());
  EXPECT_EQ(lines, (std::vector<std::string>{"first line", "", "third", "last without end"}));
}

TEST(DataFile, ReplacingLeavesTheOldFileUntilClose) {
  TempFolder temp;
  const std::string path = temp.Path() + "x.bin";
  WriteWholeFile(path, "old");
  {
    DataFile file(path);
    file.CreateReplacing(16);
    file.WriteBytes("new contents");
    file.Flush();
    EXPECT_EQ(ReadWholeFile(path), "old") << "nothing replaced before Close";
    // Destroyed without Close: the old file stays and no temporary is left.
  }
  EXPECT_EQ(ReadWholeFile(path), "old");
  EXPECT_EQ(platform::ListDirectory(temp.Path()).size(), 1u);
  DataFile file(path);
  file.CreateReplacing(16);
  file.WriteBytes("new contents");
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(ReadWholeFile(path), "new contents");
  EXPECT_EQ(platform::ListDirectory(temp.Path()).size(), 1u);
}

TEST(StoragePaths, BuildPathAndFolders) {
  EXPECT_EQ(BuildPath(u"20090521-1852", "/card/", FileKind::kSessionHeader),
            "/card/Korvatinel/Sessions/20090521-1852-session.bin");
  EXPECT_EQ(BuildPath(u"Spa", "/card/", FileKind::kTrackProfile), "/card/Korvatinel/Tracks/Spa-track.bin");
  EXPECT_EQ(BuildPath(u"x", "/c/", FileKind::kGpxExport), "/c/Korvatinel/Exports/x-export.gpx");
  EXPECT_EQ(FileNameOf("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(FolderOfPath("/a/b/c.txt"), "/a/b/");
  EXPECT_EQ(FolderOfPath("c.txt"), "");
}

TEST(StoragePaths, CreateDirectoriesReportsExistsAndCreatesNothingMore) {
  TempFolder temp;
  const std::string path = temp.Path() + "a/b/c/";
  EXPECT_EQ(CreateDirectories(path), DirResult::kCreated);
  EXPECT_TRUE(platform::DirectoryExists(path));
  EXPECT_EQ(CreateDirectories(path), DirResult::kExists);
  EXPECT_TRUE(EnsureExportFolder(temp.Path()));
  EXPECT_TRUE(EnsureExportFolder(temp.Path())) << "an existing export folder is success";
  EXPECT_TRUE(EnsureFolders(temp.Path()));
  EXPECT_TRUE(platform::DirectoryExists(temp.Path() + "Korvatinel/Tracks"));
  WriteWholeFile(temp.Path() + "file", "x");
  EXPECT_EQ(CreateDirectories(temp.Path() + "file/sub/"), DirResult::kFailed);
}

TEST(StoragePaths, FreeSpaceLimitsCompareWithLessThan) {
  EXPECT_EQ(CheckFreeSpace(0), SpaceCheck::kVeryLow);
  EXPECT_EQ(CheckFreeSpace(699), SpaceCheck::kVeryLow);
  EXPECT_EQ(CheckFreeSpace(700), SpaceCheck::kLow);
  EXPECT_EQ(CheckFreeSpace(5119), SpaceCheck::kLow);
  EXPECT_EQ(CheckFreeSpace(5120), SpaceCheck::kEnough);
}

TEST(StoragePaths, NameValidity) {
  EXPECT_TRUE(IsValidName(u""));
  EXPECT_TRUE(IsValidName(u"Spa-Francorchamps 2009 \u00e9"));
  for (const char16_t bad : std::u16string_view(u"<>?\\\"*/:|"))
    EXPECT_FALSE(IsValidName(std::u16string(u"a") + bad)) << static_cast<char>(bad);
}

TEST(StoragePaths, UniqueSessionBaseNamesCountUp) {
  TempFolder temp;
  ASSERT_TRUE(EnsureFolders(temp.Path()));
  DateTimeValue local;
  local.day = DateTimeValue::MakeDay(2009, 5, 21);
  local.time = DateTimeValue::MakeTime(18, 52, 7, 0);
  EXPECT_EQ(UniqueSessionBaseName(temp.Path(), local).AsView(), u"20090521-1852");
  WriteWholeFile(BuildPath(u"20090521-1852", temp.Path(), FileKind::kSessionHeader), "");
  EXPECT_EQ(UniqueSessionBaseName(temp.Path(), local).AsView(), u"20090521-1852-1");
  WriteWholeFile(BuildPath(u"20090521-1852-1", temp.Path(), FileKind::kSessionHeader), "");
  EXPECT_EQ(UniqueSessionBaseName(temp.Path(), local).AsView(), u"20090521-1852-2");
}

TEST(DirectoryScan, CutsPrefixAndSuffixAndSkipsHiddenAndFolders) {
  TempFolder temp;
  ASSERT_TRUE(EnsureFolders(temp.Path()));
  const std::string folder = temp.Path() + "Korvatinel/Sessions/";
  WriteWholeFile(folder + "20090521-1852-session.bin", "");
  WriteWholeFile(folder + ".hidden-session.bin", "");
  WriteWholeFile(folder + "20090521-1852-plots.bin", "");
  WriteWholeFile(folder + "x-session.bin.new~", "");
  platform::MakeDirectory(folder + "dir-session.bin");
  DirectoryScan scan;
  scan.Open(temp.Path(), FileKind::kSessionHeader);
  WideString name;
  std::vector<std::u16string> names;
  while (scan.Next(name)) names.emplace_back(name.AsView());
  EXPECT_EQ(names, std::vector<std::u16string>{u"20090521-1852"});
  scan.Open(folder + "*-session.bin", true);
  names.clear();
  while (scan.Next(name)) names.emplace_back(name.AsView());
  EXPECT_EQ(names.size(), 2u) << "folders only when asked for";
}

TEST(StorageList, DataFolderIsTheOnlyMediumAndTheAppDataFolder) {
  TempFolder temp;
  StorageList list(temp.Path());
  list.Refresh();
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.At(0).root, temp.Path());
  EXPECT_GT(list.At(0).total_kb, 0u);
  EXPECT_EQ(list.AppDataFolder(), temp.Path() + "Korvatinel/");
  EXPECT_NE(list.Find(temp.Path()), nullptr);
  EXPECT_EQ(list.Find("/elsewhere/"), nullptr);
  EXPECT_TRUE(list.EnsureAppDataFolder());
  EXPECT_TRUE(platform::DirectoryExists(list.AppDataFolder()));
}

TEST(StorageList, DocumentsFolderFollowsXdgAndVolumesNeedASizeQuery) {
  TempFolder temp;
  setenv("XDG_DOCUMENTS_DIR", (temp.Path() + "docs").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (temp.Path() + "config").c_str(), 1);
  StorageList list;
  list.Refresh();
  ASSERT_GE(list.Count(), 1);
  EXPECT_EQ(list.At(0).root, temp.Path() + "docs/");
  EXPECT_EQ(list.AppDataFolder(), temp.Path() + "config/Korvatinel/");
  EXPECT_EQ(FreeSpaceKb(temp.Path() + "no/such/folder"), 0u) << "a failed query gives 0";
  unsetenv("XDG_DOCUMENTS_DIR");
  unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace kv
