// TerminationSignals: while alive, SIGINT and SIGTERM set an event instead
// of killing the process, so a recording ends through the normal shut-down
// (files flushed, settings written). One instance at a time.
#pragma once

#include "platform/event.h"

namespace kv::platform {

class TerminationSignals {
 public:
  explicit TerminationSignals(Event& target);
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;
};

}  // namespace kv::platform
