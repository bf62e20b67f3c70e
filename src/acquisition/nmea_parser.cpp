#include "acquisition/nmea_parser.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <new>

#include "acquisition/nmea_fields.h"
#include "util/errors.h"

namespace kv {

namespace {

constexpr size_t kNotFound = static_cast<size_t>(-1);
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// Hexadecimal digit values, -1 for other characters. A table, because the
// checksum digits are random and a chain of comparisons mispredicts.
constexpr std::array<int8_t, 256> MakeHexTable() {
  std::array<int8_t, 256> table{};
  for (int c = 0; c < 256; ++c) {
    table[c] = c >= '0' && c <= '9'   ? static_cast<int8_t>(c - '0')
               : c >= 'A' && c <= 'F' ? static_cast<int8_t>(c - 'A' + 10)
               : c >= 'a' && c <= 'f' ? static_cast<int8_t>(c - 'a' + 10)
                                      : int8_t{-1};
  }
  return table;
}
constexpr std::array<int8_t, 256> kHexTable = MakeHexTable();

int HexDigit(char c) { return kHexTable[static_cast<unsigned char>(c)]; }

// The low `bytes` bytes of a little-endian word (bytes 0..7).
constexpr uint64_t LowBytes(uint64_t word, size_t bytes) {
  return bytes == 0 ? 0 : word & (~uint64_t{0} >> (64 - 8 * bytes));
}

// XOR does not care which lane a byte sat in, so folding the eight lanes of
// a word-wise XOR gives the byte-wise result.
constexpr unsigned FoldXor(uint64_t acc) {
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
      before(text.data(), buffer_.data() + buffer_.size())) {
    // The text lies in our own buffer (a RawLine handed back): take a copy
    // before the buffer moves.
    const std::string copy(text);
    Append(copy);
    return;
  }
  MakeRoomFor(text.size());
  const size_t needed = size_ + text.size() + kPadding;
  if (buffer_.size() < needed) {
    try {
      buffer_.resize(std::max(needed, 2 * buffer_.size()));
    } catch (const std::bad_alloc&) {
      ThrowCode(kErrOutOfMemory);
    }
    raw_line_ = {};  // may have moved
  }
  if (!text.empty()) std::memcpy(buffer_.data() + size_, text.data(), text.size());
  size_ += text.size();
}

void NmeaParser::MakeRoomFor(size_t incoming) {
  const size_t unread = size_ - read_pos_;
  if (unread + incoming >= kMaxBuffered) {
    size_ = read_pos_ = 0;
    ForgetScan();
    raw_line_ = {};
  } else if (read_pos_ > 0 && read_pos_ >= unread) {
    // Moving the unread rest costs no more than the bytes already taken, so
    // the buffer is compacted in amortised constant time per byte.
    std::memmove(buffer_.data(), buffer_.data() + read_pos_, unread);
    scan_pos_ -= read_pos_;
    size_ = unread;
    read_pos_ = 0;
    raw_line_ = {};
  }
}

// Searches from scan_pos_ on, eight bytes at a time, XOR-ing what it passes.
// Returns the position of the next line feed, or kNotFound; in both cases
// scan_xor_ then covers [read_pos_, scan_pos_) with scan_pos_ at the line
// feed or at the last unscanned bytes.
size_t NmeaParser::FindLineFeed() {
  const char* const base = buffer_.data();
  size_t at = scan_pos_;
  uint64_t acc = scan_xor_;
  size_t found = kNotFound;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t kLineFeeds = kOnes * '\n';
    // The lowest set bit of zero_bytes(t) marks the first zero byte of t.
    const auto zero_bytes = [](uint64_t t) { return (t - kOnes) & ~t & kHighBits; };
    for (; size_ - at >= 8; at += 8) {
      uint64_t word;
      std::memcpy(&word, base + at, 8);
      const uint64_t zero = zero_bytes(word ^ kLineFeeds);
      if (zero != 0) {
        const size_t index = static_cast<size_t>(std::countr_zero(zero)) / 8;
        acc ^= LowBytes(word, index);
        found = at + index;
        break;
      }
      acc ^= word;
    }
    if (found == kNotFound && at < size_) {
      // A short tail: the padding makes the word readable, and the bytes
      // past the text are masked to zeros, which are no line feed. The tail
      // is not counted as scanned, since more text may follow it.
      uint64_t word;
      std::memcpy(&word, base + at, 8);
      word = LowBytes(word, size_ - at);
      const uint64_t zero = zero_bytes(word ^ kLineFeeds);
      if (zero != 0) {
        const size_t index = static_cast<size_t>(std::countr_zero(zero)) / 8;
        acc ^= LowBytes(word, index);
        found = at + index;
      }
    }
    if (found != kNotFound) at = found;
  } else {
    for (; at < size_ && base[at] != '\n'; ++at) acc ^= static_cast<unsigned char>(base[at]);
    if (at < size_) found = at;
  }
  scan_pos_ = at;
  scan_xor_ = acc;
  return found;
}

bool NmeaParser::NextSentence() {
  const size_t lf = FindLineFeed();
  if (lf == kNotFound) return false;
  const char* const begin = buffer_.data() + read_pos_;
  const size_t line_size = lf + 1 - read_pos_;
  unsigned sentence_xor = FoldXor(scan_xor_);
  raw_line_ = std::string_view(begin, line_size);
  read_pos_ = lf + 1;
  ForgetScan();
  size_t sentence_size = line_size - 1;
  if (sentence_size > 0 && begin[sentence_size - 1] == '\r') {
    --sentence_size;
    sentence_xor ^= '\r';
  }
  ParseSentence(std::string_view(begin, sentence_size), sentence_xor);
  return true;
}

// sentence_xor: the XOR of all bytes of the sentence.
void NmeaParser::ParseSentence(std::string_view s, unsigned sentence_xor) {
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
    // XOR of the characters between '$' and '*'.
    const unsigned body_xor = sentence_xor ^ static_cast<unsigned char>(s[0]) ^ '*' ^
                              static_cast<unsigned char>(s[n - 2]) ^
                              static_cast<unsigned char>(s[n - 1]);
    s = s.substr(0, n - 3);
    if (s.size() < 2 || body_xor != static_cast<unsigned>(high << 4 | low)) return;
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
  size_ = 0;
  read_pos_ = 0;
  ForgetScan();
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
