// NmeaParser framing: line assembly, line ends, the buffer limit, the
// GGA-only mode, the SiRF command and Clear. The checksum rule, identifiers
// and talkers are in the golden file of nmea_sentences_test.
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
      {"an empty line is a line", {"\r\n"}, {"\r\n"}, kSentenceNone},
      {"$$ starts the sentence at the second $", {"$" + kGga}, {"$" + kGga}, kSentenceGga},
      // Regression: the checksum of a CR CR LF line was not looked at.
      {"CR CR LF, checksum right", {cr_only + "\r\n"}, {cr_only + "\r\n"}, kSentenceGga},
      {"CR CR LF, sentence damaged", {"$GPGGA,9" + kGga.substr(8, kGga.size() - 9) + "\r\n"},
       {"$GPGGA,9" + kGga.substr(8, kGga.size() - 9) + "\r\n"}, kSentenceNone},
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

}  // namespace
}  // namespace kv
