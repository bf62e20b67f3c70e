#include "platform/event.h"

#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "platform/ticks.h"
#include "util/errors.h"

namespace kv::platform {

Event::Event() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (fd_ < 0) ThrowCode(kErrOutOfMemory);
}

Event::~Event() { close(fd_); }

void Event::Set() {
  const uint64_t one = 1;
  // Only fails when the counter would overflow, which means it is set.
  [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
}

void Event::Reset() { Consume(); }

bool Event::Consume() {
  uint64_t value = 0;
  return read(fd_, &value, sizeof value) == static_cast<ssize_t>(sizeof value);
}

bool Event::Wait(int32_t timeout_ms) {
  const uint32_t start = TickCount();
  for (;;) {
    int remaining = -1;
    if (timeout_ms >= 0) {
      const uint32_t elapsed = TickCount() - start;
      if (elapsed > static_cast<uint32_t>(timeout_ms)) return Consume();
      remaining = static_cast<int>(static_cast<uint32_t>(timeout_ms) - elapsed);
    }
    pollfd p{fd_, POLLIN, 0};
    const int n = poll(&p, 1, remaining);
    if (n < 0 && errno == EINTR) continue;
    if (n > 0 && Consume()) return true;
    if (n == 0) return false;
    // Another waiter took it first, or poll failed: wait again.
  }
}

}  // namespace kv::platform
