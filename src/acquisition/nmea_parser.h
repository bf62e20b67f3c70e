// NmeaParser: turns received NMEA 0183 text into sentences and parses each
// one into a FixRecord.
//
// Framing (this class): text is buffered by Append; NextSentence takes one
// line, checks its checksum and hands the fields to the decoder of its
// identifier (nmea_sentences.h). One call parses exactly one line, so the
// caller can interleave other work between sentences.
//
// Lines end at a line feed; a carriage return directly before it belongs to
// the line end ("\r\n" and a bare "\n" both end a line, a bare "\r" does not).
// A "\r\n" split across two Append calls still ends one line.
//
// Sentences understood, with these talkers (the two letters after '$'):
//   RMC, GGA, GSA, GSV, VTG, ZDA from GP, GN, GL, GA, GB, BD, GQ and QZ,
//   and the system's own $KVOBD and $KVACC (exact identifiers).
// Any other identifier is unknown (type 0), e.g. $INGGA or $GPGLL.
//
// Checksum rule: a line must be at least 5 characters and start with '$'.
// When the third character from its end is '*', the two characters after it
// must be hexadecimal digits (either case) equal to the XOR of the characters
// between '$' and '*'; otherwise the line has no checksum and is accepted.
// A rejected line (type 0) sets no seen flag and changes no other field.
//
// Field reads (see nmea_fields.h): an empty field, a missing field or text
// that is not entirely a number fails. Decimal numbers and integers accept
// one leading '-' (altitude and geoid separation are negative in places);
// '+' and exponents are not accepted. A value in the record changes only
// when its read succeeds and its flag becomes 1; the time of day becomes 0
// when its field cannot be read.
//
// With the GGA-only flag (reader threads), recognised sentences other than
// GGA are counted and marked seen but not parsed: the type stays 0 and no
// field changes. The type tells whether the last line was parsed.
//
// Satellites in view (GSV): each talker assembles its own group. Message 1
// starts a group; message n is accepted only after message n-1 of a group
// of the same size, and any other message is ignored (its group keeps what
// it had). The record mirrors the group of the talker just heard: its
// size and last message, satellites in view, the satellites collected so
// far and `sky_complete` once the last message is in. `gsv_accepted` and
// `in_view_valid` tell what the last GSV sentence itself did. GSA likewise
// sets `fix_type_valid`; a fix type it could not read keeps the earlier
// value but not the flag.
//
// Memory: parsing works in place on the buffered text and allocates
// nothing; the buffer grows only while unread text plus one Append's text
// exceeds what it held before, and never shrinks (Clear keeps it).
//
// Thread: one thread at a time; no locking inside.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/nmea_sentences.h"
#include "core/fix_record.h"
#include "core/sentence_reader.h"

namespace kv {

class NmeaParser final : public SentenceReader {
 public:
  // Buffered text that would reach this size with the new text is dropped.
  static constexpr size_t kMaxBuffered = 20000;
  // CheckSirf acts only once this many sentences have been counted.
  static constexpr int64_t kSirfMinSentences = 51;
  static constexpr std::string_view kSirfCommand = "$PSRF101,0,0,0,000,0,0,12,8*1C\r\n";

  // gga_only: parse only GGA sentences (the reader threads' parsers).
  explicit NmeaParser(bool gga_only);

  // Adds received bytes. When the unread buffered text plus `text` would be
  // kMaxBuffered bytes or more, the buffered text is dropped first.
  void Append(std::string_view text) override;

  // Takes the next complete line and parses it into Fix(). Returns false,
  // keeping the text, when no complete line is buffered.
  bool NextSentence() override;

  // The last line taken, with its line end as received. The view stays valid
  // until the next call of Append, NextSentence or Clear.
  std::string_view RawLine() const override { return raw_line_; }

  const FixRecord& Fix() const override { return fix_; }

  // Forgets everything: buffered text, the record, the sentence counter, all
  // seen flags, the GSV groups and the SiRF flag.
  void Clear() override;

  // Appends kSirfCommand to *outgoing once, when at least kSirfMinSentences
  // sentences were counted and RMC, GGA, GSA and GSV have not all been seen.
  // Sent at most once until Clear. Returns true when it appended.
  bool CheckSirf(std::string* outgoing);

  // Lines taken since construction or Clear, parsed or rejected (empty
  // lines too).
  int64_t SentenceCount() const { return sentence_count_; }

  // True once a sentence of that type passed the checksum rule.
  bool Seen(SentenceType type) const;

  // The two characters after '$' of the last line taken when both are
  // upper-case letters (e.g. "GP", "GN", "KV", "PS"); empty otherwise and
  // before the first line. Valid until the next NextSentence or Clear.
  std::string_view TalkerOfLast() const { return std::string_view(talker_.data(), talker_size_); }

 private:
  void ParseSentence(std::string_view sentence);
  void MakeRoomFor(size_t incoming);
  size_t FindLineFeed();

  const bool gga_only_;
  FixRecord fix_;
  std::array<nmea::GsvGroup, nmea::kTalkerCount> gsv_groups_{};
  std::array<bool, kSentenceTypeCount> seen_{};
  int64_t sentence_count_ = 0;
  bool sirf_sent_ = false;

  // Received text in buffer_[0, size_). Bytes before read_pos_ have been
  // taken as lines; they are moved out only in Append, when they outweigh
  // the unread rest. [read_pos_, scan_pos_) holds no line feed, so a line
  // arriving in many pieces is searched only once.
  std::vector<char> buffer_;
  size_t size_ = 0;
  size_t read_pos_ = 0;
  size_t scan_pos_ = 0;
  std::string_view raw_line_;
  std::array<char, 2> talker_{};
  size_t talker_size_ = 0;
};

}  // namespace kv
