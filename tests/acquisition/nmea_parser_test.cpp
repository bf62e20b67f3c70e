// NmeaParser framing: line assembly, line ends, the buffer limit, the
// checksum rule, identifiers and talkers, the GGA-only mode, the SiRF
// command and Clear.
#include "acquisition/nmea_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "nmea_test_lines.h"

namespace kv {
namespace {

using nmea_test::Feed;
using nmea_test::FeedChecked;
using nmea_test::WithChecksum;

constexpr const char* kGgaExample =
    "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";

struct FrameCase {
  const char* legend;
  std::string line;  // with its line end
  SentenceType type;
};

std::vector<FrameCase> FrameCases() {
  const std::string body = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
  const std::string rmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W";
  return {
      {"example with checksum", kGgaExample, kSentenceGga},
      {"no checksum", body + "\r\n", kSentenceGga},
      {"wrong checksum", body + "*48\r\n", kSentenceNone},
      {"upper-case checksum digits", rmc + "*6A\r\n", kSentenceRmc},
      {"lower-case checksum digits", rmc + "*6a\r\n", kSentenceRmc},
      {"non-hex checksum digit", body + "*4G\r\n", kSentenceNone},
      {"one checksum digit: no checksum, the star is field text", body + "*4\r\n", kSentenceGga},
      {"character before $", std::string("x") + kGgaExample, kSentenceNone},
      {"space before $", std::string(" ") + kGgaExample, kSentenceNone},
      {"four characters", "$GPG\r\n", kSentenceNone},
      {"empty line", "\r\n", kSentenceNone},
      {"identifier alone", "$GPGGA\r\n", kSentenceGga},
      {"identifier with a comma only", "$GPGGA,\r\n", kSentenceGga},
      {"unknown sentence", WithChecksum("$GPGLL,4916.45,N,12311.12,W,225444,A"), kSentenceNone},
      {"unknown talker IN",
       WithChecksum("$INGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
       kSentenceNone},
      {"identifier with a seventh letter", WithChecksum("$GPGGAX,123519"), kSentenceNone},
      {"lower-case identifier", WithChecksum("$gpgga,123519"), kSentenceNone},
      {"proprietary sentence", WithChecksum("$PSRF151,3,1485,147236.3"), kSentenceNone},
      {"own OBD sentence", WithChecksum("$KVOBD,123519.000,0C,41 0C 1A F8"), kSentenceObd},
      {"own accelerometer sentence", WithChecksum("$KVACC,123519.000,1,2,3"), kSentenceAcc},
      {"own talker with a GNSS sentence", WithChecksum("$KVGGA,123519"), kSentenceNone},
  };
}

TEST(NmeaParserTest, ChecksumAndIdentifierTable) {
  for (const FrameCase& c : FrameCases()) {
    NmeaParser parser(false);
    parser.Append(c.line);
    ASSERT_TRUE(parser.NextSentence()) << c.legend;
    EXPECT_EQ(parser.Fix().type, c.type) << c.legend;
    EXPECT_EQ(parser.SentenceCount(), 1) << c.legend;
    EXPECT_EQ(parser.RawLine(), c.line) << c.legend;
  }
}

TEST(NmeaParserTest, GnssTalkersAreAcceptedForEverySentence) {
  const char* const talkers[] = {"GP", "GN", "GL", "GA", "GB", "BD", "GQ", "QZ"};
  const struct {
    const char* name;
    const char* fields;
    SentenceType type;
  } sentences[] = {
      {"RMC", "123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", kSentenceRmc},
      {"GGA", "123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", kSentenceGga},
      {"GSA", "A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1", kSentenceGsa},
      {"GSV", "1,1,01,03,03,111,00", kSentenceGsv},
      {"VTG", "054.7,T,034.4,M,005.5,N,010.2,K", kSentenceVtg},
      {"ZDA", "201530.00,04,07,2002,00,00", kSentenceZda},
  };
  for (const char* talker : talkers) {
    for (const auto& s : sentences) {
      NmeaParser parser(false);
      const FixRecord& fix =
          FeedChecked(parser, std::string("$") + talker + s.name + "," + s.fields);
      EXPECT_EQ(fix.type, s.type) << talker << s.name;
      EXPECT_TRUE(parser.Seen(s.type)) << talker << s.name;
      EXPECT_EQ(parser.TalkerOfLast(), talker);
    }
  }
}

TEST(NmeaParserTest, BadChecksumChangesNothingButTheType) {
  NmeaParser parser(false);
  Feed(parser, kGgaExample);
  const FixRecord before = parser.Fix();
  const FixRecord& fix =
      Feed(parser, "$GPGGA,000001,1111.111,S,02222.222,W,2,03,5.0,1.0,M,2.0,M,,*00\r\n");
  EXPECT_EQ(fix.type, kSentenceNone);
  EXPECT_EQ(fix.time, before.time);
  EXPECT_EQ(fix.latitude, before.latitude);
  EXPECT_EQ(fix.longitude, before.longitude);
  EXPECT_EQ(fix.fix_quality, before.fix_quality);
  EXPECT_EQ(fix.satellites, before.satellites);
  EXPECT_EQ(fix.altitude, before.altitude);
  EXPECT_EQ(fix.valid.latitude, 1);

  Feed(parser, "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*38\r\n");
  EXPECT_FALSE(parser.Seen(kSentenceGsa)) << "a bad checksum sets no seen flag";
  EXPECT_EQ(parser.SentenceCount(), 3);
}

// --- Line ends ---

TEST(NmeaParserTest, LineEndsAtCrLfAndAtBareLf) {
  NmeaParser parser(false);
  const std::string lf_line = WithChecksum("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K", "\n");
  parser.Append(std::string(kGgaExample) + lf_line);
  ASSERT_TRUE(parser.NextSentence());
  EXPECT_EQ(parser.Fix().type, kSentenceGga);
  EXPECT_EQ(parser.RawLine(), kGgaExample);
  ASSERT_TRUE(parser.NextSentence());
  EXPECT_EQ(parser.Fix().type, kSentenceVtg)
      << "a bare LF ends a line and is no part of the sentence";
  EXPECT_EQ(parser.RawLine(), lf_line);
  EXPECT_FALSE(parser.NextSentence());
}

TEST(NmeaParserTest, CrLfSplitAcrossAppendsEndsOneLine) {
  NmeaParser parser(false);
  const std::string line = kGgaExample;
  parser.Append(line.substr(0, line.size() - 1));  // up to and including '\r'
  EXPECT_FALSE(parser.NextSentence());
  parser.Append("\n");
  ASSERT_TRUE(parser.NextSentence());
  EXPECT_EQ(parser.Fix().type, kSentenceGga) << "the CR must not stay in the checksum field";
  EXPECT_EQ(parser.RawLine(), line);
  EXPECT_FALSE(parser.NextSentence());
}

TEST(NmeaParserTest, BareCrDoesNotEndALine) {
  NmeaParser parser(false);
  std::string line = kGgaExample;
  line.pop_back();  // "...*47\r"
  parser.Append(line);
  parser.Append(line);
  EXPECT_FALSE(parser.NextSentence());
  parser.Append("\n");
  ASSERT_TRUE(parser.NextSentence());
  EXPECT_EQ(parser.Fix().type, kSentenceNone) << "two sentences joined by a CR are one bad line";
}

TEST(NmeaParserTest, LinesArriveByteByByte) {
  NmeaParser parser(false);
  const std::string text = std::string(kGgaExample) + kGgaExample;
  int taken = 0;
  for (const char c : text) {
    parser.Append(std::string_view(&c, 1));
    while (parser.NextSentence()) {
      ++taken;
      EXPECT_EQ(parser.Fix().type, kSentenceGga);
      EXPECT_EQ(parser.RawLine(), kGgaExample);
    }
  }
  EXPECT_EQ(taken, 2);
}

TEST(NmeaParserTest, RawLineHandedBackToAppendIsParsedAgain) {
  NmeaParser parser(false);
  Feed(parser, kGgaExample);
  parser.Append(parser.RawLine());
  ASSERT_TRUE(parser.NextSentence());
  EXPECT_EQ(parser.Fix().type, kSentenceGga);
  EXPECT_EQ(parser.RawLine(), kGgaExample);
}

// --- The 20000-byte limit ---

TEST(NmeaParserTest, BufferReaching20000BytesIsDroppedBeforeTheNewText) {
  NmeaParser parser(false);
  parser.Append(std::string(19999, 'x'));
  parser.Append("\n");  // 19999 + 1 = 20000: the x's go
  ASSERT_TRUE(parser.NextSentence());
  EXPECT_EQ(parser.RawLine(), "\n");
  EXPECT_FALSE(parser.NextSentence());
}

TEST(NmeaParserTest, BufferBelow20000BytesIsKept) {
  NmeaParser parser(false);
  parser.Append(std::string(19998, 'x'));
  parser.Append("\n");  // 19999 in all
  ASSERT_TRUE(parser.NextSentence());
  EXPECT_EQ(parser.RawLine().size(), 19999u);
}

TEST(NmeaParserTest, OnlyUnreadTextCountsTowardsTheLimit) {
  NmeaParser parser(false);
  for (int i = 0; i < 1000; ++i) {  // 68 kB through the parser, read as it comes
    parser.Append(kGgaExample);
    ASSERT_TRUE(parser.NextSentence());
    ASSERT_EQ(parser.Fix().type, kSentenceGga) << "line " << i;
  }
  // A partial line waiting for its end survives the texts that follow.
  const std::string line = kGgaExample;
  parser.Append(line.substr(0, 30));
  for (int i = 0; i < 400; ++i) parser.Append(std::string(40, ' '));  // 16 kB unread
  parser.Append(line.substr(30));
  ASSERT_TRUE(parser.NextSentence());
  EXPECT_EQ(parser.RawLine().size(), 30 + 16000 + line.size() - 30);
}

TEST(NmeaParserTest, OneAppendOfMoreThan20000BytesIsKept) {
  NmeaParser parser(false);
  std::string text;
  while (text.size() < 30000) text += kGgaExample;
  parser.Append(text);
  int taken = 0;
  while (parser.NextSentence()) ++taken;
  EXPECT_EQ(static_cast<size_t>(taken), text.size() / std::string(kGgaExample).size());
}

// --- Modes, SiRF, Clear ---

TEST(NmeaParserTest, GgaOnlyCountsOtherSentencesWithoutParsingThem) {
  NmeaParser parser(true);
  const FixRecord& fix =
      FeedChecked(parser, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");
  EXPECT_EQ(parser.SentenceCount(), 1);
  EXPECT_TRUE(parser.Seen(kSentenceRmc));
  EXPECT_EQ(fix.type, kSentenceNone);
  EXPECT_EQ(fix.valid.speed, 0);
  EXPECT_FALSE(IsSet(fix.speed));
  EXPECT_FALSE(IsSet(fix.course));
  EXPECT_EQ(fix.valid.time, 0);
  Feed(parser, kGgaExample);
  EXPECT_EQ(fix.type, kSentenceGga);
  EXPECT_EQ(fix.satellites, 8);
}

TEST(NmeaParserTest, SirfCommandAtThe51stSentenceOnce) {
  NmeaParser parser(true);
  std::string outgoing = "keep";
  for (int i = 0; i < 50; ++i) {
    Feed(parser, kGgaExample);
    EXPECT_FALSE(parser.CheckSirf(&outgoing)) << "after " << i + 1 << " sentences";
  }
  EXPECT_EQ(outgoing, "keep");
  Feed(parser, kGgaExample);
  EXPECT_TRUE(parser.CheckSirf(&outgoing));
  EXPECT_EQ(outgoing, "keep$PSRF101,0,0,0,000,0,0,12,8*1C\r\n");
  Feed(parser, kGgaExample);
  EXPECT_FALSE(parser.CheckSirf(&outgoing));
  EXPECT_EQ(outgoing, "keep$PSRF101,0,0,0,000,0,0,12,8*1C\r\n");

  parser.Clear();
  for (int i = 0; i < 51; ++i) Feed(parser, kGgaExample);
  EXPECT_TRUE(parser.CheckSirf(&outgoing)) << "Clear allows one more";
}

TEST(NmeaParserTest, NoSirfCommandWhenTheExpectedSetIsSeen) {
  NmeaParser parser(true);  // seen flags are set in GGA-only mode too
  FeedChecked(parser, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");
  FeedChecked(parser, "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
  FeedChecked(parser, "$GLGSV,1,1,01,03,03,111,00");
  for (int i = 0; i < 60; ++i) Feed(parser, kGgaExample);
  std::string outgoing;
  EXPECT_FALSE(parser.CheckSirf(&outgoing));
  EXPECT_TRUE(outgoing.empty());
}

TEST(NmeaParserTest, RejectedLinesCountTowardsTheSirfCommand) {
  NmeaParser parser(false);
  for (int i = 0; i < 51; ++i) Feed(parser, "garbage\r\n");
  std::string outgoing;
  EXPECT_TRUE(parser.CheckSirf(&outgoing));
}

TEST(NmeaParserTest, ClearForgetsEverything) {
  NmeaParser parser(false);
  Feed(parser, kGgaExample);
  FeedChecked(parser, "$GPGSV,1,1,01,03,03,111,00");
  FeedChecked(parser, "$KVACC,123519.000,1,2,3");
  FeedChecked(parser, "$KVOBD,123519.000,0C,41 0C 1A F8");
  parser.Append("$GPGGA,1235");  // partial line
  parser.Clear();

  const FixRecord& fix = parser.Fix();
  EXPECT_EQ(parser.SentenceCount(), 0);
  for (int t = kSentenceRmc; t <= kSentenceAcc; ++t)
    EXPECT_FALSE(parser.Seen(SentenceType(t))) << t;
  EXPECT_TRUE(parser.RawLine().empty());
  EXPECT_TRUE(parser.TalkerOfLast().empty());
  EXPECT_FALSE(parser.NextSentence()) << "the partial line is gone";
  EXPECT_EQ(fix.type, kSentenceNone);
  EXPECT_FALSE(IsSet(fix.latitude));
  EXPECT_EQ(fix.valid.latitude, 0);
  EXPECT_EQ(fix.valid.time, 0);
  EXPECT_EQ(fix.sky_count, 0);
  EXPECT_EQ(fix.sky_complete, 0);
  EXPECT_EQ(fix.in_view, 0);
  EXPECT_EQ(fix.obd.valid, 0);
  EXPECT_EQ(fix.acc_valid, 0);
  EXPECT_EQ(fix.gsv_group_size, 0);
  EXPECT_EQ(fix.gsv_last_message, 0);

  // The GSV group state went too: a message 2 without its message 1 is ignored.
  FeedChecked(parser, "$GPGSV,2,2,05,04,15,270,00");
  EXPECT_EQ(parser.Fix().sky_complete, 0);
  Feed(parser, "rest\r\n");
  EXPECT_EQ(parser.RawLine(), "rest\r\n");
}

TEST(NmeaParserTest, TalkerOfLastLine) {
  NmeaParser parser(false);
  EXPECT_EQ(parser.TalkerOfLast(), "");
  FeedChecked(parser, "$GNRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");
  EXPECT_EQ(parser.TalkerOfLast(), "GN");
  Feed(parser, "$INDPT,2.3,0.0*46\r\n");
  EXPECT_EQ(parser.TalkerOfLast(), "IN") << "unknown sentences show their talker too";
  Feed(parser, "$GPGGA,1*00\r\n");
  EXPECT_EQ(parser.TalkerOfLast(), "GP") << "as do lines with a bad checksum";
  Feed(parser, "\x1b[H$GPGGA\r\n");
  EXPECT_EQ(parser.TalkerOfLast(), "");
  Feed(parser, "$1x\r\n");
  EXPECT_EQ(parser.TalkerOfLast(), "");
}

}  // namespace
}  // namespace kv
