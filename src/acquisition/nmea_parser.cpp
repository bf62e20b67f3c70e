#include "acquisition/nmea_parser.h"

#include <cstring>
#include <functional>
#include <new>

#include "acquisition/nmea_fields.h"
#include "util/errors.h"

namespace kv {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// XOR of n bytes, eight at a time: XOR does not care which lane a byte sat
// in, so folding the lanes at the end gives the byte-wise result.
unsigned XorOf(const char* p, size_t n) {
  uint64_t acc = 0;
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    acc ^= word;
  }
  for (; n > 0; ++p, --n) acc ^= static_cast<unsigned char>(*p);
  acc ^= acc >> 32;
  acc ^= acc >> 16;
  acc ^= acc >> 8;
  return static_cast<unsigned>(acc & 0xFF);
}

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

NmeaParser::NmeaParser(bool gga_only) : gga_only_(gga_only) {}

void NmeaParser::Append(std::string_view text) {
  const std::less<const char*> before;
  if (!text.empty() && !before(text.data(), buffer_.data()) &&
      before(text.data(), buffer_.data() + buffer_.capacity())) {
    // The text lies in our own buffer (a RawLine handed back): take a copy
    // before the buffer moves.
    const std::string copy(text);
    Append(copy);
    return;
  }
  MakeRoomFor(text.size());
  const char* const old_data = buffer_.data();
  try {
    buffer_.append(text);
  } catch (const std::bad_alloc&) {
    ThrowCode(kErrOutOfMemory);
  }
  if (buffer_.data() != old_data) raw_line_ = {};
}

void NmeaParser::MakeRoomFor(size_t incoming) {
  const size_t unread = buffer_.size() - read_pos_;
  if (unread + incoming >= kMaxBuffered) {
    buffer_.clear();
    read_pos_ = 0;
    raw_line_ = {};
  } else if (read_pos_ > 0 && read_pos_ >= unread) {
    // Moving the unread rest costs no more than the bytes already taken, so
    // the buffer is compacted in amortised constant time per byte.
    buffer_.erase(0, read_pos_);
    read_pos_ = 0;
    raw_line_ = {};
  }
}

bool NmeaParser::NextSentence() {
  const size_t unread = buffer_.size() - read_pos_;
  if (unread == 0) return false;
  const char* const begin = buffer_.data() + read_pos_;
  const void* const lf = std::memchr(begin, '\n', unread);
  if (lf == nullptr) return false;
  const size_t line_size = static_cast<size_t>(static_cast<const char*>(lf) - begin) + 1;
  raw_line_ = std::string_view(begin, line_size);
  read_pos_ += line_size;
  size_t sentence_size = line_size - 1;
  if (sentence_size > 0 && begin[sentence_size - 1] == '\r') --sentence_size;
  ParseSentence(std::string_view(begin, sentence_size));
  return true;
}

void NmeaParser::ParseSentence(std::string_view s) {
  ++sentence_count_;
  fix_.type = kSentenceNone;
  talker_size_ = 0;
  if (s.size() >= 3 && s[0] == '$' && IsUpper(s[1]) && IsUpper(s[2])) {
    talker_ = {s[1], s[2]};
    talker_size_ = 2;
  }

  // Checksum rule.
  if (s.size() < 5 || s[0] != '$') return;
  const size_t n = s.size();
  if (s[n - 3] == '*') {
    const int high = HexDigit(s[n - 2]);
    const int low = HexDigit(s[n - 1]);
    if (high < 0 || low < 0) return;
    s = s.substr(0, n - 3);
    if (s.size() < 2) return;
    if (XorOf(s.data() + 1, s.size() - 1) != static_cast<unsigned>(high << 4 | low)) return;
  }

  // Every known identifier has six characters, so the first field must end
  // right there.
  if (s.size() < 6 || (s.size() > 6 && s[6] != ',')) return;
  int slot = -1;
  const nmea::SentenceEntry* entry = nmea::FindSentence(s.substr(0, 6), &slot);
  if (entry == nullptr) return;
  seen_[entry->type] = true;
  if (gga_only_ && entry->type != kSentenceGga) return;

  fix_.type = entry->type;
  nmea::FieldReader fields(s.size() > 7 ? s.substr(7) : std::string_view());
  const nmea::DecodeContext context{fix_, slot >= 0 ? &gsv_groups_[slot] : nullptr};
  entry->decode(fields, context);
}

void NmeaParser::Clear() {
  fix_ = FixRecord{};
  gsv_groups_ = {};
  seen_ = {};
  sentence_count_ = 0;
  sirf_sent_ = false;
  buffer_.clear();
  read_pos_ = 0;
  raw_line_ = {};
  talker_size_ = 0;
}

bool NmeaParser::CheckSirf(std::string* outgoing) {
  if (sirf_sent_ || sentence_count_ < kSirfMinSentences) return false;
  if (seen_[kSentenceRmc] && seen_[kSentenceGga] && seen_[kSentenceGsa] && seen_[kSentenceGsv])
    return false;
  outgoing->append(kSirfCommand);
  sirf_sent_ = true;
  return true;
}

bool NmeaParser::Seen(SentenceType type) const {
  return type > kSentenceNone && type < kTypeCount && seen_[type];
}

}  // namespace kv
