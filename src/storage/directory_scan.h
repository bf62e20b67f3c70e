// DirectoryScan: the entries of one folder whose names match
// "<prefix>*<suffix>", returned with the prefix and suffix cut off. Hidden
// entries (names starting with ".") are skipped, and folders unless asked
// for. A pattern without "/" is a programming error (KvCore 9).
// Main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "storage/storage_paths.h"
#include "util/wide_string.h"

namespace kv {

class DirectoryScan {
 public:
  // `pattern`: folder path + name pattern, e.g. root +
  // "Korvatinel/Sessions/*-session.bin". No "*" means one is appended.
  void Open(const std::string& pattern, bool include_folders = false);
  // Scan of a file kind on a storage root.
  void Open(const std::string& root, FileKind kind);
  // The next entry's base name; false when none remain.
  bool Next(WideString& base_name, bool* is_folder = nullptr);
  void Close() { entries_.clear(); index_ = 0; }

 private:
  std::vector<platform::DirectoryEntry> entries_;
  size_t index_ = 0;
  std::string prefix_, suffix_;
  bool include_folders_ = false;
};

}  // namespace kv
