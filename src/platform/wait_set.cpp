#include "platform/wait_set.h"

#include <errno.h>
#include <poll.h>

#include "util/errors.h"

namespace kv::platform {

int32_t WaitSet::Add(int handle) {
  fds_.push_back(handle);
  ready_.push_back(0);
  return Size() - 1;
}

int32_t WaitSet::Wait(int32_t timeout_ms) {
  std::vector<pollfd> polls(fds_.size());
  for (size_t i = 0; i < fds_.size(); ++i) polls[i] = pollfd{fds_[i], POLLIN, 0};
  int n;
  do {
    n = poll(polls.data(), polls.size(), timeout_ms);
  } while (n < 0 && errno == EINTR);
  if (n < 0) ThrowCode(kErrOutOfMemory);
  for (size_t i = 0; i < fds_.size(); ++i) ready_[i] = (polls[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
  return n;
}

}  // namespace kv::platform
