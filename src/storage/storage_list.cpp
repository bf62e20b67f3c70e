#include "storage/storage_list.h"

#include "platform/file_io.h"
#include "platform/folders.h"
#include "storage/storage_paths.h"
#include "util/errors.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv {

namespace {

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path.push_back('/');
  return path;
}

uint32_t ToKb(uint64_t bytes) {
  const uint64_t kb = bytes >> 10;
  return kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(kb);
}

StorageMedium MakeMedium(WideString name, const std::string& folder) {
  StorageMedium medium;
  medium.display_name = std::move(name);
  medium.root = WithSlash(folder);
  if (const auto space = platform::QueryVolumeSpace(folder)) {
    medium.total_kb = ToKb(space->total_bytes);
    medium.free_kb = ToKb(space->free_bytes);
  }
  return medium;
}

}  // namespace

StorageList::StorageList(std::string data_dir) {
  if (!data_dir.empty()) data_dir_ = WithSlash(std::move(data_dir));
}

void StorageList::Refresh() {
  media_.clear();
  if (!data_dir_.empty()) {
    media_.push_back(MakeMedium(FromUtf8(data_dir_), data_dir_));
    return;
  }
  media_.push_back(MakeMedium(Load(kStrMyDocuments), platform::DocumentsFolder()));
  for (const std::string& volume : platform::MountedVolumes()) {
    const auto space = platform::QueryVolumeSpace(volume);
    if (!space) continue;
    StorageMedium medium;
    medium.display_name = FromUtf8(FileNameOf(volume));
    medium.root = WithSlash(volume);
    medium.total_kb = ToKb(space->total_bytes);
    medium.free_kb = ToKb(space->free_bytes);
    media_.push_back(std::move(medium));
  }
}

const StorageMedium& StorageList::At(int32_t index) const {
  if (index < 0 || index >= Count()) ReportProgrammingError(kBadArrayIndex);
  return media_[static_cast<size_t>(index)];
}

const StorageMedium* StorageList::Find(const std::string& root) const {
  for (const StorageMedium& medium : media_)
    if (medium.root == root) return &medium;
  return nullptr;
}

std::string StorageList::DefaultRoot() const {
  if (!media_.empty()) return media_.front().root;
  return data_dir_.empty() ? WithSlash(platform::DocumentsFolder()) : data_dir_;
}

std::string StorageList::AppDataFolder() const {
  const std::string base = data_dir_.empty() ? WithSlash(platform::ConfigFolder()) : data_dir_;
  return base + std::string(kAppFolder);
}

bool StorageList::EnsureAppDataFolder() const { return CreateDirectories(AppDataFolder()) != DirResult::kFailed; }

std::string StorageList::InstallFolder() const {
  const std::string exe = platform::ExecutableFolder();
  std::vector<std::string> candidates;
  if (!exe.empty()) {
    candidates.push_back(exe + "/../share/korvatinel/");
    candidates.push_back(exe + "/../../data/");
  }
  candidates.push_back("/usr/local/share/korvatinel/");
  candidates.push_back("/usr/share/korvatinel/");
  for (const std::string& folder : candidates)
    if (platform::DirectoryExists(folder)) return folder;
  return {};
}

std::string StorageList::BundledSoundsFolder() const {
  const std::string exe = platform::ExecutableFolder();
  std::vector<std::string> candidates;
  if (!exe.empty()) {
    candidates.push_back(exe + "/../sounds/");
    candidates.push_back(exe + "/../share/korvatinel/sounds/");
  }
  candidates.push_back("/usr/local/share/korvatinel/sounds/");
  candidates.push_back("/usr/share/korvatinel/sounds/");
  for (const std::string& folder : candidates)
    if (platform::DirectoryExists(folder)) return folder;
  return {};
}

}  // namespace kv
