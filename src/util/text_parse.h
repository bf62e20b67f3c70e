// Text to number, for texts from files, devices and the user. These never
// throw and never report an error: the result carries a success flag.
// Each has an 8-bit and a UTF-16 form (WideString and ByteString convert to
// the views implicitly).
#pragma once

#include <cstdint>
#include <string_view>

namespace kv {

template <typename T>
struct ParseResult {
  T value{};
  bool ok = false;
};

// Decimal integer: an optional "+" or "-" as the very first character only,
// then digits; parsing stops at the first other character; ok when at least
// one digit was read ("-12abc" -> -12, ok; "1-2" -> 1; "abc" fails).
// Values beyond int32 saturate at INT32_MIN / INT32_MAX and stay ok.
ParseResult<int32_t> TextToInt(std::string_view text);
ParseResult<int32_t> TextToInt(std::u16string_view text);

// Decimal real with the given decimal separator (for example '.' or ','):
// the sign rule above, digits and at most one separator; a second separator
// or any other character ends parsing ("3.5.1" -> 3.5); ok when at least
// one digit was read (".5" and "5." are fine). The value is built digit by
// digit: integer part times 10 plus digit, fraction digits scaled by
// successive tenths. A value beyond the double range saturates at the
// largest finite double (with its sign).
ParseResult<double> TextToReal(std::string_view text, char16_t separator);
ParseResult<double> TextToReal(std::u16string_view text, char16_t separator);

// Hexadecimal: 0-9, A-F, a-f. The value is built while hex digits last;
// ok only when every character was a hex digit; an empty text gives 0 and
// failure. Values beyond 32 bits saturate at 0xFFFFFFFF (ok is unaffected).
ParseResult<uint32_t> TextToHex(std::string_view text);
ParseResult<uint32_t> TextToHex(std::u16string_view text);

}  // namespace kv
