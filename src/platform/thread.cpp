#include "platform/thread.h"

#include <pthread.h>
#include <time.h>

#include <utility>

#include "util/errors.h"

namespace kv::platform {

namespace {

// The running thread holds its body through its own reference, so a thread
// that outlives its Join (and its Thread object) still has a body to run,
// and the body is freed by whichever of the two lets go last.
using Body = std::shared_ptr<std::function<void()>>;

void* Trampoline(void* arg) {
  const Body body = std::move(*static_cast<Body*>(arg));
  delete static_cast<Body*>(arg);
  (*body)();
  return nullptr;
}

}  // namespace

struct Thread::State {
  pthread_t handle{};
  bool joined = false;
  bool detached = false;  // gave up waiting; the body may still run
};

Thread::Thread(std::function<void()> body) : state_(std::make_unique<State>()) {
  auto* arg = new Body(std::make_shared<std::function<void()>>(std::move(body)));
  if (pthread_create(&state_->handle, nullptr, Trampoline, arg) != 0) {
    delete arg;
    ThrowCode(kErrThreadCreate);
  }
}

Thread::~Thread() {
  if (!state_->joined && !state_->detached) Join(15000);
}

bool Thread::Join(int32_t timeout_ms) {
  if (state_->joined) return true;
  if (state_->detached) return false;
  timespec deadline{};
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += timeout_ms / 1000;
  deadline.tv_nsec += static_cast<long>(timeout_ms % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  if (pthread_timedjoin_np(state_->handle, nullptr, &deadline) != 0) {
    pthread_detach(state_->handle);
    state_->detached = true;
    return false;
  }
  state_->joined = true;
  return true;
}

}  // namespace kv::platform
