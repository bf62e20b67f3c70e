#include "util/utf_convert.h"

namespace kv {

namespace {

inline uint32_t Byte(std::string_view text, size_t i) {
  return static_cast<unsigned char>(text[i]);
}

inline bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Walks UTF-16 text as code points, turning unpaired surrogates into U+FFFD.
template <typename Visit>
void ForEachPoint(std::u16string_view text, Visit visit) {
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t u = text[i];
    if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      u = 0x10000 + ((u - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      u = kReplacementCharacter;
    }
    visit(u);
  }
}

int32_t Utf8Length(char32_t point) {
  if (point < 0x80) return 1;
  if (point < 0x800) return 2;
  if (point < 0x10000) return 3;
  return 4;
}

// Writes `point` as UTF-8 into `out` (at least 4 bytes); returns the count.
int32_t EncodeUtf8(char32_t point, char* out) {
  if (point < 0x80) {
    out[0] = static_cast<char>(point);
    return 1;
  }
  if (point < 0x800) {
    out[0] = static_cast<char>(0xC0 | (point >> 6));
    out[1] = static_cast<char>(0x80 | (point & 0x3F));
    return 2;
  }
  if (point < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (point >> 12));
    out[1] = static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (point & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (point >> 18));
  out[1] = static_cast<char>(0x80 | ((point >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((point >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (point & 0x3F));
  return 4;
}

void AppendUtf8Quoted(ByteString& destination, std::u16string_view text, bool double_quotes) {
  int64_t length = 0;
  ForEachPoint(text, [&](char32_t point) {
    length += Utf8Length(point) + (double_quotes && point == U'"' ? 1 : 0);
  });
  if (length == 0) return;
  destination.ReserveAppend(length);
  ForEachPoint(text, [&](char32_t point) {
    char bytes[4];
    const int32_t count = EncodeUtf8(point, bytes);
    destination.Append(std::string_view(bytes, static_cast<size_t>(count)));
    if (double_quotes && point == U'"') destination.AppendUnit('"');
  });
}

template <typename Visit>
void ForEachDecoded(std::string_view utf8, Visit visit) {
  while (!utf8.empty()) {
    const DecodedPoint decoded = DecodeUtf8(utf8);
    visit(decoded.point);
    utf8.remove_prefix(static_cast<size_t>(decoded.length));
  }
}

}  // namespace

DecodedPoint DecodeUtf8(std::string_view utf8) {
  DecodedPoint result;  // U+FFFD, 1 byte
  if (utf8.empty()) return result;
  const uint32_t lead = Byte(utf8, 0);
  if (lead < 0x80) return {lead, 1};
  // Sequence length and the range allowed for the second byte, which is
  // where overlongs, encoded surrogates and values past U+10FFFF show.
  int32_t length = 0;
  uint32_t low = 0x80;
  uint32_t high = 0xBF;
  char32_t point = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    point = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong below U+0800
    if (lead == 0xED) high = 0x9F;  // U+D800..U+DFFF
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    point = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong below U+10000
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return result;  // continuation byte, C0, C1 or F5..FF as a lead
  }
  for (int32_t i = 1; i < length; ++i) {
    if (static_cast<size_t>(i) >= utf8.size()) return {kReplacementCharacter, i};
    const uint32_t byte = Byte(utf8, static_cast<size_t>(i));
    if (byte < low || byte > high) return {kReplacementCharacter, i};
    low = 0x80;
    high = 0xBF;
    point = (point << 6) | (byte & 0x3F);
  }
  return {point, length};
}

void AppendUtf8(ByteString& destination, std::u16string_view text) {
  AppendUtf8Quoted(destination, text, false);
}

void AppendFormQuoted(ByteString& destination, std::u16string_view text) {
  AppendUtf8Quoted(destination, text, true);
}

void AppendUtf16(WideString& destination, std::string_view utf8) {
  int64_t length = 0;
  ForEachDecoded(utf8, [&](char32_t point) { length += point >= 0x10000 ? 2 : 1; });
  if (length == 0) return;
  destination.ReserveAppend(length);
  ForEachDecoded(utf8, [&](char32_t point) {
    if (point >= 0x10000) {
      destination.AppendUnit(static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10)));
      destination.AppendUnit(static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF)));
    } else {
      destination.AppendUnit(static_cast<char16_t>(point));
    }
  });
}

ByteString ToUtf8(std::u16string_view text) {
  ByteString out;
  AppendUtf8(out, text);
  return out;
}

WideString FromUtf8(std::string_view utf8) {
  WideString out;
  AppendUtf16(out, utf8);
  return out;
}

}  // namespace kv
