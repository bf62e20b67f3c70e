#include "platform/tcp_client.h"

#include <errno.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/fd_wait.h"

namespace kv::platform {

int32_t FindRoute(const std::string& host, int32_t port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
    return EHOSTUNREACH;
  int32_t error = ENETUNREACH;
  for (addrinfo* a = found; a && error != 0; a = a->ai_next) {
    int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      error = errno;
      continue;
    }
    error = connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
    CloseFd(&fd);
  }
  freeaddrinfo(found);
  return error;
}

TcpResult TcpClient::Send(std::string_view bytes, const Event& cancel) {
  while (!bytes.empty()) {
    if (fd_ < 0) return TcpResult::kFailed;
    const ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (WaitFd(fd_, POLLOUT, -1, &cancel) == FdWait::kStopped) return TcpResult::kCancelled;
      continue;  // ready, or an error the next send reports
    }
    return TcpResult::kFailed;
  }
  return WaitForStop(cancel, 0) ? TcpResult::kCancelled : TcpResult::kDone;
}

TcpResult TcpClient::Receive(char* buffer, size_t capacity, size_t* got, const Event& cancel) {
  *got = 0;
  for (;;) {
    if (fd_ < 0) return TcpResult::kFailed;
    // A hang-up or an error is read out below: recv tells a close from a reset.
    if (WaitFd(fd_, POLLIN, -1, &cancel) == FdWait::kStopped) return TcpResult::kCancelled;
    const ssize_t n = recv(fd_, buffer, capacity, 0);
    if (n > 0) {
      *got = static_cast<size_t>(n);
      return TcpResult::kDone;
    }
    if (n == 0) return TcpResult::kClosed;
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
    return TcpResult::kFailed;
  }
}

}  // namespace kv::platform
