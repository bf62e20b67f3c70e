// Arbitrary bytes as "settings.dat". Whatever was read must write out and
// read back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "storage/settings.h"
#include "util/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::Settings settings;
  kv::ParseSettings(std::string_view(reinterpret_cast<const char*>(data), size), settings);
  std::string once;
  try {
    once = kv::SerializeSettings(settings).Std();
  } catch (const kv::CodeException&) {
    std::abort();
  }
  kv::Settings again;
  if (kv::ParseSettings(once, again) != 0) std::abort();
  if (kv::SerializeSettings(again).Std() != once) std::abort();
  return 0;
}
