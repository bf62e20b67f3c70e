// The ELM327 conversation, driven the way the reader thread drives it, with
// a tick counter the test moves by hand, against the golden file
// tests/data/acquisition/obd_conversations.txt(.chk), which lists the steps.
#include "acquisition/obd_engine.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

#include "acquisition/nmea_parser.h"
#include "util/golden_file.h"

namespace kv {
namespace {

std::string Take(std::string& text) { return std::exchange(text, std::string()); }

// "\r" and "\n" spelt out, as in the data file.
std::string Escaped(std::string text) {
  for (size_t at; (at = text.find_first_of("\r\n")) != std::string::npos;)
    text.replace(at, 1, text[at] == '\r' ? "\\r" : "\\n");
  return text;
}

class Conversation {
 public:
  std::string Step(const std::string& step) {
    std::istringstream words(step);
    std::string word, result;
    words >> word;
    const auto add = [&](const char* label, const std::string& text) {
      result.append(result.empty() ? "" : "; ").append(label).append(text);
    };
    const int32_t score = engine_.ErrorScore();
    if (word == "start") engine_.StartEngine(now_, &outgoing_);
    if (word == "reset") engine_.ResetEngine();
    for (std::string pid; word == "channels" && words >> pid;)
      engine_.AddChannel(std::stoi(pid, nullptr, 16), std::stoi(pid.substr(pid.find(':') + 1)));
    if (word == "fix") {
      NmeaParser gga(false);
      gga.Append(std::string("$GPGGA,").append(step.substr(4)).append(",,,,,1\n"));
      EXPECT_TRUE(gga.NextSentence());
      clock_.Update(gga.Fix());
    }
    if (word[0] == '+') engine_.SendDue(now_ += std::stoi(word.substr(1)), &outgoing_);
    if (word == "garbage") Reply(std::string(std::stoul(step.substr(8)), 'x'));
    if (word[0] == '<') {
      std::string text = step.substr(1);
      for (size_t at; (at = text.find("\\r")) != std::string::npos;) text.replace(at, 2, "\r");
      Reply(text);
    }
    for (int32_t n = word == "answer" ? std::stoi(step.substr(7)) : 0; n > 0; --n) {
      const std::string pid = sent_.substr(3, 2);  // of "01 PP\r"
      result.append(result.empty() ? "answered " : " ").append(pid);
      Reply(std::string("41 ").append(pid).append(" 00\r>"));
      if (n > 1) sent_ = Take(outgoing_);
    }
    if (!outgoing_.empty()) add("sent ", Escaped(sent_ = Take(outgoing_)));
    parser_.Append(incoming_);
    while (parser_.NextSentence()) EXPECT_EQ(parser_.Fix().type, kSentenceObd) << parser_.RawLine();
    if (word != "answer" && !incoming_.empty()) add("emitted ", Escaped(incoming_));
    incoming_.clear();
    if (engine_.ErrorScore() != score) add("score ", std::to_string(engine_.ErrorScore()));
    return result.empty() ? "-" : result;
  }

 private:
  void Reply(const std::string& text) {
    engine_.OnBytes(text);
    engine_.Poll(now_, &outgoing_, &incoming_);
  }

  uint32_t now_ = 1000;
  GpsClock clock_{[this] { return now_; }};
  ObdEngine engine_{clock_};
  NmeaParser parser_{false};  // every emitted sentence must pass it as $KVOBD
  std::string outgoing_, incoming_, sent_;
};

TEST(ObdEngine, ConversationsMatchTheGoldenFile) {
  std::optional<Conversation> conversation;
  test::ExpectGolden("tests/data/acquisition/obd_conversations.txt",
                     [&](const std::string& step, bool first) {
                       if (first) conversation.emplace();
                       return conversation->Step(step);
                     });
}

}  // namespace
}  // namespace kv
