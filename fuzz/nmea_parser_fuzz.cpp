// Fuzz target for NmeaParser: the input is received text. It is fed twice
// to each kind of parser (all GGA-only flags): once whole and once cut at a
// few offsets, with a NextSentence loop after each piece and CheckSirf after
// each block. Below the buffer limit both feeds must take the same lines
// with the same results, and every record must stay within its ranges. The
// whole feed's records also go through the sample builder, whose samples
// must have a position and a time the session files can hold.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/nmea_parser.h"
#include "acquisition/obd_channels.h"
#include "timing/sample_builder.h"

namespace {

struct Taken {
  std::string line;
  int type;
  bool operator==(const Taken&) const = default;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckRecord(const kv::FixRecord& fix) {
  Check(fix.type >= kv::kSentenceNone && fix.type < kv::kSentenceTypeCount);
  Check(fix.sky_count >= 0 && fix.sky_count <= kv::FixRecord::kMaxSatellites);
  Check(fix.prn_count >= 0 && fix.prn_count <= kv::FixRecord::kMaxSatellites);
  Check(fix.obd.byte_count >= 0 && fix.obd.byte_count <= kv::ObdSample::kMaxBytes);
  Check(!fix.valid.speed || (fix.speed >= 0 && fix.speed <= 1000));
  Check(!fix.valid.time || (fix.time >= 0 && fix.time < 86400000));
}

void CheckSamples(kv::SampleBuilder& builder) {
  for (bool more = builder.NewSample(); more; more = builder.NextSample()) {
    const kv::LogSample sample = builder.Sample();
    Check(sample.position.IsSet() && sample.time >= 0 && sample.time < (1 << 30));
  }
}

std::vector<Taken> Feed(kv::NmeaParser& parser, std::string_view text, const std::vector<size_t>& cuts,
                        kv::SampleBuilder* builder = nullptr) {
  std::vector<Taken> taken;
  std::string outgoing;
  size_t at = 0;
  for (const size_t cut : cuts) {
    parser.Append(text.substr(at, cut - at));
    at = cut;
    while (parser.NextSentence()) {
      const std::string_view raw = parser.RawLine();
      Check(!raw.empty() && raw.back() == '\n');
      CheckRecord(parser.Fix());
      taken.push_back({std::string(raw), parser.Fix().type});
      if (builder != nullptr) {
        builder->Feed(parser.Fix());
        CheckSamples(*builder);
      }
    }
    const bool sent = parser.CheckSirf(&outgoing);
    Check(!sent || parser.SentenceCount() >= kv::NmeaParser::kSirfMinSentences);
  }
  Check(outgoing.size() <= kv::NmeaParser::kSirfCommand.size());
  if (builder != nullptr) {
    builder->EndOfInput();
    CheckSamples(*builder);
  }
  return taken;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // Cut points from the first bytes, so the fuzzer steers them too.
  std::vector<size_t> cuts;
  for (size_t i = 0; i < 4 && i < size; ++i) cuts.push_back(data[i] * size / 256);
  cuts.push_back(size);
  std::sort(cuts.begin(), cuts.end());

  for (const bool gga_only : {false, true}) {
    kv::NmeaParser whole(gga_only), pieces(gga_only);
    kv::ObdChannelTable decoder;
    kv::SampleBuilder builder(decoder);
    const std::vector<Taken> a = Feed(whole, text, {size}, &builder);
    const std::vector<Taken> b = Feed(pieces, text, cuts);
    if (size < kv::NmeaParser::kMaxBuffered) Check(a == b);
    // Handing a taken line back must parse it the same way again.
    pieces.Clear();
    for (const Taken& t : b) {
      pieces.Append(t.line);
      Check(pieces.NextSentence());
      Check(pieces.RawLine() == t.line && pieces.Fix().type == t.type);
      pieces.Append(pieces.RawLine());
      Check(pieces.NextSentence() && pieces.RawLine() == t.line);
    }
  }
  return 0;
}
