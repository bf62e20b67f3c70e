#include "storage/directory_scan.h"

#include "util/errors.h"
#include "util/utf_convert.h"

namespace kv {

namespace {
constexpr int32_t kBadScanPattern = 9;  // KvCore code
}

void DirectoryScan::Open(const std::string& pattern, bool include_folders) {
  Close();
  const size_t slash = pattern.rfind('/');
  if (slash == std::string::npos) ReportProgrammingError(kBadScanPattern);
  std::string name_pattern = pattern.substr(slash + 1);
  if (name_pattern.find('*') == std::string::npos) name_pattern.push_back('*');
  const size_t star = name_pattern.find('*');
  prefix_ = name_pattern.substr(0, star);
  suffix_ = name_pattern.substr(star + 1);
  include_folders_ = include_folders;
  entries_ = platform::ListDirectory(pattern.substr(0, slash + 1));
}

void DirectoryScan::Open(const std::string& root, FileKind kind) {
  Open(root + std::string(kAppFolder) + std::string(FolderOf(kind)) + "*" + std::string(SuffixOf(kind)));
}

bool DirectoryScan::Next(WideString& base_name, bool* is_folder) {
  while (index_ < entries_.size()) {
    const platform::DirectoryEntry& entry = entries_[index_++];
    if (entry.is_hidden) continue;
    if (entry.is_folder && !include_folders_) continue;
    const std::string& name = entry.name;
    if (name.size() < prefix_.size() + suffix_.size()) continue;
    if (name.compare(0, prefix_.size(), prefix_) != 0) continue;
    if (name.compare(name.size() - suffix_.size(), suffix_.size(), suffix_) != 0) continue;
    base_name = FromUtf8(std::string_view(name).substr(prefix_.size(), name.size() - prefix_.size() - suffix_.size()));
    if (is_folder) *is_folder = entry.is_folder;
    return true;
  }
  return false;
}

}  // namespace kv
