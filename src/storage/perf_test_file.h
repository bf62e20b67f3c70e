// "perftest.dat": the user's own performance tests, in the application-data
// folder. Little-endian (docs/formats.md):
//   u32 version (1), u32 count, then per test: PackedString name,
//   i16 type (0 speed, 1 distance), i32 start speed, i32 finish speed,
//   i32 distance, each value in m/s or metres x 10000, rounded.
// The predefined tests are never written. Main thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "timing/perf_test.h"
#include "util/byte_string.h"

namespace kv {

inline constexpr std::string_view kPerfTestFileName = "perftest.dat";
inline constexpr uint32_t kPerfTestFileVersion = 1;
inline constexpr double kPerfTestValueScale = 10000.0;

// Appends the tests in `bytes` after those of `list`; returns how many.
// Another version, or a count below 1, gives none; otherwise tests are read
// until the count is reached or the data ends, and every test read whole
// by then is kept. Never throws.
int32_t ParsePerfTests(std::string_view bytes, PerfTestList& list);

// Loads `folder` (ending in "/") + "perftest.dat" into `list`; the number
// of tests added (0 when there is no file).
int32_t LoadPerfTests(const std::string& folder, PerfTestList& list);

// The file's bytes for the user tests of `list`. Raises
// kErrStringTooLong (-4) for a name above 8191 characters.
ByteString SerializePerfTests(const PerfTestList& list);

// Replaces the file whole with the user tests of `list`, creating the
// folder when needed. Raises kErrCannotOpen (-8) when it cannot be
// written, kErrStringTooLong (-4) for a name above 8191 characters.
void SavePerfTests(const std::string& folder, const PerfTestList& list);

// A value as stored: x 10000, plus 0.5, floored (for the non-negative
// values of valid tests: truncated); clamped to the int32 range (NaN
// stores 0).
int32_t ToPerfTestValue(double value);

}  // namespace kv
