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

// A write past the process's file-size limit fails with EFBIG instead of
// killing the process (SIGXFSZ), so a recording that hits the limit ends
// like one on a full disk: stopped, synced and reported. Once, at start.
void IgnoreFileSizeSignal();

}  // namespace kv::platform
