// The ELM327 conversation, driven the way the reader thread drives it, with
// a tick counter the test moves by hand.
#include "acquisition/obd_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/nmea_parser.h"

namespace kv {
namespace {

// A conversation, one step per entry:
//   "+N"  N milliseconds pass, then held commands go out
//   "<T"  the adapter sends T
//   ">T"  the engine has sent T (plus "\r") since the last check; ">" nothing
//   "*P Q ..." the engine asks for PIDs P, Q ... in turn, each answered "41 P 00"
//   "#N"  the error score is N
//   "$T"  the sentences emitted since the last check are T
//   "R"   the adapter reconnects: the engine is reset and started again
using Script = std::vector<std::string>;

Script operator+(Script a, const Script& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Script Repeat(int times, const Script& steps) {
  Script all;
  for (int i = 0; i < times; ++i) all = all + steps;
  return all;
}

const Script kToPolling = {"+1000",
                           ">ATE0",
                           "<OK\r\r>",
                           ">01 00",
                           "<41 00 BE 1F B8 10 \r\r>",
                           std::string("$").append(MakeObdSentence(kNotSet, 0x00, "41 00 BE 1F B8 10 "))};

void Play(const char* legend, const std::vector<std::pair<int32_t, int32_t>>& channels, const Script& script) {
  uint32_t now = 1000;
  GpsClock clock([&now] { return now; });
  ObdEngine engine(clock);
  std::string outgoing, incoming;
  for (const auto& [pid, priority] : channels) engine.AddChannel(pid, priority);
  engine.StartEngine(now, &outgoing);
  const auto take = [](std::string& text) { return std::exchange(text, std::string()); };
  const auto reply = [&](const std::string& text) {
    engine.OnBytes(text);
    engine.Poll(now, &outgoing, &incoming);
  };
  for (size_t i = 0; i < script.size(); ++i) {
    const std::string& step = script[i];
    const std::string arg = step.substr(1);
    const std::string where = std::string(legend) + ", step " + std::to_string(i) + " " + step;
    if (step[0] == '+') {
      now += static_cast<uint32_t>(std::stoi(arg));
      engine.SendDue(now, &outgoing);
    } else if (step[0] == '<') {
      reply(arg);
    } else if (step[0] == '>') {
      EXPECT_EQ(take(outgoing), arg.empty() ? "" : arg + "\r") << where;
    } else if (step[0] == '*') {
      for (size_t at = 0; at < arg.size(); at += 3) {
        const std::string pid = arg.substr(at, 2);
        EXPECT_EQ(take(outgoing), "01 " + pid + "\r") << where << " at " << at / 3;
        reply("41 " + pid + " 00\r>");
      }
    } else if (step[0] == '#') {
      EXPECT_EQ(engine.ErrorScore(), std::stoi(arg)) << where;
    } else if (step[0] == '$') {
      EXPECT_EQ(take(incoming), arg) << where;
    } else if (step == "R") {
      engine.ResetEngine();
      engine.StartEngine(now, &outgoing);
    }
  }
}

TEST(ObdEngine, Conversations) {
  const std::string unable = "<UNABLE TO CONNECT\r\r>";
  Play("echo off is held 1000 ms after the connection", {}, {">", "+999", ">", "+1", ">ATE0"});
  Play("one low-priority PID after every fifth pass", {{0x0C, 2}, {0x0D, 2}, {0x05, 1}},
       kToPolling + Script{"*0C 0D 0C 0D 0C 0D 0C 0D 0C 0D 05 0C 0D 0C 0D 0C 0D 0C 0D 0C 0D 05 0C"});
  Play("low-priority PIDs alone go round, reduced to 8 bits", {{0x105, 1}, {0x0F, 0}},
       kToPolling + Script{"*05 0F 05"});
  Play("no PIDs chosen: PID 00", {}, kToPolling + Script{"*00 00"});
  Play("five UNABLE TO CONNECT reset the adapter, then echo off after 5000 ms", {{0x0C, 2}},
       kToPolling + Repeat(4, {">01 0C", unable}) +
           Script{"#16", ">01 0C", unable, ">ATZ", "#0", "<\r\rELM327 v1.5\r\r>", "+4999", ">", "+1", ">ATE0", "<OK\r>",
                  ">01 00"});
  Play("SEARCHING... before UNABLE TO CONNECT does not clear the score", {{0x0C, 2}},
       kToPolling + Repeat(5, {">01 0C", "<SEARCHING...\rUNABLE TO CONNECT\r\r>"}) + Script{">ATZ"});
  Play("any other reply clears the score", {{0x0C, 2}},
       kToPolling + Repeat(19, {">01 0C", "<NO DATA\r>"}) + Script{"#19", ">01 0C", "<41 0C 1A F8\r>", "#0"});
  Play("echo-off reply and prompt outside polling emit nothing", {}, {"+1000", "<ATE0\rOK\r\r>", "$"});
  Play("a reply split across blocks is joined", {},
       kToPolling + Script{">01 00", "<41 00 ", "<00 00 00 00\r", "<>",
                           std::string("$").append(MakeObdSentence(kNotSet, 0x00, "41 00 00 00 00 00"))});
  Play("a reset empties the PID lists", {{0x0C, 2}},
       kToPolling + Script{">01 0C", "R", "+1000", ">ATE0", "<OK\r>", ">01 00", "<41 00 00 00 00 00\r>", ">01 00"});
  Play("garbage without line ends is dropped at the input bound", {},
       kToPolling + Script{">01 00", std::string("<").append(ObdEngine::kMaxInput - 10, 'x'), "<41 00 00 00 00 00\r>",
                           std::string("$").append(MakeObdSentence(kNotSet, 0x00, "41 00 00 00 00 00"))});
}

TEST(ObdEngine, EachReplyBecomesOneSentenceThatTheParserAccepts) {
  uint32_t now = 1000;
  GpsClock clock([&now] { return now; });
  ObdEngine engine(clock);
  std::string outgoing, incoming;
  engine.AddChannel(0x0C, 2);
  engine.StartEngine(now, &outgoing);
  engine.SendDue(now += 1000, &outgoing);
  for (const char* reply : {"OK\r\r>", "41 00 BE 1F B8 10 \r\r>", "41 0C 1A F8 \r\r>"}) {
    engine.OnBytes(reply);
    engine.Poll(now, &outgoing, &incoming);
  }
  NmeaParser parser(false);
  parser.Append(incoming);
  ASSERT_TRUE(parser.NextSentence());
  EXPECT_EQ(parser.RawLine().substr(0, 30), "$KVOBD,,00,41 00 BE 1F B8 10 *") << "empty time before a fix";
  EXPECT_EQ(parser.Fix().type, kSentenceObd) << "checksum accepted";
  ASSERT_TRUE(parser.NextSentence());
  EXPECT_EQ(parser.Fix().obd.pid, 0x0Cu);
  EXPECT_EQ(parser.Fix().obd.byte_count, 4);
  EXPECT_FALSE(parser.NextSentence());
}

TEST(ObdSentence, TimeOfDayIsTakenModuloOneDay) {
  EXPECT_EQ(MakeObdSentence(12 * 3600000 + 35 * 60000 + 19 * 1000 + 7, 0x0D, "41 0D 20").substr(0, 22),
            "$KVOBD,123519.007,0D,4");
  EXPECT_EQ(MakeObdSentence(86400000 + 1500, 0x0D, "x").substr(0, 18), "$KVOBD,000001.500,");
}

}  // namespace
}  // namespace kv
