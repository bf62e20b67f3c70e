// Waiting on one descriptor together with a stop event. Internal to the
// platform layer's transports.
#pragma once

#include <cstdint>

#include "platform/event.h"

namespace kv::platform {

enum class FdWait : int32_t { kReady, kTimeout, kStopped, kHangUp, kError };

// Waits at most timeout_ms (negative: no limit) until fd has one of
// `events` (poll flags), the peer hung up, or stop (when given) is set. The
// stop event is checked first and is not consumed. A wait that the system
// cannot make throws kErrOutOfMemory, like every wait of this layer.
FdWait WaitFd(int fd, short events, int32_t timeout_ms, const Event* stop);

// Closes fd if open and marks it closed (-1).
void CloseFd(int* fd);

}  // namespace kv::platform
