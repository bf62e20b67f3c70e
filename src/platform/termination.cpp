#include "platform/termination.h"

#include <signal.h>

#include <atomic>

namespace kv::platform {

namespace {

std::atomic<Event*> g_target{nullptr};  // read by the signal handler only
struct sigaction g_old_int, g_old_term;

void OnSignal(int) {
  if (Event* target = g_target.load()) target->Set();
}

}  // namespace

TerminationSignals::TerminationSignals(Event& target) {
  g_target.store(&target);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &g_old_int);
  sigaction(SIGTERM, &action, &g_old_term);
}

TerminationSignals::~TerminationSignals() {
  sigaction(SIGINT, &g_old_int, nullptr);
  sigaction(SIGTERM, &g_old_term, nullptr);
  g_target.store(nullptr);
}

void IgnoreFileSizeSignal() { signal(SIGXFSZ, SIG_IGN); }

}  // namespace kv::platform
