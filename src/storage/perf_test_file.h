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
// and every test read whole by then is kept. *whole (when given) tells
// whether the bytes were read whole: false for another version or a file
// cut short, whose tests a save must not replace. Never throws.
std::vector<PerfTest> ParsePerfTests(std::string_view bytes, bool* whole = nullptr);

// The tests of `folder` (ending in "/") + "perftest.dat"; none when there
// is no file. *whole as for ParsePerfTests (true without a file).
std::vector<PerfTest> LoadPerfTests(const std::string& folder, bool* whole = nullptr);

// The file's bytes for the user's tests. Raises kErrStringTooLong (-4) for
// a name above 8191 characters.
ByteString SerializePerfTests(const std::vector<PerfTest>& tests);

// Replaces the file whole with the user's tests, creating the folder when
// needed. A file there that does not read whole (another version, damaged)
// is never overwritten: it is first renamed to "perftest.dat.unreadable"
// (then ".unreadable.2", ...), and that name is returned (empty when
// nothing was set aside). Raises kErrCannotOpen (-8) when it cannot be
// written or set aside, kErrStringTooLong (-4) for a name above 8191
// characters.
std::string SavePerfTests(const std::string& folder, const std::vector<PerfTest>& tests);

// A value as stored: x 10000, plus 0.5, floored (for the non-negative
// values of valid tests: truncated); clamped to the int32 range (NaN
// stores 0).
int32_t ToPerfTestValue(double value);

}  // namespace kv
