#include "platform/thread.h"

#include <pthread.h>
#include <time.h>

#include <utility>

#include "util/errors.h"

namespace kv::platform {

struct Thread::State {
  pthread_t handle{};
  bool joined = false;
  bool detached = false;  // gave up waiting; the body may still run
  std::function<void()> body;
};

namespace {

void* Trampoline(void* arg) {
  auto* body = static_cast<std::function<void()>*>(arg);
  (*body)();
  return nullptr;
}

}  // namespace

Thread::Thread(std::function<void()> body) : state_(std::make_unique<State>()) {
  state_->body = std::move(body);
  if (pthread_create(&state_->handle, nullptr, Trampoline, &state_->body) != 0)
    ThrowCode(kErrThreadCreate);
}

Thread::~Thread() {
  if (!state_->joined && !state_->detached) Join(15000);
  // A body that outlived its join still reads state_->body: leave it be.
  if (state_->detached) (void)state_.release();
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
