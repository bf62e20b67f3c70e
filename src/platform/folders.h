// Where the user's folders and volumes are, and local time. Only this file
// knows the XDG conventions and the mount points of removable media.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kv::platform {

// $XDG_DOCUMENTS_DIR, else the XDG_DOCUMENTS_DIR line of
// $XDG_CONFIG_HOME/user-dirs.dirs, else $HOME/Documents. No trailing "/".
std::string DocumentsFolder();
// $XDG_CONFIG_HOME, else $HOME/.config. No trailing "/".
std::string ConfigFolder();
// The folder holding the running executable (from /proc/self/exe), no
// trailing "/"; empty when it cannot be found.
std::string ExecutableFolder();

struct VolumeSpace {
  uint64_t total_bytes = 0;
  uint64_t free_bytes = 0;  // available to this user
};
// statvfs of a path; nothing when the query fails.
std::optional<VolumeSpace> QueryVolumeSpace(const std::string& path);

// Folders under /media/$USER/ and /run/media/$USER/, in the order the
// system lists them: where desktop systems mount removable media.
std::vector<std::string> MountedVolumes();

// Converts between local time and UTC as seconds since 1970 (localtime_r,
// mktime with the system's own daylight-saving decision).
int64_t LocalSecondsToUtc(int64_t local_seconds);
int64_t UtcSecondsToLocal(int64_t utc_seconds);
// Milliseconds since 1970 UTC, from the real-time clock.
int64_t NowUnixMs();

}  // namespace kv::platform
