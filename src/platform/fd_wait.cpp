#include "platform/fd_wait.h"

#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include "platform/byte_stream.h"
#include "platform/ticks.h"
#include "util/errors.h"

namespace kv::platform {

FdWait WaitFd(int fd, short events, int32_t timeout_ms, const Event* stop) {
  const uint32_t start = TickCount();
  for (;;) {
    int remaining = -1;
    if (timeout_ms >= 0) {
      const uint32_t elapsed = TickCount() - start;
      remaining = elapsed >= static_cast<uint32_t>(timeout_ms)
                      ? 0
                      : static_cast<int>(static_cast<uint32_t>(timeout_ms) - elapsed);
    }
    pollfd polls[2] = {{stop ? stop->Handle() : -1, POLLIN, 0}, {fd, events, 0}};
    const int n = poll(polls, 2, remaining);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowCode(kErrOutOfMemory);  // ENOMEM: no room for the wait itself
    }
    if (polls[0].revents & POLLIN) return FdWait::kStopped;
    if (n == 0) return FdWait::kTimeout;
    const short got = polls[1].revents;
    if (got & events) return FdWait::kReady;  // read what is left before the hang-up
    if (got & POLLHUP) return FdWait::kHangUp;
    if (got & (POLLERR | POLLNVAL)) return FdWait::kError;
  }
}

void CloseFd(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

bool WaitForStop(const Event& stop, int32_t timeout_ms) {
  const uint32_t start = TickCount();
  for (;;) {
    int remaining = -1;
    if (timeout_ms >= 0) {
      const uint32_t elapsed = TickCount() - start;
      if (elapsed >= static_cast<uint32_t>(timeout_ms)) remaining = 0;
      else remaining = static_cast<int>(static_cast<uint32_t>(timeout_ms) - elapsed);
    }
    pollfd p{stop.Handle(), POLLIN, 0};
    const int n = poll(&p, 1, remaining);
    if (n < 0 && errno == EINTR) continue;
    if (n > 0) return true;
    if (n == 0) return false;
    return false;
  }
}

}  // namespace kv::platform
