// Feeds arbitrary adapter output to the OBD-II protocol engine, in pieces
// as a serial port delivers them, and the sentences it emits through the
// parser and the channel decoder. Checks what the reader thread and the
// main thread rely on: no crash or undefined behaviour, every emitted
// sentence is one whole line the parser accepts as $KVOBD (a reply with a
// line end cannot exist, since replies are split at line ends), at most one
// command is queued per prompt, and the engine's state stays in 0..5.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "acquisition/nmea_parser.h"
#include "acquisition/obd_channels.h"
#include "acquisition/obd_engine.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint32_t now = 0;
  kv::GpsClock clock([&now] { return now; });
  kv::ObdEngine engine(clock);
  engine.AddChannel(0x0C, 2);
  engine.AddChannel(0x0D, 2);
  engine.AddChannel(0x14, 1);
  std::string outgoing, incoming;
  engine.StartEngine(now, &outgoing);
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first byte chooses the piece size, so splits fall everywhere.
  const size_t piece = size == 0 ? 1 : 1 + static_cast<uint8_t>(input[0]) % 32;
  for (size_t at = 0; at < input.size(); at += piece) {
    now += 700;
    engine.SendDue(now, &outgoing);
    const std::string_view block = input.substr(at, piece);
    size_t prompts = 0;
    for (char c : block) prompts += c == '>' ? 1 : 0;
    const size_t commands_before = outgoing.size();
    engine.OnBytes(block);
    engine.Poll(now, &outgoing, &incoming);
    size_t queued = 0;
    for (size_t i = commands_before; i < outgoing.size(); ++i) queued += outgoing[i] == '\r' ? 1 : 0;
    Check(queued <= prompts + 1);
    Check(engine.State() >= 0 && engine.State() <= 5);
    outgoing.clear();
  }
  kv::NmeaParser parser(false);
  kv::ObdChannelTable table;
  parser.Append(incoming);
  size_t taken = 0;
  while (parser.NextSentence()) {
    taken += parser.RawLine().size();
    // A reply may hold '*' or '$', which the parser is entitled to reject;
    // everything else must come through as an OBD-II sentence.
    const std::string_view line = parser.RawLine();
    if (line.find_first_of("*$", 1) == line.rfind('*')) Check(parser.Fix().type == kv::kSentenceObd);
    int32_t raw = 0;
    if (table.Decode(parser.Fix().obd, &raw)) Check(raw >= 0 && raw <= 0xFFFF);
  }
  Check(taken == incoming.size());
  return 0;
}
