// elm327_emulator.py (beside this file) as a child process of a test: an
// ELM327-style adapter on a pseudo-terminal, started with the script's
// options and ended with the object (its standard input closes).
#pragma once

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace kv::test {

class Elm327Emulator {
 public:
  // options: the script's, e.g. {"--rpm", "800,1200", "--delay", "20"}.
  explicit Elm327Emulator(std::vector<std::string> options) {
    int to_child[2], from_child[2];
    if (pipe(to_child) != 0 || pipe(from_child) != 0) return;
    options.insert(options.begin(), {"python3", KV_SOURCE_DIR "/tests/acquisition/elm327_emulator.py"});
    // Made before the fork: the child of a process with threads may not allocate.
    std::vector<char*> argv;
    for (std::string& o : options) argv.push_back(o.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(to_child[0], 0);
      dup2(from_child[1], 1);
      for (int fd : {to_child[0], to_child[1], from_child[0], from_child[1]}) close(fd);
      execvp(argv[0], argv.data());
      _exit(127);
    }
    close(to_child[0]);
    close(from_child[1]);
    input_ = to_child[1];
    char c = 0;
    pollfd p{from_child[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0 && read(from_child[0], &c, 1) == 1 && c != '\n') device_ += c;
    close(from_child[0]);
  }
  ~Elm327Emulator() {
    if (input_ >= 0) close(input_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }

  // The slave side's path; empty when the emulator did not start.
  const std::string& Device() const { return device_; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  std::string device_;
};

// The lines of a --log file, each split at its tabs: command, reply, and
// "garbled" for a reply that was.
inline std::vector<std::vector<std::string>> EmulatorLog(const std::string& path) {
  std::vector<std::vector<std::string>> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    lines.emplace_back();
    for (size_t at = 0, tab = 0; tab != std::string::npos; at = tab + 1)
      lines.back().push_back(line.substr(at, (tab = line.find('\t', at)) - at));
  }
  return lines;
}

}  // namespace kv::test
