// The decoders of the sentences NmeaParser understands, one small function
// per sentence, found by identifier through one table. Framing and checksum
// are the parser's business; a decoder sees only the fields after the
// identifier and fills the record.
//
// Each decoder first clears the validity flags of the values its sentence
// carries, then sets each from its own read. RMC, GGA and VTG read every
// field even after a failed one. GSA, GSV, ZDA, $KVOBD and $KVACC stop at the
// first required field that fails; their time field is never required (its
// flag tells), nor are the GSA PRNs (an unreadable one is skipped) and the
// GSV signal-to-noise ratio (-1 when unreadable).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "acquisition/nmea_fields.h"
#include "core/fix_record.h"

namespace kv::nmea {

// GNSS talkers whose sentences are accepted alike: GP, GL, GA, GB, BD, GQ,
// QZ, GN and IN (integrated navigation), in this slot order.
inline constexpr int kTalkerCount = 9;

// The GSV group one talker is assembling.
struct GsvGroup {
  int32_t size = 0;          // number of messages of the group
  int32_t last_message = 0;  // number of the last message accepted
  int32_t in_view = 0;       // satellites in view, as last read
  int32_t count = 0;         // satellites collected, 0..12
  int32_t complete = 0;      // 1 once the last message was accepted
  std::array<SatelliteInfo, FixRecord::kMaxSatellites> sky{};
};

struct DecodeContext {
  FixRecord& fix;
  GsvGroup* group;  // the talker's GSV group; null for $KV sentences
};

using Decoder = void (*)(FieldReader& fields, const DecodeContext& context);

struct SentenceEntry {
  SentenceType type;
  Decoder decode;
};

// Looks up a sentence identifier such as "$GPGGA" or "$KVOBD" (the whole
// first field). Returns null for unknown identifiers; otherwise sets
// *talker_slot to the talker's slot 0..kTalkerCount-1, or -1 for $KV.
const SentenceEntry* FindSentence(std::string_view identifier, int* talker_slot);

}  // namespace kv::nmea
