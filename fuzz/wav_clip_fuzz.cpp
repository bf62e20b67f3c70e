// Arbitrary bytes as a voice clip (a user's own recording). A clip that
// reads must be within the length limit, and our own writing of it must
// read back to the same samples.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/wav_clip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<int16_t> samples;
  if (kv::audio::DecodeWav({data, size}, samples) != kv::audio::WavResult::kOk) return 0;
  if (samples.size() > size_t{kv::audio::kMaxClipSeconds} * kv::audio::kClipRateHz + 1)
    std::abort();
  const std::string again = kv::audio::EncodeWav(samples, kv::audio::kClipRateHz);
  std::vector<int16_t> reread;
  if (kv::audio::DecodeWav({reinterpret_cast<const uint8_t*>(again.data()), again.size()},
                           reread) != kv::audio::WavResult::kOk ||
      reread != samples)
    std::abort();
  return 0;
}
