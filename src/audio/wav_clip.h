// WAV files of voice clips. Reading accepts what recorders and speech tools
// write: RIFF/WAVE, integer PCM of 8 or 16 bits (also inside
// WAVE_FORMAT_EXTENSIBLE), mono or stereo, any sample rate from 1000 to
// 384000 Hz; the sound comes back as mono 16-bit samples at kClipRateHz
// (stereo averaged, the rate changed by linear interpolation) so clips of
// any origin can be played one after another. The bytes are untrusted (a
// user's own recordings): anything else is refused with a result, never
// asserted on. Writing makes mono 16-bit PCM. The byte layout is in
// docs/formats.md. Pure functions, any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/audio_output.h"

namespace kv::audio {

// The rate every clip is converted to: the one the sound output plays.
inline constexpr int32_t kClipRateHz = platform::kClipRateHz;
// Longest clip accepted (after conversion), so a damaged size cannot ask
// for gigabytes: a spoken word is well under a second.
inline constexpr int32_t kMaxClipSeconds = 60;

enum class WavResult : int32_t {
  kOk = 0,
  kNotWave,      // no "RIFF" ... "WAVE" header
  kTruncated,    // a chunk runs past the end of the bytes, or no "data"
  kBadFormat,    // "fmt " missing, too short, or inconsistent (block size, zero channels)
  kUnsupported,  // a valid WAV we do not play: float, ADPCM, 24-bit, 3+ channels, odd rate
  kTooLong,      // more than kMaxClipSeconds of sound
};

// Decodes `bytes` into `samples` (replaced; left empty unless kOk). A file
// with an empty "data" chunk is kOk with no samples.
WavResult DecodeWav(std::span<const uint8_t> bytes, std::vector<int16_t>& samples);

// The whole WAV file (44-byte header + samples) of mono 16-bit samples.
// Empty when the data would not fit the format's 32-bit sizes.
std::string EncodeWav(std::span<const int16_t> samples, int32_t rate_hz);

// Writes EncodeWav's bytes to `path` (created or truncated). 0 on success,
// else the system's error number, or -1 when the sound is too long for a WAV.
int WriteWavFile(const std::string& path, std::span<const int16_t> samples, int32_t rate_hz);

}  // namespace kv::audio
