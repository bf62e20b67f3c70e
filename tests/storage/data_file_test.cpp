#include <gtest/gtest.h>

#include <string>

#include "platform/file_io.h"
#include "storage/binary_strings.h"
#include "storage/data_file.h"
#include "storage/record_reader.h"
#include "storage/storage_paths.h"
#include "storage/storage_test_data.h"
#include "util/errors.h"

namespace kv {
namespace {

using testing::ReadWholeFile;
using testing::TempFolder;
using testing::WriteWholeFile;

TEST(PackedString, EncodingBoundariesReadBackWhole) {
  const struct {
    const char* legend;
    std::u16string text;
    std::string prefix;  // the first bytes of the encoded form
    size_t size;
  } cases[] = {
      {"63 characters: one byte, 63 * 4", std::u16string(63, u'a'), "\xFC", 64},
      {"64 characters: two bytes", std::u16string(64, u'a'), "\x01\x02", 66},
      {"8191 characters, the most", std::u16string(8191, u'z'), "\xF9\xFF", 8193},
      {"a unit above 127: marker, high, low", u"\u00e9", std::string("\x04\x0E\x00\xE9", 4), 4},
      {"U+000E itself must not read as a marker", u"\u000e", std::string("\x04\x0E\x00\x0E", 4), 4},
  };
  for (const auto& c : cases) {
    ByteString encoded;
    ASSERT_TRUE(AppendPackedString(encoded, c.text)) << c.legend;
    EXPECT_EQ(encoded.Std().substr(0, c.prefix.size()), c.prefix) << c.legend;
    EXPECT_EQ(encoded.Std().size(), c.size) << c.legend;
    RecordReader reader;
    reader.OpenBytes(encoded.AsView());
    EXPECT_EQ(reader.ReadPackedString().AsView(), c.text) << c.legend;
    EXPECT_TRUE(reader.Ok() && reader.Remaining() == 0) << c.legend;
  }
}

TEST(RecordReader, MalformedStringsSetMinusFiveAndNeverThrow) {
  const struct {
    const char* legend;
    bool packed;
    std::string bytes;
  } cases[] = {
      {"packed prefix with low bits 10", true, "\x02"},
      {"packed prefix with low bits 11", true, "\x03"},
      {"packed count beyond the data", true, "\x0Cxy"},
      {"two-byte prefix cut", true, "\x01"},
      {"wide unit cut", true, std::string("\x04\x0E\x00", 3)},
      {"utf8 length beyond the data", false, "\xFF\xFFxyz"},
      {"utf8 length cut", false, "\x05"},
  };
  for (const auto& c : cases) {
    RecordReader reader;
    reader.OpenBytes(c.bytes);
    EXPECT_TRUE((c.packed ? reader.ReadPackedString() : reader.ReadUtf8String()).IsEmpty()) << c.legend;
    EXPECT_EQ(reader.Error(), kErrMalformedFile) << c.legend;
    EXPECT_EQ(reader.Read32(), 0) << "the error is sticky: " << c.legend;
  }
}

TEST(DataFile, BufferedWritesLandInOrderAndReadBackLineByLine) {
  TempFolder temp;
  DataFile file(temp.Path() + "x.txt");
  file.CreateForWriting(5);
  file.WriteBytes("one\r\n");
  file.WriteBytes("\r\nthree, longer than the buffer\n");
  file.Write16(0x4241);
  file.Write32(0x46454443);
  EXPECT_EQ(file.Position(), 43);
  EXPECT_THAT([&] { file.WritePackedString(std::u16string(8192, u'a')); }, testing::RaisesCode(kErrStringTooLong));
  // 65536 bytes of UTF-8, one more than a Utf8String holds.
  EXPECT_THAT([&] { file.WriteUtf8String(std::u16string(32768, u'\u00e9')); }, testing::RaisesCode(kErrStringTooLong));
  file.WriteUtf8String(std::u16string(65535, u'a'));
  EXPECT_TRUE(file.Close());
  DataFile reader(file.Path());
  ASSERT_TRUE(reader.OpenForReading(3));  // chunks far shorter than the lines
  std::vector<std::string> lines;
  for (ByteString line; reader.ReadLine(line);) lines.push_back(line.Std());
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "", "three, longer than the buffer",
                                             std::string("ABCDEF\xFF\xFF").append(65535, 'a')}));
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
    // Destroyed without Close, as by a failed save.
  }
  EXPECT_EQ(ReadWholeFile(path), "old");
  EXPECT_EQ(platform::ListDirectory(temp.Path()).size(), 1u) << "no temporary left behind";
  DataFile file(path);
  file.CreateReplacing(16);
  file.WriteBytes("new contents");
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(ReadWholeFile(path), "new contents");
  EXPECT_EQ(platform::ListDirectory(temp.Path()).size(), 1u);
}

TEST(StoragePaths, DocumentedLayoutSessionBaseNamesAndFolders) {
  EXPECT_EQ(BuildPath(u"20090521-1852", "/card/", FileKind::kSessionHeader),
            "/card/Korvatinel/Sessions/20090521-1852-session.bin");
  EXPECT_EQ(BuildPath(u"Spa", "/card/", FileKind::kTrackProfile), "/card/Korvatinel/Tracks/Spa-track.bin");
  EXPECT_EQ(FileNameOf("/a/b/c.txt"), "c.txt");

  TempFolder temp;
  ASSERT_EQ(CreateDirectories(temp.Path() + "Korvatinel/Sessions/"), DirResult::kCreated);
  const DateTimeValue local{DateTimeValue::MakeDay(2009, 5, 21), DateTimeValue::MakeTime(18, 52, 7, 0)};
  for (const std::u16string expected : {u"20090521-1852", u"20090521-1852-1", u"20090521-1852-2"}) {
    EXPECT_EQ(UniqueSessionBaseName(temp.Path(), local).AsView(), expected);
    WriteWholeFile(BuildPath(expected, temp.Path(), FileKind::kSessionHeader), "");
  }
  WriteWholeFile(temp.Path() + "file", "x");
  EXPECT_EQ(CreateDirectories(temp.Path() + "file/sub/"), DirResult::kFailed);
}

}  // namespace
}  // namespace kv
