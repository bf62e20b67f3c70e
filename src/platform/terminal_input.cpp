#include "platform/terminal_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace kv::platform {

struct TerminalInput::Saved {
  termios mode{};
  int flags = 0;
};

TerminalInput::TerminalInput() : saved_(std::make_unique<Saved>()) {
  // Keys come from a terminal or a pipe only. When the program was started
  // with standard input closed, descriptor 0 may be one of our own files.
  struct stat info {};
  if (fstat(fd_, &info) != 0 ||
      !(isatty(fd_) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))) {
    fd_ = -1;
    return;
  }
  terminal_ = isatty(fd_) != 0;
  saved_->flags = fcntl(fd_, F_GETFL);
  fcntl(fd_, F_SETFL, saved_->flags | O_NONBLOCK);
  if (terminal_ && tcgetattr(fd_, &saved_->mode) == 0) {
    termios raw = saved_->mode;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(fd_, TCSANOW, &raw);
  }
}

TerminalInput::~TerminalInput() {
  if (fd_ < 0) return;
  if (terminal_) tcsetattr(fd_, TCSANOW, &saved_->mode);
  fcntl(fd_, F_SETFL, saved_->flags);
}

bool TerminalInput::ReadAvailable(std::string* out) {
  if (fd_ < 0) return false;
  char block[256];
  for (;;) {
    const ssize_t n = read(fd_, block, sizeof block);
    if (n > 0) {
      out->append(block, static_cast<size_t>(n));
      continue;
    }
    if (n == 0) return false;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
  }
}

bool StdoutIsTerminal() { return isatty(1) != 0; }

bool StderrIsTerminal() { return isatty(2) != 0; }

}  // namespace kv::platform
