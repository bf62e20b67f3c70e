// The stored form of the string table: {id, text} pairs in ascending id
// order. Only string_table.cpp and its tests read it; everyone else loads
// texts by id through string_table.h.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kv {

struct StringEntry {
  int32_t id;
  std::u16string_view text;
};

// All entries, ascending by id, ids unique (checked when compiled). The
// texts are static.
std::span<const StringEntry> StringTableEntries();

}  // namespace kv
