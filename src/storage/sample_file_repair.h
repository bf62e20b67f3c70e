// Mends a sample file whose only damage is a record cut short at its end,
// what a crash or a power cut in the middle of a write leaves: the partial
// tail is cut off and every complete record before it stays byte for byte.
// Anything else is left as it is. Main thread.
#pragma once

#include <cstdint>
#include <string>

namespace kv {

enum class TailRepair {
  kIntact,   // nothing to cut
  kTrimmed,  // the partial last record was removed
  kDamaged,  // other damage (a zero length, a type above 31, a short header, not version 3): left as is
};

// `removed_bytes`: what was cut off (0 unless kTrimmed).
TailRepair RepairPartialTail(const std::string& path, int64_t* removed_bytes);

}  // namespace kv
