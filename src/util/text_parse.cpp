#include "util/text_parse.h"

#include <cmath>
#include <limits>

namespace kv {

namespace {

// The unit as an unsigned code: bytes above 0x7F must not sign-extend.
inline uint32_t UnitCode(char c) { return static_cast<unsigned char>(c); }
inline uint32_t UnitCode(char16_t c) { return c; }

template <typename Unit>
bool IsDigit(Unit c) {
  return c >= static_cast<Unit>('0') && c <= static_cast<Unit>('9');
}

template <typename Unit>
int32_t HexValue(Unit c) {
  if (IsDigit(c)) return static_cast<int32_t>(c - static_cast<Unit>('0'));
  if (c >= static_cast<Unit>('A') && c <= static_cast<Unit>('F'))
    return static_cast<int32_t>(c - static_cast<Unit>('A')) + 10;
  if (c >= static_cast<Unit>('a') && c <= static_cast<Unit>('f'))
    return static_cast<int32_t>(c - static_cast<Unit>('a')) + 10;
  return -1;
}

// Skips the optional leading sign; returns true when it was "-".
template <typename Unit>
bool TakeSign(std::basic_string_view<Unit> text, size_t& at) {
  if (text.empty()) return false;
  if (text[0] == static_cast<Unit>('-')) {
    at = 1;
    return true;
  }
  if (text[0] == static_cast<Unit>('+')) at = 1;
  return false;
}

template <typename Unit>
ParseResult<int32_t> ParseInt(std::basic_string_view<Unit> text) {
  size_t at = 0;
  const bool negative = TakeSign(text, at);
  // The magnitude is capped just past the int32 range, so it never
  // overflows however many digits follow.
  constexpr int64_t kCap = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
  int64_t magnitude = 0;
  bool any = false;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    any = true;
    magnitude = magnitude * 10 + static_cast<int64_t>(text[at] - static_cast<Unit>('0'));
    if (magnitude > kCap) magnitude = kCap;
  }
  ParseResult<int32_t> result;
  result.ok = any;
  if (negative) {
    result.value = static_cast<int32_t>(-magnitude);  // -kCap is INT32_MIN
  } else {
    result.value = static_cast<int32_t>(magnitude < kCap ? magnitude : kCap - 1);
  }
  return result;
}

template <typename Unit>
ParseResult<double> ParseReal(std::basic_string_view<Unit> text, char16_t separator) {
  size_t at = 0;
  const bool negative = TakeSign(text, at);
  double value = 0.0;
  double scale = 0.1;
  bool in_fraction = false;
  bool any = false;
  for (; at < text.size(); ++at) {
    const Unit c = text[at];
    if (IsDigit(c)) {
      const double digit = static_cast<double>(c - static_cast<Unit>('0'));
      if (in_fraction) {
        value += digit * scale;
        scale *= 0.1;
      } else {
        value = value * 10.0 + digit;
      }
      any = true;
    } else if (!in_fraction && UnitCode(c) == separator) {
      in_fraction = true;
    } else {
      break;
    }
  }
  if (std::isinf(value)) value = std::numeric_limits<double>::max();
  ParseResult<double> result;
  result.ok = any;
  result.value = negative ? -value : value;
  return result;
}

template <typename Unit>
ParseResult<uint32_t> ParseHex(std::basic_string_view<Unit> text) {
  ParseResult<uint32_t> result;
  uint64_t value = 0;
  size_t at = 0;
  for (; at < text.size(); ++at) {
    const int32_t digit = HexValue(text[at]);
    if (digit < 0) break;
    value = value * 16 + static_cast<uint64_t>(digit);
    if (value > std::numeric_limits<uint32_t>::max()) value = std::numeric_limits<uint32_t>::max();
  }
  result.value = static_cast<uint32_t>(value);
  result.ok = !text.empty() && at == text.size();
  return result;
}

}  // namespace

ParseResult<int32_t> TextToInt(std::string_view text) { return ParseInt(text); }
ParseResult<int32_t> TextToInt(std::u16string_view text) { return ParseInt(text); }

ParseResult<double> TextToReal(std::string_view text, char16_t separator) {
  return ParseReal(text, separator);
}
ParseResult<double> TextToReal(std::u16string_view text, char16_t separator) {
  return ParseReal(text, separator);
}

ParseResult<uint32_t> TextToHex(std::string_view text) { return ParseHex(text); }
ParseResult<uint32_t> TextToHex(std::u16string_view text) { return ParseHex(text); }

}  // namespace kv
