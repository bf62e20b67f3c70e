#include "storage/binary_strings.h"

#include "util/utf_convert.h"

namespace kv {

bool AppendPackedString(ByteString& out, std::u16string_view text) {
  const size_t count = text.size();
  if (count > static_cast<size_t>(kMaxPackedStringLength)) return false;
  if (count < 64) {
    out.AppendUnit(static_cast<char>(count * 4));
  } else {
    out.AppendUnit(static_cast<char>(((count * 8) + 1) & 0xFF));
    out.AppendUnit(static_cast<char>(count >> 5));
  }
  for (const char16_t unit : text) {
    // U+000E would read back as the marker of a three-byte unit, so it
    // takes the three-byte form too.
    if (unit < 128 && unit != kPackedWideMarker) {
      out.AppendUnit(static_cast<char>(unit));
    } else {
      out.AppendUnit(static_cast<char>(kPackedWideMarker));
      out.AppendUnit(static_cast<char>(unit >> 8));
      out.AppendUnit(static_cast<char>(unit & 0xFF));
    }
  }
  return true;
}

bool AppendUtf8String(ByteString& out, std::u16string_view text) {
  const ByteString utf8 = ToUtf8(text);
  if (utf8.Length() > kMaxUtf8StringBytes) return false;
  out.AppendUnit(static_cast<char>(utf8.Length() & 0xFF));
  out.AppendUnit(static_cast<char>(utf8.Length() >> 8));
  out.Append(utf8.AsView());
  return true;
}

}  // namespace kv
