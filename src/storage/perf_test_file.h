// "perftest.dat": the user's own performance tests, in the application-data
// folder. Little-endian (docs/formats.md):
//   u32 version (1), u32 count, then per test: PackedString name,
//   i16 type (0 speed, 1 distance), i32 start speed, i32 finish speed,
//   i32 distance, each value in m/s or metres x 10000, rounded.
// Only the user's own tests are kept here; the predefined ones are the
// program's. Main thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/perf_test.h"
#include "util/byte_string.h"

namespace kv {

inline constexpr std::string_view kPerfTestFileName = "perftest.dat";
inline constexpr uint32_t kPerfTestFileVersion = 1;
inline constexpr double kPerfTestValueScale = 10000.0;

// The tests in `bytes`. Another version, or a count below 1, gives none;
// otherwise tests are read until the count is reached or the data ends,
// and every test read whole by then is kept. Never throws.
std::vector<PerfTest> ParsePerfTests(std::string_view bytes);

// The tests of `folder` (ending in "/") + "perftest.dat"; none when there
// is no file.
std::vector<PerfTest> LoadPerfTests(const std::string& folder);

// The file's bytes for the user's tests. Raises kErrStringTooLong (-4) for
// a name above 8191 characters.
ByteString SerializePerfTests(const std::vector<PerfTest>& tests);

// Replaces the file whole with the user's tests, creating the folder when
// needed. Raises kErrCannotOpen (-8) when it cannot be written,
// kErrStringTooLong (-4) for a name above 8191 characters.
void SavePerfTests(const std::string& folder, const std::vector<PerfTest>& tests);

// A value as stored: x 10000, plus 0.5, floored (for the non-negative
// values of valid tests: truncated); clamped to the int32 range (NaN
// stores 0).
int32_t ToPerfTestValue(double value);

}  // namespace kv
