#include "acquisition/obd_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/nmea_parser.h"

namespace kv {
namespace {

// Drives an engine the way the reader thread does, with a tick counter the
// test moves by hand.
struct Adapter {
  uint32_t now = 1000;
  GpsClock clock{[this] { return now; }};
  ObdEngine engine{clock};
  std::string outgoing, incoming;

  Adapter() { engine.StartEngine(now, &outgoing); }
  // Lets held commands go out.
  void Wait(uint32_t ms) {
    now += ms;
    engine.SendDue(now, &outgoing);
  }
  void Reply(const std::string& bytes) {
    engine.OnBytes(bytes);
    engine.Poll(now, &outgoing, &incoming);
  }
  std::string Take() {
    std::string sent;
    sent.swap(outgoing);
    return sent;
  }
  // Through echo-off and the support query, into polling.
  void ToPolling() {
    Wait(1000);
    EXPECT_EQ(Take(), "ATE0\r");
    Reply("OK\r\r>");
    EXPECT_EQ(Take(), "01 00\r");
    Reply("41 00 BE 1F B8 10 \r\r>");
  }
};

TEST(ObdEngine, EchoOffIsHeld1000MsAfterConnection) {
  Adapter a;
  EXPECT_EQ(a.Take(), "");
  EXPECT_EQ(a.engine.SendDue(a.now + 400, &a.outgoing), 600);
  a.Wait(999);
  EXPECT_EQ(a.Take(), "");
  a.Wait(1);
  EXPECT_EQ(a.Take(), "ATE0\r");
  EXPECT_EQ(a.engine.State(), 1);
}

TEST(ObdEngine, PollsHighPriorityPidsWithOneLowPriorityPidAfterEveryFifthPass) {
  Adapter a;
  a.engine.AddChannel(0x0C, 2);
  a.engine.AddChannel(0x0D, 2);
  a.engine.AddChannel(0x05, 1);
  a.ToPolling();
  std::vector<std::string> asked;
  for (int i = 0; i < 24; ++i) {
    asked.push_back(a.Take());
    a.Reply("41 0C 00 00\r\r>");
  }
  std::string order;
  for (const std::string& request : asked) order += request.substr(3, 2) + " ";
  EXPECT_EQ(order,
            "0C 0D 0C 0D 0C 0D 0C 0D 0C 0D 05 0C 0D 0C 0D 0C 0D 0C 0D 0C 0D 05 0C 0D ");
}

TEST(ObdEngine, OnlyLowPriorityPidsGoRoundRobinAndNoPidsAsksPid00) {
  Adapter a;
  a.ToPolling();
  EXPECT_EQ(a.Take(), "01 00\r") << "nothing chosen: PID 00";
  a.engine.AddChannel(0x105, 1);  // reduced to 8 bits
  a.engine.AddChannel(0x0F, 0);
  a.Reply("41 00 00 00 00 00\r>");
  EXPECT_EQ(a.Take(), "01 05\r");
  a.Reply("41 05 50\r>");
  EXPECT_EQ(a.Take(), "01 0F\r");
  a.Reply("41 0F 50\r>");
  EXPECT_EQ(a.Take(), "01 05\r");
}

TEST(ObdEngine, QuestionMarkInEchoOffSendsEchoOffAgain) {
  Adapter a;
  a.Wait(1000);
  EXPECT_EQ(a.Take(), "ATE0\r");
  a.Reply("?\r\r>");
  a.Wait(1000);
  EXPECT_EQ(a.Take(), "ATE0\r");
  EXPECT_EQ(a.engine.State(), 1);
  a.Reply("OK\r\r>");
  EXPECT_EQ(a.Take(), "01 00\r");
}

TEST(ObdEngine, FiveUnableToConnectInARowResetTheAdapterThenEchoOffAfter5000Ms) {
  Adapter a;
  a.engine.AddChannel(0x0C, 2);
  a.ToPolling();
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(a.Take(), "01 0C\r") << "reply " << i;
    a.Reply("UNABLE TO CONNECT\r\r>");
  }
  EXPECT_EQ(a.engine.ErrorScore(), 16);
  EXPECT_EQ(a.Take(), "01 0C\r");
  a.Reply("UNABLE TO CONNECT\r\r>");
  EXPECT_EQ(a.Take(), "ATZ\r");
  EXPECT_EQ(a.engine.ErrorScore(), 0);
  a.Reply("\r\rELM327 v1.5\r\r>");
  a.Wait(4999);
  EXPECT_EQ(a.Take(), "");
  a.Wait(1);
  EXPECT_EQ(a.Take(), "ATE0\r");
  a.Reply("OK\r>");
  EXPECT_EQ(a.Take(), "01 00\r");
}

TEST(ObdEngine, SearchingProgressBeforeUnableToConnectDoesNotClearTheScore) {
  Adapter a;
  a.engine.AddChannel(0x0C, 2);
  a.ToPolling();
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(a.Take(), "01 0C\r");
    a.Reply("SEARCHING...\rUNABLE TO CONNECT\r\r>");
  }
  EXPECT_EQ(a.Take(), "ATZ\r");
}

