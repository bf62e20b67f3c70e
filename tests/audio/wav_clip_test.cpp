// Voice clip WAV files: what recorders write is read as mono at the clip
// rate, damaged or foreign files are refused, and writing reports failures.
#include <gtest/gtest.h>

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
Bytes Chunk(const char* id, const Bytes& body, uint32_t size) { return id + Le(size, 4) + body; }
Bytes Chunk(const char* id, const Bytes& body) {
  return Chunk(id, body, static_cast<uint32_t>(body.size()));
}
Bytes Riff(const Bytes& chunks) {
  return "RIFF" + Le(static_cast<uint32_t>(chunks.size() + 4), 4) + "WAVE" + chunks;
}
Bytes Wav(const Bytes& fmt, const Bytes& data) {
  return Riff(Chunk("fmt ", fmt) + Chunk("data", data));
}
// A "fmt " body; `extensible` puts `tag` in a WAVE_FORMAT_EXTENSIBLE sub-format.
Bytes Fmt(int tag, int channels, uint32_t rate, int bits, int block = -1, bool extensible = false) {
  if (block < 0) block = channels * bits / 8;
  const Bytes f = Le(extensible ? 0xFFFE : tag, 2) + Le(channels, 2) + Le(rate, 4) +
                  Le(rate * block, 4) + Le(block, 2) + Le(bits, 2);
  return extensible ? f + Le(22, 2) + Le(bits, 2) + Le(0, 4) + Le(tag, 2) +
                          kv::testing::FromHex("0000 0000 1000 8000 00AA 0038 9B71")
                    : f;
}
Bytes Pcm16(std::initializer_list<int> values) {
  Bytes b;
  for (const int v : values) b += Le(static_cast<uint32_t>(v), 2);
  return b;
}
WavResult Decode(const Bytes& bytes, std::vector<int16_t>& out) {
  return DecodeWav({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, out);
}

TEST(WavClip, ReadsPcmAsMonoAtTheClipRate) {
  const std::vector<int16_t> written = {1000, -2000, 32767, -32768};
  const Bytes odd_chunk_first = Chunk("LIST", "xyz") + Bytes(1, '\0');
  const struct {
    Bytes bytes;
    std::vector<int16_t> samples;
    const char* legend;
  } cases[] = {
      {EncodeWav(written, kClipRateHz), written, "our own file"},
      {Riff(odd_chunk_first + Chunk("fmt ", Fmt(1, 2, 22050, 16)) +
            Chunk("data", Pcm16({100, 300, -100, -301}))),
       {200, -200},
       "stereo averaged, padded chunk skipped"},
      {Wav(Fmt(1, 1, 22050, 8), Bytes("\x80\xFF\x00", 3)), {0, 32512, -32768}, "8-bit unsigned"},
      {Wav(Fmt(1, 1, 11025, 16), Pcm16({0, 1000})), {0, 500, 1000, 1000}, "half rate interpolated"},
      {Wav(Fmt(1, 1, 44100, 16), Pcm16({0, 100, 200, 300})), {0, 200}, "double rate"},
      {Wav(Fmt(1, 1, 22050, 16, 2, true), Pcm16({7, -7})), {7, -7}, "extensible PCM"},
      {Wav(Fmt(1, 1, 22050, 16), ""), {}, "no sound"},
  };
  for (const auto& c : cases) {
    std::vector<int16_t> samples;
    EXPECT_EQ(Decode(c.bytes, samples), WavResult::kOk) << c.legend;
    EXPECT_EQ(samples, c.samples) << c.legend;
  }
}

TEST(WavClip, RefusesDamagedAndForeignFilesWithAReason) {
  const Bytes mono = EncodeWav(std::vector<int16_t>{1, 2}, kClipRateHz), pcm = Pcm16({1, 1, 1});
  const struct {
    Bytes bytes;
    WavResult result;
    const char* legend;
  } cases[] = {
      {"RIFX" + mono.substr(4), WavResult::kNotWave, "big-endian RIFF"},
      {"RIFF" + Le(2, 4) + mono.substr(8), WavResult::kNotWave, "RIFF size below WAVE"},
      {mono.substr(0, mono.size() - 1), WavResult::kTruncated, "cut short"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 22050, 16)) + Chunk("data", pcm, 0xFFFFFFF0)),
       WavResult::kTruncated, "huge size"},
      {Riff(Chunk("fmt ", Fmt(1, 1, 22050, 16))), WavResult::kTruncated, "no data chunk"},
      {Wav(Fmt(1, 0, 22050, 16, 2), pcm), WavResult::kBadFormat, "zero channels"},
      {Wav(Fmt(1, 2, 22050, 16, 2), pcm), WavResult::kBadFormat, "block size does not match"},
      {Wav(Fmt(1, 1, 22050, 16), "\x01"), WavResult::kBadFormat, "half a frame"},
      {Riff(Chunk("data", pcm) + Chunk("fmt ", Fmt(1, 1, 22050, 16))), WavResult::kBadFormat,
       "data first"},
      {Wav(Fmt(1, 1, 22050, 16).substr(0, 14), pcm), WavResult::kBadFormat, "short fmt"},
      {Wav(Fmt(3, 1, 22050, 32), pcm + pcm), WavResult::kUnsupported, "float"},
      {Wav(Fmt(1, 1, 22050, 24), pcm), WavResult::kUnsupported, "24-bit"},
      {Wav(Fmt(1, 3, 22050, 16), pcm), WavResult::kUnsupported, "three channels"},
      {Wav(Fmt(3, 1, 22050, 32, 4, true), pcm + pcm), WavResult::kUnsupported, "extensible float"},
      {Wav(Fmt(1, 1, 0, 16), pcm), WavResult::kUnsupported, "rate 0"},
      {Wav(Fmt(1, 1, 1000, 8), Bytes(61000, '\x80')), WavResult::kTooLong, "61 s"},
  };
  for (const auto& c : cases) {
    std::vector<int16_t> samples = {99};
    EXPECT_EQ(Decode(c.bytes, samples), c.result) << c.legend;
    EXPECT_TRUE(samples.empty()) << c.legend;
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
