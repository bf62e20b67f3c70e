#include "audio/wav_clip.h"

#include <algorithm>
#include <array>
#include <limits>

#include "platform/file_io.h"

namespace kv::audio {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr int32_t kMinRateHz = 1000;
constexpr int32_t kMaxRateHz = 384000;
// The KSDATAFORMAT_SUBTYPE_PCM GUID after its first two bytes (01 00).
constexpr std::array<uint8_t, 14> kPcmGuidTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                  0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
bool IdIs(const uint8_t* p, const char (&id)[5]) { return std::equal(p, p + 4, id); }

struct Format {
  int32_t channels = 0;
  int32_t rate = 0;
  int32_t bits = 0;
  int32_t block = 0;  // bytes per frame
};

WavResult ReadFormat(std::span<const uint8_t> chunk, Format& f) {
  if (chunk.size() < 16) return WavResult::kBadFormat;
  const uint8_t* p = chunk.data();
  uint16_t tag = U16(p);
  f.channels = U16(p + 2);
  const uint32_t rate = U32(p + 4);
  f.block = U16(p + 12);
  f.bits = U16(p + 14);
  if (tag == kFormatExtensible) {
    // cbSize (22), valid bits, channel mask, then the sub-format GUID.
    if (chunk.size() < 40 || U16(p + 16) < 22) return WavResult::kBadFormat;
    if (!std::equal(kPcmGuidTail.begin(), kPcmGuidTail.end(), p + 26))
      return WavResult::kUnsupported;
    tag = U16(p + 24);
  }
  if (f.channels == 0 || f.bits == 0) return WavResult::kBadFormat;
  if (tag != kFormatPcm || (f.bits != 8 && f.bits != 16) || f.channels > 2)
    return WavResult::kUnsupported;
  if (f.block != f.channels * f.bits / 8) return WavResult::kBadFormat;
  if (rate < kMinRateHz || rate > kMaxRateHz) return WavResult::kUnsupported;
  f.rate = static_cast<int32_t>(rate);
  return WavResult::kOk;
}

int32_t SampleAt(const uint8_t* p, int32_t bits) {
  return bits == 8 ? (p[0] - 128) * 256 : static_cast<int16_t>(U16(p));
}

// One frame as mono: the channels averaged.
int32_t FrameAt(const uint8_t* frame, const Format& f) {
  const int32_t step = f.bits / 8;
  int32_t sum = 0;
  for (int32_t c = 0; c < f.channels; ++c) sum += SampleAt(frame + c * step, f.bits);
  return sum / f.channels;
}

WavResult Convert(std::span<const uint8_t> data, const Format& f, std::vector<int16_t>& samples) {
  const int64_t frames = static_cast<int64_t>(data.size()) / f.block;
  if (frames > int64_t{kMaxClipSeconds} * f.rate) return WavResult::kTooLong;
  const int64_t count = (frames * kClipRateHz + f.rate - 1) / f.rate;
  samples.reserve(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    // Position i / kClipRateHz seconds in source frames, as a whole frame
    // and a remainder out of kClipRateHz.
    const int64_t at = i * f.rate;
    const int64_t index = std::min(at / kClipRateHz, frames - 1);
    const int64_t part = index == frames - 1 ? 0 : at % kClipRateHz;
    const int64_t a = FrameAt(data.data() + index * f.block, f);
    const int64_t b = part == 0 ? a : FrameAt(data.data() + (index + 1) * f.block, f);
    samples.push_back(static_cast<int16_t>((a * (kClipRateHz - part) + b * part) / kClipRateHz));
  }
  return WavResult::kOk;
}

void PutU16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8 & 0xFF));
}
void PutU32(std::string& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

}  // namespace

WavResult DecodeWav(std::span<const uint8_t> bytes, std::vector<int16_t>& samples) {
  samples.clear();
  if (bytes.size() < 12 || !IdIs(bytes.data(), "RIFF") || !IdIs(bytes.data() + 8, "WAVE"))
    return WavResult::kNotWave;
  const uint32_t riff_size = U32(bytes.data() + 4);  // counts "WAVE" and the chunks
  if (riff_size < 4) return WavResult::kNotWave;
  if (riff_size > bytes.size() - 8) return WavResult::kTruncated;
  // Bytes after the declared RIFF size are not part of the file.
  std::span<const uint8_t> rest = bytes.subspan(12, riff_size - 4);
  Format format;
  bool have_format = false;
  while (!rest.empty()) {
    if (rest.size() < 8) return WavResult::kTruncated;
    const uint32_t size = U32(rest.data() + 4);
    if (size > rest.size() - 8) return WavResult::kTruncated;
    const std::span<const uint8_t> body = rest.subspan(8, size);
    if (IdIs(rest.data(), "fmt ")) {
      if (const WavResult r = ReadFormat(body, format); r != WavResult::kOk) return r;
      have_format = true;
    } else if (IdIs(rest.data(), "data")) {
      if (!have_format) return WavResult::kBadFormat;
      if (size % static_cast<uint32_t>(format.block) != 0) return WavResult::kBadFormat;
      const WavResult r = Convert(body, format, samples);
      if (r != WavResult::kOk) samples.clear();
      return r;
    }
    // Chunks are padded to an even size; a missing pad byte at the very end is tolerated.
    rest = rest.subspan(std::min<size_t>(rest.size(), size_t{8} + size + (size & 1)));
  }
  return WavResult::kTruncated;
}

std::string EncodeWav(std::span<const int16_t> samples, int32_t rate_hz) {
  const uint64_t data_bytes = uint64_t{samples.size()} * 2;
  if (data_bytes + 36 > std::numeric_limits<uint32_t>::max()) return {};
  std::string out;
  out.reserve(static_cast<size_t>(44 + data_bytes));
  out.append("RIFF");
  PutU32(out, static_cast<uint32_t>(36 + data_bytes));
  out.append("WAVEfmt ");
  PutU32(out, 16);
  PutU16(out, kFormatPcm);
  PutU16(out, 1);  // mono
  PutU32(out, static_cast<uint32_t>(rate_hz));
  PutU32(out, static_cast<uint32_t>(rate_hz) * 2);  // bytes per second
  PutU16(out, 2);                                   // bytes per frame
  PutU16(out, 16);
  out.append("data");
  PutU32(out, static_cast<uint32_t>(data_bytes));
  for (const int16_t s : samples) PutU16(out, static_cast<uint16_t>(s));
  return out;
}

int WriteWavFile(const std::string& path, std::span<const int16_t> samples, int32_t rate_hz) {
  const std::string bytes = EncodeWav(samples, rate_hz);
  if (bytes.empty()) return -1;
  platform::FileHandle file;
  if (!file.Create(path) || !file.Write(bytes.data(), static_cast<int64_t>(bytes.size()))) {
    const int error = file.LastError();
    return error != 0 ? error : -1;
  }
  file.Close();
  return 0;
}

}  // namespace kv::audio
