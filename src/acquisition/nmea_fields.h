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
// digit (".5" and "12." read). The value is built digit by digit: the
// integer part times 10 plus each digit, then each fraction digit times
// 0.1, 0.01, ... (successive tenths, each the previous divided by 10) added
// in order. That differs from the correctly rounded value by up to about
// 3 ulp for 8 fraction digits, which is far below any measured quantity.
// Int: an optional '-' and digits, within int32. Hex: 1 to 8 digits 0-9,
// A-F, a-f, no sign.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kv::nmea {

class FieldReader {
 public:
  FieldReader() = default;
  // `text` is what follows the identifier's comma; it must outlive the reader.
  explicit FieldReader(std::string_view text)
      : next_(text.data()), end_(text.data() + text.size()) {}

  // Takes the next field. Text that has been used up holds no more fields,
  // so "a,b," has two fields and ",," has two empty ones.
  bool Take(std::string_view* field) {
    if (next_ == end_) return false;
    const char* p = next_;
    while (p != end_ && *p != ',') ++p;
    *field = std::string_view(next_, static_cast<size_t>(p - next_));
    next_ = p == end_ ? end_ : p + 1;
    return true;
  }

 private:
  const char* next_ = nullptr;
  const char* end_ = nullptr;
};

bool ParseReal(std::string_view text, double* value);
bool ParseInt(std::string_view text, int32_t* value);
bool ParseHex(std::string_view text, uint32_t* value);

// --- Conversions for Scan. Each has Read(FieldReader&) -> bool. ---

// Time of day hhmmss[.sss] into milliseconds of day; 0 when unreadable.
struct Time {
  int32_t* ms;
  bool Read(FieldReader& in) const;
};

// RMC date ddmmyy (year 2000 + yy) into a DateTimeValue day number.
struct RmcDate {
  int32_t* day;
  bool Read(FieldReader& in) const;
};

struct Real {
  double* value;
  bool Read(FieldReader& in) const {
    std::string_view f;
    return in.Take(&f) && ParseReal(f, value);
  }
};

// Speed in knots, valid within 0..1000.
struct Knots {
  double* value;
  bool Read(FieldReader& in) const;
};

struct Int {
  int32_t* value;
  bool Read(FieldReader& in) const {
    std::string_view f;
    return in.Take(&f) && ParseInt(f, value);
  }
};

struct Hex {
  uint32_t* value;
  bool Read(FieldReader& in) const {
    std::string_view f;
    return in.Take(&f) && ParseHex(f, value);
  }
};

// Two fields: ddmm.mmmm and "N" or "S" (exactly); south is negative.
struct Latitude {
  double* value;
  bool Read(FieldReader& in) const;
};

// Two fields: dddmm.mmmm and "E" or "W" (exactly); west is negative.
struct Longitude {
  double* value;
  bool Read(FieldReader& in) const;
};

// Passes over `count` fields; always succeeds.
struct Skip {
  int count;
  bool Read(FieldReader& in) const {
    std::string_view f;
    for (int i = 0; i < count && in.Take(&f); ++i) {
    }
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
constexpr int32_t Flag(uint32_t ok, int index) {
  return static_cast<int32_t>((ok >> index) & 1u);
}

}  // namespace kv::nmea
