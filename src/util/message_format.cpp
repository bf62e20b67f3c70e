#include "util/message_format.h"

#include "util/errors.h"
#include "util/text_search.h"

namespace kv {

namespace {

void ReplaceNumber(WideString& message, std::u16string_view placeholder, int32_t n) {
  WideString number;
  number.AppendInt(n);
  ReplacePlaceholder(message, placeholder, number);
}

}  // namespace

void ReplacePlaceholder(WideString& message, std::u16string_view placeholder,
                        std::u16string_view value) {
  const int32_t at = Find(message, placeholder);
  if (at < 0) ReportProgrammingError(kMissingPlaceholder);
  const std::u16string_view text = message;
  WideString result;
  result.ReserveAppend(static_cast<int64_t>(text.size()) -
                       static_cast<int64_t>(placeholder.size()) +
                       static_cast<int64_t>(value.size()));
  result.Append(text.substr(0, static_cast<size_t>(at)));
  result.Append(value);
  result.Append(text.substr(static_cast<size_t>(at) + placeholder.size()));
  message = std::move(result);
}

WideString FormatN(std::u16string_view message, int32_t n) {
  WideString out(message);
  ReplaceNumber(out, u"%N", n);
  return out;
}

WideString FormatNN(std::u16string_view message, int32_t first, int32_t second) {
  WideString out(message);
  ReplaceNumber(out, u"%0N", first);
  ReplaceNumber(out, u"%1N", second);
  return out;
}

WideString FormatU(std::u16string_view message, std::u16string_view text) {
  WideString out(message);
  ReplacePlaceholder(out, u"%U", text);
  return out;
}

WideString FormatUU(std::u16string_view message, std::u16string_view first,
                    std::u16string_view second) {
  WideString out(message);
  ReplacePlaceholder(out, u"%0U", first);
  ReplacePlaceholder(out, u"%1U", second);
  return out;
}

WideString FormatUUU(std::u16string_view message, std::u16string_view first,
                     std::u16string_view second, std::u16string_view third) {
  WideString out(message);
  ReplacePlaceholder(out, u"%0U", first);
  ReplacePlaceholder(out, u"%1U", second);
  ReplacePlaceholder(out, u"%2U", third);
  return out;
}

WideString FormatUN(std::u16string_view message, std::u16string_view text, int32_t n) {
  WideString out(message);
  ReplacePlaceholder(out, u"%U", text);
  ReplaceNumber(out, u"%N", n);
  return out;
}

}  // namespace kv
