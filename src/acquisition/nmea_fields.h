// Field reading for the NMEA decoders: a cursor over the comma-separated
// fields of one sentence, the field conversions, and Scan, which reads a row
// of fields by a list of conversions the way scanf reads by its format.
//
//   const uint32_t ok = Scan(fields, Time{&t}, Skip{2}, Real{&v});
//   // bit 0: time read, bit 1: always set for Skip, bit 2: v read
//
// Every conversion takes its field(s) whether it succeeds or not, so later
// conversions stay at their field positions. A conversion writes its output
// only on success, except Time, which writes 0 on failure. Everything works
// in place on the sentence text; nothing allocates.
//
// Numbers (untrusted text, so never a throw): the whole field must be the
// number. Real: an optional '-', digits with at most one '.', at least one
// digit (".5" and "12." read), built by the digit rule (nmea_numbers.h).
// Int: an optional '-' and digits, within int32. Hex: 1 to 8 digits 0-9,
// A-F, a-f, no sign.
#pragma once

#include <array>
#include <bit>
#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "acquisition/nmea_numbers.h"
#include "core/date_time.h"

namespace kv::nmea {

class FieldReader {
 public:
  FieldReader() = default;
  // `text` is what follows the identifier's comma; it must outlive the reader
  // and be followed by a readable character that is neither a digit nor '.'
  // (see nmea_numbers.h): the received line always is.
  explicit FieldReader(std::string_view text)
      : next_(text.data()), end_(text.data() + text.size()) {}

  // Takes the next field. Text that has been used up holds no more fields,
  // so "a,b," has two fields and ",," has two empty ones.
  bool Take(std::string_view* field) {
    if (next_ == end_) return false;
    const char* const p = FindComma(next_);
    *field = std::string_view(next_, static_cast<size_t>(p - next_));
    next_ = p == end_ ? end_ : p + 1;
    return true;
  }

  // Passes over `count` fields: past the count-th comma, or to the end.
  // Stretches of several fields, such as RMC's position, go eight bytes at
  // a time where the text allows; single fields are too short for that.
  void SkipFields(int count) {
    const char* p = next_;
    if (std::endian::native == std::endian::little && count >= 3) {
      constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
      constexpr uint64_t kCommas = 0x2C2C2C2C2C2C2C2Cull;
      while (count > 0 && end_ - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        const uint64_t t = word ^ kCommas;
        uint64_t commas = ~(((t & kLow7) + kLow7) | t | kLow7);  // 0x80 in each comma byte
        // One bit per byte: a multiply adds them up in the top byte (no
        // popcount instruction on the baseline target).
        const int found = static_cast<int>(((commas >> 7) * 0x0101010101010101ull) >> 56);
        if (found < count) {
          count -= found;
          p += 8;
          continue;
        }
        for (; count > 1; --count) commas &= commas - 1;
        next_ = p + std::countr_zero(commas) / 8 + 1;
        return;
      }
    }
    for (; count > 0 && p != end_; ++p) {
      if (*p == ',') --count;
    }
    next_ = count > 0 ? end_ : p;
  }

  // The first comma at or after p, or end_. Fields are short: a plain loop
  // beats word-wise searching here.
  const char* FindComma(const char* p) const {
    while (p != end_ && *p != ',') ++p;
    return p;
  }

  // Reads the next field with a detail::Scan... function in one pass: the
  // read succeeds when the number ends exactly at the field's end.
  template <typename T, typename ScanFn>
  bool ReadNumber(ScanFn scan, T* value) {
    if (next_ == end_) return false;
    T v{};
    bool ok;
    const char* p = scan(next_, &v, &ok);
    if (p != end_ && *p != ',') {
      ok = false;
      p = FindComma(p);
    }
    next_ = p == end_ ? end_ : p + 1;
    if (ok) *value = v;
    return ok;
  }

