#include "storage/perf_test_file.h"

#include <cmath>
#include <limits>

#include "storage/binary_strings.h"
#include "storage/data_file.h"
#include "storage/record_reader.h"
#include "storage/storage_paths.h"
#include "util/errors.h"

namespace kv {

namespace {

constexpr int32_t kBufferCapacity = 4096;

void AppendU32(ByteString& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.AppendUnit(static_cast<char>((value >> shift) & 0xFF));
}

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

int32_t ParsePerfTests(std::string_view bytes, PerfTestList& list) {
  RecordReader reader;
  reader.OpenBytes(bytes);
  const uint32_t version = reader.ReadU32();
  const int32_t count = reader.Read32();
  if (!reader.Ok() || version != kPerfTestFileVersion || count < 1) return 0;
  int32_t added = 0;
  for (int32_t i = 0; i < count; ++i) {
    PerfTest test;
    test.name = reader.ReadPackedString();
    test.type = reader.Read16();
    test.start_speed = reader.Read32() / kPerfTestValueScale;
    test.finish_speed = reader.Read32() / kPerfTestValueScale;
    test.distance = reader.Read32() / kPerfTestValueScale;
    if (!reader.Ok()) break;  // cut inside this test: keep those before it
    list.Add(std::move(test));
    ++added;
  }
  return added;
}

int32_t LoadPerfTests(const std::string& folder, PerfTestList& list) {
  RecordReader reader;
  if (!reader.Open(folder + std::string(kPerfTestFileName))) return 0;
  return ParsePerfTests(reader.Data(), list);
}

ByteString SerializePerfTests(const PerfTestList& list) {
  ByteString out;
  AppendU32(out, kPerfTestFileVersion);
  AppendU32(out, static_cast<uint32_t>(list.UserCount()));
  for (int32_t i = PerfTestList::kPredefinedCount; i < list.Count(); ++i) {
    const PerfTest& test = list.At(i);
    if (!AppendPackedString(out, test.name)) ThrowCode(kErrStringTooLong);
    const auto type = static_cast<uint16_t>(test.type);
    out.AppendUnit(static_cast<char>(type & 0xFF));
    out.AppendUnit(static_cast<char>(type >> 8));
    AppendU32(out, static_cast<uint32_t>(ToPerfTestValue(test.start_speed)));
    AppendU32(out, static_cast<uint32_t>(ToPerfTestValue(test.finish_speed)));
    AppendU32(out, static_cast<uint32_t>(ToPerfTestValue(test.distance)));
  }
  return out;
}

void SavePerfTests(const std::string& folder, const PerfTestList& list) {
  const ByteString bytes = SerializePerfTests(list);
  if (CreateDirectories(folder) == kDirFailed) ThrowCode(kErrCannotOpen);
  DataFile file(folder + std::string(kPerfTestFileName));
  file.CreateReplacing(kBufferCapacity);
  file.WriteBytes(bytes.AsView());
  if (!file.Close()) ThrowCode(kErrCannotOpen);
}

}  // namespace kv
