// NmeaParser framing: line assembly, line ends, the buffer limit, the
// checksum rule, identifiers and talkers, the GGA-only mode, the SiRF
// command and Clear.
#include "acquisition/nmea_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nmea_test_lines.h"

namespace kv {
namespace {

using nmea_test::Feed;
using nmea_test::FeedChecked;
using nmea_test::WithChecksum;

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
const std::string kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W";

// The talker shows for every line that starts with '$' and two capitals,
// whether or not the line was accepted.
TEST(NmeaParserTest, ChecksumIdentifierAndTalkerTable) {
  const std::string body = kGga.substr(0, kGga.size() - 5);  // up to the '*'
  const struct {
    const char* legend;
    std::string line;  // with its line end
    SentenceType type;
    const char* talker;
  } cases[] = {
      {"example with checksum", kGga, kSentenceGga, "GP"},
      {"no checksum", body + "\r\n", kSentenceGga, "GP"},
      {"wrong checksum", body + "*48\r\n", kSentenceNone, "GP"},
      {"lower-case checksum digits", kRmc + "*6a\r\n", kSentenceRmc, "GP"},
      {"non-hex checksum digit", body + "*4G\r\n", kSentenceNone, "GP"},
      {"one checksum digit: no checksum, the star is field text", body + "*4\r\n", kSentenceGga, "GP"},
      {"character before $", "\x1b[H" + kGga, kSentenceNone, ""},
      {"empty line", "\r\n", kSentenceNone, ""},
      {"identifier alone", "$GPGGA\r\n", kSentenceGga, "GP"},
      {"unknown sentence", WithChecksum("$GPGLL,4916.45,N,12311.12,W,225444,A"), kSentenceNone, "GP"},
      {"unknown talker", WithChecksum("$INGGA,123519,4807.038,N"), kSentenceNone, "IN"},
      {"identifier with a seventh letter", WithChecksum("$GPGGAX,123519"), kSentenceNone, "GP"},
      {"lower-case identifier", WithChecksum("$gpgga,123519"), kSentenceNone, ""},
      {"GN RMC", WithChecksum("$GNRMC,1"), kSentenceRmc, "GN"},
      {"GL GSV", WithChecksum("$GLGSV,1"), kSentenceGsv, "GL"},
      {"GA GSA", WithChecksum("$GAGSA,1"), kSentenceGsa, "GA"},
      {"GB VTG", WithChecksum("$GBVTG,1"), kSentenceVtg, "GB"},
      {"BD ZDA", WithChecksum("$BDZDA,1"), kSentenceZda, "BD"},
      {"GQ GGA", WithChecksum("$GQGGA,1"), kSentenceGga, "GQ"},
      {"QZ GSV", WithChecksum("$QZGSV,1"), kSentenceGsv, "QZ"},
      {"own OBD sentence", WithChecksum("$KVOBD,123519.000,0C,41 0C 1A F8"), kSentenceObd, "KV"},
      {"own accelerometer sentence", WithChecksum("$KVACC,123519.000,1,2,3"), kSentenceAcc, "KV"},
      {"own talker with a GNSS sentence", WithChecksum("$KVGGA,123519"), kSentenceNone, "KV"},
  };
  for (const auto& c : cases) {
    NmeaParser parser(false);
    parser.Append(c.line);
    ASSERT_TRUE(parser.NextSentence()) << c.legend;
    EXPECT_EQ(parser.Fix().type, c.type) << c.legend;
    EXPECT_EQ(parser.TalkerOfLast(), c.talker) << c.legend;
    EXPECT_EQ(parser.SentenceCount(), 1) << c.legend;
    EXPECT_EQ(parser.RawLine(), c.line) << c.legend;
    EXPECT_EQ(parser.Seen(c.type), c.type != kSentenceNone) << c.legend;
  }
}

TEST(NmeaParserTest, BadChecksumChangesNothingButTheType) {
  NmeaParser parser(false);
  const FixRecord before = Feed(parser, kGga);
  const FixRecord& fix = Feed(parser, "$GPGGA,000001,1111.111,S,02222.222,W,2,03,5.0,1.0,M,2.0,M,,*00\r\n");
  EXPECT_EQ(fix.type, kSentenceNone);
  EXPECT_EQ(fix.time, before.time);
  EXPECT_EQ(fix.latitude, before.latitude);
  EXPECT_EQ(fix.satellites, before.satellites);
  EXPECT_EQ(fix.valid.latitude, 1);
  Feed(parser, "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*38\r\n");
  EXPECT_FALSE(parser.Seen(kSentenceGsa)) << "a bad checksum sets no seen flag";
}

// Appends the pieces one by one, taking lines as they complete.
std::vector<std::string> TakeLines(NmeaParser& parser, const std::vector<std::string>& pieces) {
  std::vector<std::string> lines;
  for (const std::string& piece : pieces) {
    parser.Append(piece);
    while (parser.NextSentence()) lines.emplace_back(parser.RawLine());
  }
  return lines;
}

TEST(NmeaParserTest, LineEnds) {
  const std::string vtg = WithChecksum("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K", "\n");
  const std::string cr_only = kGga.substr(0, kGga.size() - 1);
  const struct {
    const char* legend;
    std::vector<std::string> pieces, lines;
    SentenceType last_type;
  } cases[] = {
      {"CR LF, then a bare LF", {kGga + vtg}, {kGga, vtg}, kSentenceVtg},
      {"a bare CR does not end a line", {cr_only, cr_only, "\n"}, {cr_only + kGga}, kSentenceNone},
  };
  for (const auto& c : cases) {
    NmeaParser parser(false);
    EXPECT_EQ(TakeLines(parser, c.pieces), c.lines) << c.legend;
    EXPECT_EQ(parser.Fix().type, c.last_type) << c.legend;
  }
}

TEST(NmeaParserTest, RawLineHandedBackToAppendIsParsedAgain) {
  NmeaParser parser(false);
  Feed(parser, kGga);
  EXPECT_EQ(Feed(parser, parser.RawLine()).type, kSentenceGga);
  EXPECT_EQ(parser.RawLine(), kGga);
}

// Unread text that would reach 20000 bytes with the new text is dropped.
TEST(NmeaParserTest, BufferLimit) {
  NmeaParser parser(false);
  EXPECT_EQ(TakeLines(parser, {std::string(19999, 'x'), "\n"}), std::vector<std::string>{"\n"});
  EXPECT_EQ(TakeLines(parser, {std::string(19998, 'x'), "\n"}).at(0).size(), 19999u);

  // Lines read as they come do not count; a partial line survives what follows.
  std::vector<std::string> pieces(1000, kGga);
  pieces.push_back(kGga.substr(0, 30));
  for (int i = 0; i < 400; ++i) pieces.push_back(std::string(40, ' '));
  pieces.push_back(kGga.substr(30));
  const std::vector<std::string> lines = TakeLines(parser, pieces);
  ASSERT_EQ(lines.size(), 1001u);
  EXPECT_EQ(lines.back().size(), 16000 + kGga.size());

  // One append larger than the limit is kept whole.
  std::string text;
  while (text.size() < 30000) text += kGga;
  EXPECT_EQ(TakeLines(parser, {text}).size(), text.size() / kGga.size());
}

TEST(NmeaParserTest, GgaOnlyCountsOtherSentencesWithoutParsingThem) {
  NmeaParser parser(true);
  const FixRecord& fix = FeedChecked(parser, kRmc);
  EXPECT_EQ(parser.SentenceCount(), 1);
  EXPECT_TRUE(parser.Seen(kSentenceRmc));
  EXPECT_EQ(fix.type, kSentenceNone);
  EXPECT_EQ(fix.valid.speed + fix.valid.time, 0);
  EXPECT_EQ(Feed(parser, kGga).satellites, 8);
}

TEST(NmeaParserTest, SirfCommandAtThe51stSentenceOnce) {
  NmeaParser parser(false);
  std::string outgoing = "keep";
  for (int i = 0; i < 50; ++i) Feed(parser, i % 2 ? kGga : "garbage\r\n");  // rejected lines count too
  EXPECT_FALSE(parser.CheckSirf(&outgoing));
  Feed(parser, kGga);
  EXPECT_TRUE(parser.CheckSirf(&outgoing));
  EXPECT_EQ(outgoing, "keep$PSRF101,0,0,0,000,0,0,12,8*1C\r\n");
  Feed(parser, kGga);
  EXPECT_FALSE(parser.CheckSirf(&outgoing));
  parser.Clear();
  for (int i = 0; i < 51; ++i) Feed(parser, kGga);
  EXPECT_TRUE(parser.CheckSirf(&outgoing)) << "Clear allows one more";

  NmeaParser full_set(true);  // seen flags are set in GGA-only mode too
  for (const char* line : {kRmc.c_str(), "$GPGSA,A,3,04,05,,09", "$GLGSV,1,1,01,03,03,111,00"})
    FeedChecked(full_set, line);
  for (int i = 0; i < 60; ++i) Feed(full_set, kGga);
  EXPECT_FALSE(full_set.CheckSirf(&outgoing)) << "RMC, GGA, GSA and GSV seen: no command";
}

TEST(NmeaParserTest, ClearForgetsEverything) {
  NmeaParser parser(false);
  FeedChecked(parser, "$GPGSV,2,1,05,01,10,100,20");
  FeedChecked(parser, kRmc);
  Feed(parser, kGga);
  parser.Append("$GPGGA,1235");  // partial line
  parser.Clear();
  EXPECT_EQ(parser.SentenceCount(), 0);
  EXPECT_FALSE(parser.Seen(kSentenceGga));
  EXPECT_TRUE(parser.RawLine().empty());
  EXPECT_TRUE(parser.TalkerOfLast().empty());
  EXPECT_FALSE(IsSet(parser.Fix().latitude));
  EXPECT_FALSE(parser.NextSentence()) << "the partial line is gone";
  // The GSV group went too: a message 2 without its message 1 is ignored.
  EXPECT_EQ(FeedChecked(parser, "$GPGSV,2,2,05,04,15,270,00").sky_complete, 0);
}

}  // namespace
}  // namespace kv
