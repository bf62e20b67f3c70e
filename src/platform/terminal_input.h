// TerminalInput: the keys typed while a command runs (standard input), for
// the main loop's one wait. On a terminal it switches to single keys
// without echo and restores the terminal on destruction; a pipe is read as
// it comes. Main thread.
#pragma once

#include <memory>
#include <string>

namespace kv::platform {

class TerminalInput {
 public:
  TerminalInput();
  ~TerminalInput();
  TerminalInput(const TerminalInput&) = delete;
  TerminalInput& operator=(const TerminalInput&) = delete;

  // The descriptor to wait on; -1 when standard input is neither a terminal
  // nor a pipe (closed, /dev/null, a file).
  int Fd() const { return fd_; }
  bool IsTerminal() const { return terminal_; }
  // Appends what can be read without blocking; false at end of input.
  bool ReadAvailable(std::string* out);

 private:
  struct Saved;
  int fd_ = 0;
  bool terminal_ = false;
  std::unique_ptr<Saved> saved_;
};

// True when standard output is a terminal (figures are then redrawn in place).
bool StdoutIsTerminal();
// True when standard error is a terminal (progress bars are drawn there).
bool StderrIsTerminal();

}  // namespace kv::platform
