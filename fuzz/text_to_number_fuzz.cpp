// Feeds arbitrary bytes to every text-to-number conversion (8-bit and, via
// the UTF-8 decoder, UTF-16) and checks the contracts that callers rely on:
// no crash or undefined behaviour, failure means the documented value, and
// UTF-8 -> UTF-16 -> UTF-8 -> UTF-16 is stable after the first decoding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "util/byte_string.h"
#include "util/text_parse.h"
#include "util/utf_convert.h"
#include "util/wide_string.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

template <typename View>
void ParseAll(View text, char16_t separator) {
  const kv::ParseResult<int32_t> integer = kv::TextToInt(text);
  if (!integer.ok) Check(integer.value == 0);
  const kv::ParseResult<double> real = kv::TextToReal(text, separator);
  Check(!std::isnan(real.value) && !std::isinf(real.value));
  if (!real.ok) Check(real.value == 0.0);
  const kv::ParseResult<uint32_t> hex = kv::TextToHex(text);
  if (text.empty()) Check(!hex.ok && hex.value == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the decimal separator; the rest is the text.
  const char16_t separator = data[0] & 1 ? u',' : u'.';
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  ParseAll(bytes, separator);

  const kv::WideString wide = kv::FromUtf8(bytes);
  ParseAll(std::u16string_view(wide), separator);

  // Every byte is consumed: one decoded point takes 1..4 bytes.
  for (std::string_view rest = bytes; !rest.empty();) {
    const kv::DecodedPoint point = kv::DecodeUtf8(rest);
    Check(point.length >= 1 && static_cast<size_t>(point.length) <= rest.size());
    Check(point.point <= 0x10FFFF && (point.point < 0xD800 || point.point > 0xDFFF));
    rest.remove_prefix(static_cast<size_t>(point.length));
  }

  const kv::ByteString utf8 = kv::ToUtf8(wide);
  Check(kv::FromUtf8(utf8) == wide);
  return 0;
}
