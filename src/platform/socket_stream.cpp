#include "platform/socket_stream.h"

#include <bluetooth/bluetooth.h>
#include <bluetooth/rfcomm.h>
#include <errno.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "platform/fd_wait.h"

namespace kv::platform {

void ReuseAddressAlone(int socket_fd) {
  const int yes = 1;
  setsockopt(socket_fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

namespace {

constexpr int32_t kConnectTimeoutMs = 12000;

}  // namespace

SocketStream::~SocketStream() { Close(); }

int32_t SocketStream::FinishConnect(int32_t connect_result, const Event& stop) {
  if (connect_result != 0 && errno != EINPROGRESS) return errno;
  if (connect_result != 0) {
    switch (WaitFd(fd_, POLLOUT, kConnectTimeoutMs, &stop)) {
      case FdWait::kStopped:
        return EINTR;
      case FdWait::kTimeout:
        return ETIMEDOUT;
      default:
        break;
    }
  }
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
  return error;
}

IoStatus SocketStream::Read(char* buffer, size_t capacity, size_t* got, int32_t timeout_ms,
                            const Event& stop) {
  *got = 0;
  if (fd_ < 0) return IoStatus::kLost;
  switch (WaitFd(fd_, POLLIN, timeout_ms, &stop)) {
    case FdWait::kStopped:
      return IoStatus::kStopped;
    case FdWait::kTimeout:
      return IoStatus::kTimeout;
    case FdWait::kHangUp:
    case FdWait::kError:
      return IoStatus::kLost;
    case FdWait::kReady:
      break;
  }
  for (;;) {
    const ssize_t n = recv(fd_, buffer, capacity, 0);
    if (n > 0) {
      *got = static_cast<size_t>(n);
      return IoStatus::kData;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return IoStatus::kTimeout;
    return IoStatus::kLost;  // 0 bytes: the peer closed
  }
}

bool SocketStream::Write(std::string_view bytes) {
  while (!bytes.empty() && fd_ >= 0) {
    const ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
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

void SocketStream::Close() { CloseFd(&fd_); }

int32_t TcpStream::Open(const Event& stop) {
  Close();
  if (WaitForStop(stop, 0)) return EINTR;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port_);
  if (getaddrinfo(host_.c_str(), service.c_str(), &hints, &found) != 0 || !found) return EHOSTUNREACH;
  int32_t error = ECONNREFUSED;
  for (addrinfo* a = found; a; a = a->ai_next) {
    fd_ = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd_ < 0) {
      error = errno;
      continue;
    }
    error = FinishConnect(connect(fd_, a->ai_addr, a->ai_addrlen), stop);
    if (error == 0 || error == EINTR) break;
    Close();
  }
  freeaddrinfo(found);
  if (error != 0) Close();
  return error;
}

int32_t RfcommStream::Open(const Event& stop) {
  Close();
  if (WaitForStop(stop, 0)) return EINTR;
  fd_ = socket(AF_BLUETOOTH, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, BTPROTO_RFCOMM);
  if (fd_ < 0) return -errno;
  sockaddr_rc address{};
  address.rc_family = AF_BLUETOOTH;
  // BlueZ keeps addresses with the last written byte first.
  for (size_t i = 0; i < address_.size(); ++i) address.rc_bdaddr.b[i] = address_[address_.size() - 1 - i];
  address.rc_channel = static_cast<uint8_t>(channel_ & 0xFF);
  const int32_t error =
      FinishConnect(connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), stop);
  if (error != 0) Close();
  return error;
}

int32_t GpsdStream::Open(const Event& stop) {
  at_line_start_ = true;
  in_report_ = false;
  const int32_t error = TcpStream::Open(stop);
  if (error != 0) return error;
  if (!SocketStream::Write(kWatchCommand)) {
    Close();
    return ECONNRESET;
  }
  return 0;
}

IoStatus GpsdStream::Read(char* buffer, size_t capacity, size_t* got, int32_t timeout_ms,
                          const Event& stop) {
  const IoStatus status = SocketStream::Read(buffer, capacity, got, timeout_ms, stop);
  if (status != IoStatus::kData) return status;
  size_t kept = 0;
  for (size_t i = 0; i < *got; ++i) {
    const char c = buffer[i];
    if (at_line_start_ && c == '{') in_report_ = true;
    if (!in_report_) buffer[kept++] = c;
    at_line_start_ = c == '\n';
    if (at_line_start_) in_report_ = false;
  }
  *got = kept;
  return kept > 0 ? IoStatus::kData : IoStatus::kTimeout;
}

bool GpsdStream::Write(std::string_view /*bytes*/) { return true; }

}  // namespace kv::platform
