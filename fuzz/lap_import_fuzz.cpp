// Arbitrary text as a ".LAP" track file: the import ends with 0 or error 2
// and every trap it makes is a valid profile entry that can be saved.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "exchange/track_import.h"
#include "storage/track_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::TrackProfile profile;
  const int32_t result = kv::ImportTrackText(std::string_view(reinterpret_cast<const char*>(data), size),
                                             kv::TrackImportFormat::kLap, profile);
  if (result != 0 && result != kv::kImportErrBadData) std::abort();
  if (static_cast<size_t>(profile.traps.Count()) > size) std::abort();
  profile.traps_loaded = true;
  kv::SerializeTrackFile(profile);
  return 0;
}
