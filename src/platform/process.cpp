#include "platform/process.h"

#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

extern char** environ;

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

bool StartProgram(const std::vector<std::string>& argv) {
  if (argv.empty()) return false;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  return posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) == 0;
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
