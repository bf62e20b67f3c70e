#include "platform/process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace kv::platform {

int32_t ProcessId() { return static_cast<int32_t>(getpid()); }

void ExitProcess(int32_t code) {
  std::fflush(nullptr);
  std::exit(code);
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string TemporaryDirectory() {
  for (const char* name : {"TMPDIR", "TMP", "TEMP", "TEMPDIR"}) {
    const std::string dir = Environment(name);
    if (!dir.empty()) return dir;
  }
  return "/tmp";
}

std::string RuntimeDirectory() {
  std::string dir = Environment("XDG_RUNTIME_DIR");
  if (dir.empty()) {
    dir = "/tmp/korvatinel-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
  }
  return dir;
}

}  // namespace kv::platform
