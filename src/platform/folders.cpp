#include "platform/folders.h"

#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <ctime>
#include <fstream>

#include "platform/file_io.h"
#include "platform/process.h"

namespace kv::platform {

namespace {

std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) return home;
  if (const passwd* entry = ::getpwuid(::getuid())) return entry->pw_dir;
  return "/tmp";
}

std::string UserName() {
  std::string user = Environment("USER");
  if (!user.empty()) return user;
  if (const passwd* entry = ::getpwuid(::getuid())) return entry->pw_name;
  return {};
}

std::string TrimSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The value of XDG_DOCUMENTS_DIR="..." in user-dirs.dirs, with $HOME
// expanded; empty when absent.
std::string DocumentsFromUserDirs() {
  std::ifstream file(ConfigFolder() + "/user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_DOCUMENTS_DIR=\"";
  while (std::getline(file, line)) {
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    const size_t quote = value.find('"');
    if (quote == std::string::npos) return {};
    value.resize(quote);
    if (value.rfind("$HOME", 0) == 0) value = HomeFolder() + value.substr(5);
    return value;
  }
  return {};
}

}  // namespace

std::string ConfigFolder() {
  const std::string config = Environment("XDG_CONFIG_HOME");
  if (!config.empty() && config[0] == '/') return TrimSlash(config);
  return HomeFolder() + "/.config";
}

std::string DocumentsFolder() {
  std::string documents = Environment("XDG_DOCUMENTS_DIR");
  if (documents.empty()) documents = DocumentsFromUserDirs();
  if (documents.empty() || documents[0] != '/') documents = HomeFolder() + "/Documents";
  return TrimSlash(documents);
}

std::string ExecutableFolder() {
  std::array<char, 4096> buffer{};
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  std::string path(buffer.data(), static_cast<size_t>(length));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::optional<VolumeSpace> QueryVolumeSpace(const std::string& path) {
  struct statvfs info {};
  if (::statvfs(path.c_str(), &info) != 0) return std::nullopt;
  VolumeSpace space;
  space.total_bytes = static_cast<uint64_t>(info.f_blocks) * info.f_frsize;
  space.free_bytes = static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
  return space;
}

std::vector<std::string> MountedVolumes() {
  std::vector<std::string> volumes;
  const std::string user = UserName();
  if (user.empty()) return volumes;
  for (const std::string& base : {"/media/" + user, "/run/media/" + user}) {
    for (const DirectoryEntry& entry : ListDirectory(base))
      if (entry.is_folder && !entry.is_hidden) volumes.push_back(base + "/" + entry.name);
  }
  return volumes;
}

int64_t LocalSecondsToUtc(int64_t local_seconds) {
  // Split the local wall-clock value as if it were UTC, then let mktime
  // interpret the fields as local time.
  const time_t as_utc = static_cast<time_t>(local_seconds);
  std::tm fields{};
  if (::gmtime_r(&as_utc, &fields) == nullptr) return local_seconds;
  fields.tm_isdst = -1;
  const time_t utc = ::mktime(&fields);
  return utc == static_cast<time_t>(-1) ? local_seconds : static_cast<int64_t>(utc);
}

int64_t UtcSecondsToLocal(int64_t utc_seconds) {
  const time_t utc = static_cast<time_t>(utc_seconds);
  std::tm fields{};
  if (::localtime_r(&utc, &fields) == nullptr) return utc_seconds;
  return utc_seconds + fields.tm_gmtoff;
}

int64_t NowUnixMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace kv::platform
