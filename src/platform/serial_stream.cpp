#include "platform/serial_stream.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/fd_wait.h"

namespace kv::platform {

namespace {

bool SpeedOf(int32_t baud_rate, speed_t* speed) {
  struct Rate {
    int32_t bits;
    speed_t speed;
  };
  static constexpr Rate kRates[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},
                                    {9600, B9600},     {19200, B19200},   {38400, B38400},
                                    {57600, B57600},   {115200, B115200}, {230400, B230400},
                                    {460800, B460800}, {921600, B921600}};
  for (const Rate& rate : kRates) {
    if (rate.bits == baud_rate) {
      *speed = rate.speed;
      return true;
    }
  }
  return false;
}

}  // namespace

SerialStream::~SerialStream() { Close(); }

int32_t SerialStream::Open(const Event& stop) {
  Close();
  if (WaitForStop(stop, 0)) return EINTR;
  speed_t speed = B0;
  if (baud_rate_ != 0 && !SpeedOf(baud_rate_, &speed)) return EINVAL;
  fd_ = open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return errno;
  // Exclusive, like a port opened without sharing: a second program cannot
  // steal half the sentences.
  (void)ioctl(fd_, TIOCEXCL);
  termios tio{};
  if (tcgetattr(fd_, &tio) != 0) {
    const int32_t error = errno;
    Close();
    return error;
  }
  cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (baud_rate_ != 0) {
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
  }
  if (tcsetattr(fd_, TCSANOW, &tio) != 0) {
    const int32_t error = errno;
    Close();
    return error;
  }
  int lines = 0;
  watch_dsr_ = ioctl(fd_, TIOCMGET, &lines) == 0 && (lines & TIOCM_DSR) != 0;
  return 0;
}

bool SerialStream::LineDropped() const {
  int lines = 0;
  if (ioctl(fd_, TIOCMGET, &lines) != 0) return errno == EIO || errno == ENODEV || errno == ENXIO;
  return watch_dsr_ && (lines & TIOCM_DSR) == 0;
}

IoStatus SerialStream::Read(char* buffer, size_t capacity, size_t* got, int32_t timeout_ms,
                            const Event& stop) {
  *got = 0;
  if (fd_ < 0) return IoStatus::kLost;
  switch (WaitFd(fd_, POLLIN, timeout_ms, &stop)) {
    case FdWait::kStopped:
      return IoStatus::kStopped;
    case FdWait::kTimeout:
      return LineDropped() ? IoStatus::kLost : IoStatus::kTimeout;
    case FdWait::kHangUp:
    case FdWait::kError:
      return IoStatus::kLost;
    case FdWait::kReady:
      break;
  }
  for (;;) {
    const ssize_t n = read(fd_, buffer, capacity);
    if (n > 0) {
      *got = static_cast<size_t>(n);
      return IoStatus::kData;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return IoStatus::kTimeout;
    // 0 bytes from a readable tty, EIO, ENODEV: the device or its peer is gone.
    return IoStatus::kLost;
  }
}

bool SerialStream::Write(std::string_view bytes) {
  while (!bytes.empty() && fd_ >= 0) {
    const ssize_t n = write(fd_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN && WaitFd(fd_, POLLOUT, 1000, nullptr) == FdWait::kReady) continue;
    return false;
  }
  return bytes.empty();
}

void SerialStream::Close() {
  CloseFd(&fd_);
  watch_dsr_ = false;
}

}  // namespace kv::platform
