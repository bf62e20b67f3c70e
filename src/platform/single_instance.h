// SingleInstance: at most one running Korvatinel per user that drives data
// sources. The first start holds a lock file in the runtime folder and
// listens on a Unix-domain socket beside it; a later start finds the lock
// taken, asks the first to come forward through the socket, and gives up.
// Commands that only read files never take it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/event.h"
#include "platform/thread.h"

namespace kv::platform {

class SingleInstance {
 public:
  enum class Outcome { kAcquired, kOtherRaised, kOtherUnreachable };

  // on_raise runs on the listener thread each time another start asks this
  // instance to come forward; keep it short (set a flag, wake the loop).
  static std::unique_ptr<SingleInstance> Acquire(const std::string& folder,
                                                 std::function<void()> on_raise,
                                                 Outcome* outcome);
  ~SingleInstance();

 private:
  SingleInstance(int lock_fd, int listen_fd, std::string socket_path,
                 std::function<void()> on_raise);
  void Listen();

  int lock_fd_;
  int listen_fd_;
  std::string socket_path_;
  std::function<void()> on_raise_;
  Event stop_;
  std::unique_ptr<Thread> thread_;
};

}  // namespace kv::platform
