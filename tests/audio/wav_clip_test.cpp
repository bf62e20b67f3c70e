// Voice clip WAV files: what recorders write is read as mono at the clip
// rate, damaged or foreign files are refused, and writing reports failures.
#include <gtest/gtest.h>

#include <cstring>

#include "audio/wav_clip.h"
#include "support/temp_folder.h"

namespace kv::audio {
namespace {

using Bytes = std::string;

Bytes Le(uint32_t v, int n) {
  Bytes b;
  for (int i = 0; i < n; ++i) b.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
  return b;
}

Bytes Chunk(const char* id, const Bytes& body, uint32_t size_field = 0xFFFFFFFF) {
  return id + Le(size_field == 0xFFFFFFFF ? static_cast<uint32_t>(body.size()) : size_field, 4) +
         body;
}

// A "fmt " body; extensible wraps tag in WAVE_FORMAT_EXTENSIBLE.
Bytes Fmt(int tag, int channels, uint32_t rate, int bits, bool extensible = false, int block = -1) {
  if (block < 0) block = channels * bits / 8;
  Bytes f = Le(extensible ? 0xFFFE : tag, 2) + Le(channels, 2) + Le(rate, 4) + Le(rate * block, 4) +
            Le(block, 2) + Le(bits, 2);
  if (extensible)
    f += Le(22, 2) + Le(bits, 2) + Le(0, 4) + Le(tag, 2) +
         kv::testing::FromHex("0000 0000 1000 8000 00AA 0038 9B71");
  return f;
}

Bytes Riff(const Bytes& chunks) {
  return "RIFF" + Le(static_cast<uint32_t>(chunks.size() + 4), 4) + "WAVE" + chunks;
}

Bytes Pcm16(std::initializer_list<int> values) {
  Bytes b;
  for (const int v : values) b += Le(static_cast<uint32_t>(v), 2);
  return b;
}

WavResult Decode(const Bytes& bytes, std::vector<int16_t>& out) {
  return DecodeWav({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, out);
}

TEST(WavClip, ReadsPcmAsMonoAtTheClipRateAndRefusesTheRest) {
  const std::vector<int16_t> written = {1000, -2000, 32767, -32768};
  const Bytes mono = EncodeWav(written, kClipRateHz);
  const struct {
    Bytes bytes;
    WavResult result;
    std::vector<int16_t> samples;
    const char* legend;
  } cases[] = {
      {mono, WavResult::kOk, written, "our own file, unchanged"},
      {Riff(Chunk("LIST", "xyz") + Bytes(1, '\0') + Chunk("fmt ", Fmt(1, 2, 22050, 16)) +
            Chunk("data", Pcm16({100, 300, -100, -301}))),
       WavResult::kOk,
       {200, -200},
       "stereo averaged, padded unknown chunk skipped"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 22050, 8)) + Chunk("data", Bytes("\x80\xFF\x00", 3))),
       WavResult::kOk,
       {0, 32512, -32768},
       "8-bit unsigned"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 11025, 16)) + Chunk("data", Pcm16({0, 1000}))),
       WavResult::kOk,
       {0, 500, 1000, 1000},
       "half rate interpolated"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 44100, 16)) + Chunk("data", Pcm16({0, 100, 200, 300}))),
       WavResult::kOk,
       {0, 200},
       "double rate"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 22050, 16, true)) + Chunk("data", Pcm16({7, -7}))),
       WavResult::kOk,
       {7, -7},
       "extensible PCM"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 22050, 16)) + Chunk("data", "")),
       WavResult::kOk,
       {},
       "no sound"},
      {"RIFX" + mono.substr(4), WavResult::kNotWave, {}, "big-endian RIFF"},
      {mono.substr(0, 4) + Le(2, 4) + mono.substr(8),
       WavResult::kNotWave,
       {},
       "RIFF size below WAVE"},
      {mono.substr(0, mono.size() - 1), WavResult::kTruncated, {}, "cut short"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 22050, 16)) + Chunk("data", Pcm16({1}), 0xFFFFFFF0)),
       WavResult::kTruncated,
       {},
       "huge data size"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 22050, 16))), WavResult::kTruncated, {}, "no data chunk"},
      {Riff(Chunk("fmt ", Fmt(1, 0, 22050, 16, false, 2)) + Chunk("data", Pcm16({1}))),
       WavResult::kBadFormat,
       {},
       "zero channels"},
      {Riff(Chunk("fmt ", Fmt(1, 2, 22050, 16, false, 2)) + Chunk("data", Pcm16({1}))),
       WavResult::kBadFormat,
       {},
       "block size does not match"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 22050, 16)) + Chunk("data", "\x01")),
       WavResult::kBadFormat,
       {},
       "half a frame"},
      {Riff(Chunk("data", Pcm16({1})) + Chunk("fmt ", Fmt(1, 1, 22050, 16))),
       WavResult::kBadFormat,
       {},
       "data first"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 22050, 16).substr(0, 14)) + Chunk("data", Pcm16({1}))),
       WavResult::kBadFormat,
       {},
       "short fmt"},
      {Riff(Chunk("fmt ", Fmt(3, 1, 22050, 32)) + Chunk("data", Pcm16({1, 1}))),
       WavResult::kUnsupported,
       {},
       "float"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 22050, 24)) + Chunk("data", "\1\1\1")),
       WavResult::kUnsupported,
       {},
       "24-bit"},
      {Riff(Chunk("fmt ", Fmt(1, 3, 22050, 16)) + Chunk("data", Pcm16({1, 1, 1}))),
       WavResult::kUnsupported,
       {},
       "three channels"},
      {Riff(Chunk("fmt ", Fmt(3, 1, 22050, 32, true)) + Chunk("data", Pcm16({1, 1}))),
       WavResult::kUnsupported,
       {},
       "extensible float"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 0, 16)) + Chunk("data", Pcm16({1}))),
       WavResult::kUnsupported,
       {},
       "rate 0"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 1000, 8)) + Chunk("data", Bytes(61000, '\x80'))),
       WavResult::kTooLong,
       {},
       "61 s"},
  };
  for (const auto& c : cases) {
    std::vector<int16_t> samples = {99};
    EXPECT_EQ(Decode(c.bytes, samples), c.result) << c.legend;
    EXPECT_EQ(samples, c.samples) << c.legend;
  }
  // Any one byte damaged: a result, never a crash (the fuzz target goes further).
  std::vector<int16_t> samples;
  for (size_t i = 0; i < cases[1].bytes.size(); ++i) {
    Bytes damaged = cases[1].bytes;
    damaged[i] = static_cast<char>(damaged[i] ^ 0xFF);
    Decode(damaged, samples);
  }
}

TEST(WavClip, WritesAFileOrReportsWhyNot) {
  kv::testing::TempFolder dir;
  const std::vector<int16_t> sound = {1, 2, 3};
  ASSERT_EQ(WriteWavFile(dir.Path() + "a.wav", sound, kClipRateHz), 0);
  EXPECT_EQ(kv::testing::ReadWholeFile(dir.Path() + "a.wav"), EncodeWav(sound, kClipRateHz));
  for (const std::string& path :
       {dir.Path() + "missing/a.wav", dir.Path(), std::string("/dev/full")})
    EXPECT_GT(WriteWavFile(path, sound, kClipRateHz), 0) << path;
}

}  // namespace
}  // namespace kv::audio
