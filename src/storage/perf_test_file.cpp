#include "storage/perf_test_file.h"

#include "platform/file_io.h"

#include <cmath>
#include <limits>

#include "storage/binary_strings.h"
#include "storage/data_file.h"
#include "storage/record_reader.h"
#include "storage/storage_paths.h"
#include "util/errors.h"
#include "util/little_endian.h"

namespace kv {

namespace {

constexpr int32_t kBufferCapacity = 4096;

}  // namespace

int32_t ToPerfTestValue(double value) {
  // floor(x + 0.5) is the "+0.5, truncated" rounding for every value a
  // valid test has (none is negative), and stays right for negative ones,
  // so whatever was read writes back unchanged.
  const double scaled = std::floor(value * kPerfTestValueScale + 0.5);
  if (std::isnan(scaled)) return 0;
  // Only a value the editor should have refused gets here; storing the
  // nearest representable one beats undefined behaviour.
  if (scaled >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  if (scaled <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(scaled);
}

std::vector<PerfTest> ParsePerfTests(std::string_view bytes, bool* whole) {
  RecordReader reader;
  reader.OpenBytes(bytes);
  const uint32_t version = reader.ReadU32();
  const int32_t count = reader.Read32();
  std::vector<PerfTest> tests;
  bool read_whole = reader.Ok() && version == kPerfTestFileVersion && count >= 0;
  if (whole != nullptr) *whole = read_whole;
  if (!read_whole || count < 1) return tests;
  for (int32_t i = 0; i < count; ++i) {
    PerfTest test;
    test.name = reader.ReadPackedString();
    test.type = reader.Read16();
    test.start_speed = reader.Read32() / kPerfTestValueScale;
    test.finish_speed = reader.Read32() / kPerfTestValueScale;
    test.distance = reader.Read32() / kPerfTestValueScale;
    if (!reader.Ok()) {  // cut inside this test: keep those before it
      read_whole = false;
      break;
    }
    tests.push_back(std::move(test));
  }
  if (whole != nullptr) *whole = read_whole;
  return tests;
}

std::vector<PerfTest> LoadPerfTests(const std::string& folder, bool* whole) {
  if (whole != nullptr) *whole = true;
  RecordReader reader;
  if (!reader.Open(folder + std::string(kPerfTestFileName))) return {};
  return ParsePerfTests(reader.Data(), whole);
}

ByteString SerializePerfTests(const std::vector<PerfTest>& tests) {
  ByteString out;
  le::Append32(out, kPerfTestFileVersion);
  le::Append32(out, static_cast<uint32_t>(tests.size()));
  for (const PerfTest& test : tests) {
    if (!AppendPackedString(out, test.name)) ThrowCode(kErrStringTooLong);
    le::Append16(out, static_cast<uint16_t>(test.type));
    le::Append32(out, static_cast<uint32_t>(ToPerfTestValue(test.start_speed)));
    le::Append32(out, static_cast<uint32_t>(ToPerfTestValue(test.finish_speed)));
    le::Append32(out, static_cast<uint32_t>(ToPerfTestValue(test.distance)));
  }
  return out;
}

std::string SavePerfTests(const std::string& folder, const std::vector<PerfTest>& tests) {
  const ByteString bytes = SerializePerfTests(tests);
  if (CreateDirectories(folder) == DirResult::kFailed) ThrowCode(kErrCannotOpen);
  const std::string path = folder + std::string(kPerfTestFileName);
  std::string set_aside;
  bool whole = true;
  LoadPerfTests(folder, &whole);
  if (!whole) {
    set_aside = path + ".unreadable";
    for (int n = 2; platform::FileExists(set_aside); ++n) set_aside = path + ".unreadable." + std::to_string(n);
    if (!platform::RenameFile(path, set_aside)) ThrowCode(kErrCannotOpen);
  }
  DataFile file(path);
  file.CreateReplacing(kBufferCapacity);
  file.WriteBytes(bytes.AsView());
  if (!file.Close()) ThrowCode(kErrCannotOpen, file.Error());
  return set_aside;
}

}  // namespace kv
