// Arbitrary bytes as "perftest.dat". Whatever was read must write out and
// read back to the same tests.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "storage/perf_test_file.h"
#include "util/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<kv::PerfTest> tests =
      kv::ParsePerfTests(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string once;
  try {
    once = kv::SerializePerfTests(tests).Std();
  } catch (const kv::CodeException&) {
    std::abort();  // a name read from the file always fits the file
  }
  const std::vector<kv::PerfTest> again = kv::ParsePerfTests(once);
  if (again.size() != tests.size()) std::abort();
  if (kv::SerializePerfTests(again).Std() != once) std::abort();
  return 0;
}
