// ObdDecoder: turns one OBD-II reply into the channel's value. The sample
// builder keeps the latest value per PID; the OBD-II reader supplies the
// channel table behind this.
#pragma once

#include <cstdint>

#include "core/fix_record.h"

namespace kv {

class ObdDecoder {
 public:
  virtual ~ObdDecoder() = default;
  // The decoded value of a valid sample; false when the PID is not a known
  // channel or the reply is too short for it.
  virtual bool Decode(const ObdSample& sample, int32_t* value) const = 0;
  // The system-wide channel number of a PID; -1 when no channel has it.
  virtual int32_t ChannelOf(int32_t pid) const = 0;
  // Forgets what was learnt from the adapter (connection state change).
  virtual void Reset() = 0;
};

}  // namespace kv
