// Arbitrary bytes as a sample file, stepped to the end like the loading
// screen does. Loading must end, in a final state, without trusting any
// length in the bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "storage/sample_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::SampleLoader loader = kv::SampleLoader::FromBytes(std::string(reinterpret_cast<const char*>(data), size));
  size_t steps = 0;
  while (loader.Step()) {
    if (++steps > size + 2) std::abort();  // every step consumes bytes
  }
  const kv::SampleLoadState state = loader.State();
  if (state != kv::SampleLoadState::kComplete && state != kv::SampleLoadState::kIncomplete) std::abort();
  // Every sample takes at least 16 bytes of the file (a version 0 record).
  if (loader.Data().samples.size() > size / 16 + 1) std::abort();
  return 0;
}
