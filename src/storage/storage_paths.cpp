#include "storage/storage_paths.h"

#include <array>

#include "platform/file_io.h"
#include "platform/folders.h"
#include "util/utf_convert.h"

namespace kv {

namespace {

struct KindInfo {
  std::string_view folder;
  std::string_view suffix;
};

constexpr std::array<KindInfo, 12> kKinds = {{
    {"Sessions/", "-session.bin"},
    {"Sessions/", "-plots.bin"},
    {"Sessions/", "-nmea.txt"},
    {"Sessions/", ".txt"},
    {"Tracks/", "-track.bin"},
    {"Sounds/", ".wav"},
    {"Exports/", "-export.kml"},
    {"Exports/", "-export.csv"},
    {"Exports/", "-export.dbn"},
    {"Exports/", "-export.vbo"},
    {"Exports/", "-export.dat"},
    {"Exports/", "-export.gpx"},
}};

const KindInfo& Info(FileKind kind) { return kKinds[static_cast<size_t>(kind)]; }

}  // namespace

std::string_view FolderOf(FileKind kind) { return Info(kind).folder; }
std::string_view SuffixOf(FileKind kind) { return Info(kind).suffix; }

std::string BuildPath(std::u16string_view base_name, const std::string& root, FileKind kind) {
  std::string path = root;
  path += kAppFolder;
  path += FolderOf(kind);
  path += ToUtf8(base_name).Std();
  path += SuffixOf(kind);
  return path;
}

DirResult CreateDirectories(const std::string& path) {
  if (platform::DirectoryExists(path)) return DirResult::kExists;
  for (size_t i = 1; i < path.size(); ++i) {
    if (path[i] != '/') continue;
    const std::string prefix = path.substr(0, i);
    if (!platform::DirectoryExists(prefix) && !platform::MakeDirectory(prefix)) return DirResult::kFailed;
  }
  return DirResult::kCreated;
}

bool EnsureFolders(const std::string& root) {
  const std::string base = root + std::string(kAppFolder);
  for (const std::string_view folder : {"Sessions/", "Tracks/", "Exports/"}) {
    if (CreateDirectories(base + std::string(folder)) == DirResult::kFailed) return false;
  }
  return true;
}

bool EnsureExportFolder(const std::string& root) {
  return CreateDirectories(root + std::string(kAppFolder) + "Exports/") != DirResult::kFailed;
}

uint32_t FreeSpaceKb(const std::string& path) {
  const auto space = platform::QueryVolumeSpace(path);
  if (!space) return 0;
  const uint64_t kb = space->free_bytes >> 10;
  return kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(kb);
}

bool IsValidName(std::u16string_view name) {
  if (!name.empty() && name.front() == u'.') return false;
  for (const char16_t c : name)
    if (c < 0x20 || c == 0x7F) return false;
  return name.find_first_of(u"<>?\\\"*/:|") == std::u16string_view::npos;
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

WideString UniqueSessionBaseName(const std::string& root, const DateTimeValue& local_time) {
  const CalendarParts parts = local_time.Decompose();
  WideString name;
  name.AppendInt(parts.year);
  name.AppendInt(parts.month, 2);
  name.AppendInt(parts.day, 2);
  name.AppendUnit(u'-');
  name.AppendInt(parts.hours, 2);
  name.AppendInt(parts.minutes, 2);
  WideString candidate = name;
  for (int32_t n = 1; platform::FileExists(BuildPath(candidate, root, FileKind::kSessionHeader)); ++n) {
    candidate = name;
    candidate.AppendUnit(u'-');
    candidate.AppendInt(n);
  }
  return candidate;
}

}  // namespace kv
