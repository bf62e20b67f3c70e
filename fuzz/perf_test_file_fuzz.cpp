// Arbitrary bytes as "perftest.dat". Whatever was read must write out and
// read back to the same tests, and the list keeps its predefined head.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "storage/perf_test_file.h"
#include "util/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::PerfTestList list;
  const int32_t added =
      kv::ParsePerfTests(std::string_view(reinterpret_cast<const char*>(data), size), list);
  if (added < 0 || list.Count() != kv::PerfTestList::kPredefinedCount + added) std::abort();
  std::string once;
  try {
    once = kv::SerializePerfTests(list).Std();
  } catch (const kv::CodeException&) {
    std::abort();  // a name read from the file always fits the file
  }
  kv::PerfTestList again;
  if (kv::ParsePerfTests(once, again) != (added > 0 ? added : 0)) std::abort();
  if (kv::SerializePerfTests(again).Std() != once) std::abort();
  return 0;
}
