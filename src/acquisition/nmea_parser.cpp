#include "acquisition/nmea_parser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <new>

#include "acquisition/nmea_fields.h"
#include "util/errors.h"

namespace kv {

namespace {

constexpr size_t kNotFound = static_cast<size_t>(-1);

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

// XOR of n bytes, eight at a time: XOR does not care which lane a byte sat
// in, so folding the eight lanes at the end gives the byte-wise result.
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
      before(text.data(), buffer_.data() + buffer_.size())) {
    // The text lies in our own buffer (a RawLine handed back): take a copy
    // before the buffer moves.
    const std::string copy(text);
    Append(copy);
    return;
  }
  MakeRoomFor(text.size());
  const size_t needed = size_ + text.size();
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
    size_ = read_pos_ = scan_pos_ = 0;
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

// The position of the next line feed, or kNotFound. Text already searched
// in vain is not searched again when more arrives.
size_t NmeaParser::FindLineFeed() {
  if (scan_pos_ == size_) return kNotFound;
  const char* const base = buffer_.data();
  const void* const lf = std::memchr(base + scan_pos_, '\n', size_ - scan_pos_);
  if (lf == nullptr) {
    scan_pos_ = size_;
    return kNotFound;
  }
  return static_cast<size_t>(static_cast<const char*>(lf) - base);
}

bool NmeaParser::NextSentence() {
  const size_t lf = FindLineFeed();
  if (lf == kNotFound) return false;
  const char* const begin = buffer_.data() + read_pos_;
  const size_t line_size = lf + 1 - read_pos_;
  raw_line_ = std::string_view(begin, line_size);
  read_pos_ = lf + 1;
  scan_pos_ = read_pos_;
  size_t sentence_size = line_size - 1;
  // Every CR before the LF goes (CR CR LF is seen in real logs), so the
  // checksum is found where it is and checked like any other.
  while (sentence_size > 0 && begin[sentence_size - 1] == '\r') --sentence_size;
  std::string_view sentence(begin, sentence_size);
  // "$$GPGGA,...": a line started again; the sentence begins at the last
  // "$" of the run.
  while (sentence.size() > 1 && sentence[0] == '$' && sentence[1] == '$') sentence.remove_prefix(1);
  ParseSentence(sentence);
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
    if (s.size() < 2 || XorOf(s.data() + 1, s.size() - 1) != static_cast<unsigned>(high << 4 | low))
      return;
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
  scan_pos_ = 0;
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
  return type > kSentenceNone && type < kSentenceTypeCount && seen_[type];
}

}  // namespace kv
