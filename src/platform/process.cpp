#include "platform/process.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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

int32_t RunProgram(const std::vector<std::string>& argv, int32_t wait_ms) {
  if (argv.empty()) return kProgramNotStarted;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return kProgramNotStarted;
  // Polled: a program that does not end in time is left to run, not killed.
  constexpr int32_t kPollMs = 10;
  for (int32_t waited = 0;; waited += kPollMs) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : kProgramKilled;
    if (done < 0 && errno != EINTR) return kProgramKilled;
    if (waited >= wait_ms) return kProgramStillRunning;
    usleep(kPollMs * 1000);
  }
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
