// Arbitrary bytes as a track profile. A profile that loads in version 2
// must write out and read back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "storage/track_profile.h"
#include "util/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  kv::TrackProfile list_only;
  kv::ParseTrackFile(bytes, false, list_only);
  kv::TrackProfile full;
  if (kv::ParseTrackFile(bytes, true, full) != 0 || !full.traps_loaded) return 0;
  std::string once;
  try {
    once = kv::SerializeTrackFile(full).Std();
  } catch (const kv::CodeException&) {
    std::abort();  // names read from a file always fit back into one
  }
  kv::TrackProfile again;
  if (kv::ParseTrackFile(once, true, again) != 0) std::abort();
  if (kv::SerializeTrackFile(again).Std() != once) std::abort();
  return 0;
}