 private:
  const char* next_ = nullptr;
  const char* end_ = nullptr;
};

// Whole-text conversions for any text (they copy it to add the end mark
// the scanners need); the field readers below are the fast path.
bool ParseReal(std::string_view text, double* value);
bool ParseInt(std::string_view text, int32_t* value);
bool ParseHex(std::string_view text, uint32_t* value);

// --- Conversions for Scan. Each has Read(FieldReader&) -> bool. ---

// Time of day hhmmss[.sss] into milliseconds of day; 0 when unreadable.
struct Time {
  int32_t* ms;
  bool Read(FieldReader& in) const {
    std::string_view f;
    if (in.Take(&f) && ParseNmeaTime(f, ms)) return true;
    *ms = 0;
    return false;
  }
};

// RMC date ddmmyy (year 2000 + yy) into a DateTimeValue day number.
struct RmcDate {
  int32_t* day;
  bool Read(FieldReader& in) const;
};

struct Real {
  double* value;
  bool Read(FieldReader& in) const { return in.ReadNumber(detail::ScanReal, value); }
};

// Speed in knots, valid within 0..1000.
struct Knots {
  double* value;
  bool Read(FieldReader& in) const {
    double v = 0;
    if (!in.ReadNumber(detail::ScanReal, &v) || v < 0 || v > 1000) return false;
    *value = v;
    return true;
  }
};

struct Int {
  int32_t* value;
  bool Read(FieldReader& in) const { return in.ReadNumber(detail::ScanInt, value); }
};

struct Hex {
  uint32_t* value;
  bool Read(FieldReader& in) const {
    std::string_view f;
    return in.Take(&f) && ParseHex(f, value);
  }
};

// A number and a hemisphere field that must be exactly `positive` or
// `negative`; both fields are taken whatever happens.
template <char kPositive, char kNegative>
struct Signed {
  double* value;
  bool Read(FieldReader& in) const {
    double v = 0;
    std::string_view sign;
    const bool have_number = in.ReadNumber(detail::ScanReal, &v);
    if (!in.Take(&sign) || !have_number || sign.size() != 1) return false;
    if (sign[0] == kNegative) {
      v = -v;
    } else if (sign[0] != kPositive) {
      return false;
    }
    *value = v;
    return true;
  }
};

// ddmm.mmmm and "N" or "S"; south is negative.
using Latitude = Signed<'N', 'S'>;
// dddmm.mmmm and "E" or "W"; west is negative.
using Longitude = Signed<'E', 'W'>;

// A field of one capital letter (a status or an FAA mode). For a field of
// several (GNS: one mode per satellite system) the first that is not "N",
// else "N": the position is a fix when any system gives one.
struct Letter {
  char* value;
  bool Read(FieldReader& in) const {
    std::string_view f;
    if (!in.Take(&f) || f.empty()) return false;
    char letter = 0;
    for (const char c : f) {
      if (c < 'A' || c > 'Z') return false;
      if (letter == 0 || letter == 'N') letter = c;
    }
    *value = letter;
    return true;
  }
};

// Passes over `count` fields; always succeeds.
struct Skip {
  int count;
  bool Read(FieldReader& in) const {
    in.SkipFields(count);
    return true;
  }
};

// Reads every conversion in order; bit i of the result is set when the i-th
// succeeded (Skip always counts as success). At most 32 conversions.
template <typename... Conversion>
uint32_t Scan(FieldReader& in, const Conversion&... conversion) {
  static_assert(sizeof...(Conversion) <= 32);
  uint32_t ok = 0;
  uint32_t bit = 1;
  ((ok |= conversion.Read(in) ? bit : 0u, bit <<= 1), ...);
  return ok;
}

// Reads the conversions in order and stops at the first that fails; true
// when all succeeded.
template <typename... Conversion>
bool ScanAll(FieldReader& in, const Conversion&... conversion) {
  return (conversion.Read(in) && ...);
}

// Bit `index` of a Scan result as a validity flag (1 or 0).
constexpr int32_t Flag(uint32_t ok, int index) { return static_cast<int32_t>((ok >> index) & 1u); }

}  // namespace kv::nmea
