// A helper script (python3) as a child process of a test: the peer on a
// pseudo-terminal or a loopback port. The script prints where it can be
// reached on its first line of output; it ends when its standard input
// closes, which the object's destruction does.
#pragma once

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace kv::test {

class ScriptChild {
 public:
  // script: a path below the source tree, e.g. "tests/online/x.py".
  ScriptChild(const std::string& script, std::vector<std::string> options) {
    int to_child[2], from_child[2];
    if (pipe(to_child) != 0 || pipe(from_child) != 0) return;
    options.insert(options.begin(), {"python3", KV_SOURCE_DIR "/" + script});
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
    while (poll(&p, 1, 10000) > 0 && read(from_child[0], &c, 1) == 1 && c != '\n') first_line_ += c;
    close(from_child[0]);
  }
  ~ScriptChild() {
    if (input_ >= 0) close(input_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  ScriptChild(const ScriptChild&) = delete;
  ScriptChild& operator=(const ScriptChild&) = delete;

  // Empty when the script did not start.
  const std::string& FirstLine() const { return first_line_; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  std::string first_line_;
};

}  // namespace kv::test
