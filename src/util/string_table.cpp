#include "util/string_table.h"

#include <algorithm>

#include "util/string_table_texts.h"

namespace kv {

namespace {

std::u16string_view Find(int32_t id) {
  const std::span<const StringEntry> entries = StringTableEntries();
  const auto it =
      std::lower_bound(entries.begin(), entries.end(), id,
                       [](const StringEntry& entry, int32_t wanted) { return entry.id < wanted; });
  if (it == entries.end() || it->id != id) return {};
  return it->text.substr(0, static_cast<size_t>(kMaxLoadedText));
}

}  // namespace

WideString Load(int32_t id) { return WideString(Find(id)); }

WideString FormatN(int32_t id, int32_t n) { return FormatN(Find(id), n); }

WideString FormatNN(int32_t id, int32_t first, int32_t second) {
  return FormatNN(Find(id), first, second);
}

WideString FormatU(int32_t id, std::u16string_view text) { return FormatU(Find(id), text); }

WideString FormatUU(int32_t id, std::u16string_view first, std::u16string_view second) {
  return FormatUU(Find(id), first, second);
}

WideString FormatUUU(int32_t id, std::u16string_view first, std::u16string_view second,
                     std::u16string_view third) {
  return FormatUUU(Find(id), first, second, third);
}

WideString FormatUN(int32_t id, std::u16string_view text, int32_t n) {
  return FormatUN(Find(id), text, n);
}

}  // namespace kv