TEST(ObdEngine, AnyOtherReplyClearsTheErrorScore) {
  Adapter a;
  a.engine.AddChannel(0x0C, 2);
  a.ToPolling();
  for (int i = 0; i < 19; ++i) {
    a.Take();
    a.Reply("NO DATA\r>");
  }
  EXPECT_EQ(a.engine.ErrorScore(), 19);
  a.Take();
  a.Reply("41 0C 1A F8\r>");
  EXPECT_EQ(a.engine.ErrorScore(), 0);
  EXPECT_EQ(a.Take(), "01 0C\r");
}

TEST(ObdEngine, EachReplyBecomesOneSentenceThatTheParserAccepts) {
  Adapter a;
  a.engine.AddChannel(0x0C, 2);
  a.ToPolling();
  a.Take();
  a.Reply("41 0C 1A F8 \r\r>");
  NmeaParser parser(false);
  parser.Append(a.incoming);
  ASSERT_TRUE(parser.NextSentence());
  EXPECT_EQ(parser.RawLine().substr(0, 30), "$KVOBD,,00,41 00 BE 1F B8 10 *")
      << "the support query's reply, empty time before a fix";
  EXPECT_EQ(parser.Fix().type, kSentenceObd) << "checksum accepted";
  EXPECT_EQ(parser.Fix().obd.pid, 0x00u);
  ASSERT_TRUE(parser.NextSentence());
  EXPECT_EQ(parser.Fix().type, kSentenceObd);
  EXPECT_EQ(parser.Fix().obd.pid, 0x0Cu);
  EXPECT_EQ(parser.Fix().obd.byte_count, 4);
  EXPECT_FALSE(parser.NextSentence());
}

TEST(ObdEngine, EchoOffReplyAndPromptOutsidePollingEmitNothing) {
  Adapter a;
  a.Wait(1000);
  a.Reply("ATE0\rOK\r\r>");
  EXPECT_EQ(a.incoming, "");
}

TEST(ObdEngine, RepliesSplitAcrossBlocksAreJoined) {
  Adapter a;
  a.ToPolling();
  a.incoming.clear();
  a.Take();
  a.Reply("41 00 ");
  a.Reply("00 00 00 00\r");
  a.Reply(">");
  EXPECT_EQ(a.incoming, MakeObdSentence(kNotSet, 0x00, "41 00 00 00 00 00"));
}

TEST(ObdSentence, TimeOfDayIsTakenModuloOneDay) {
  EXPECT_EQ(MakeObdSentence(kNotSet, 0x0C, "NO DATA").substr(0, 11), "$KVOBD,,0C,");
  EXPECT_EQ(MakeObdSentence(12 * 3600000 + 35 * 60000 + 19 * 1000 + 7, 0x0D, "41 0D 20").substr(0, 22),
            "$KVOBD,123519.007,0D,4");
  EXPECT_EQ(MakeObdSentence(86400000 + 1500, 0x0D, "x").substr(0, 18), "$KVOBD,000001.500,");
}

TEST(ObdEngine, ResetEmptiesThePidListsAndStartsAgain) {
  Adapter a;
  a.engine.AddChannel(0x0C, 2);
  a.ToPolling();
  a.Take();
  a.engine.ResetEngine();
  EXPECT_EQ(a.engine.State(), 0);
  a.engine.StartEngine(a.now, &a.outgoing);  // the reconnection
  a.Wait(1000);
  EXPECT_EQ(a.Take(), "ATE0\r");
  a.Reply("OK\r>");
  a.Take();
  a.Reply("41 00 00 00 00 00\r>");
  EXPECT_EQ(a.Take(), "01 00\r") << "the PID lists were emptied";
}

TEST(ObdEngine, GarbageWithoutLineEndsIsDroppedAtTheInputBound) {
  Adapter a;
  a.ToPolling();
  a.incoming.clear();
  a.engine.OnBytes(std::string(ObdEngine::kMaxInput - 10, 'x'));
  a.Reply("41 00 00 00 00 00\r>");
  EXPECT_EQ(a.incoming, MakeObdSentence(kNotSet, 0x00, "41 00 00 00 00 00"));
}

}  // namespace
}  // namespace kv
