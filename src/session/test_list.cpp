#include "session/test_list.h"

#include "storage/perf_test_file.h"

namespace kv {

PerfTestList LoadTestList(const StorageList& storage, bool* whole) {
  PerfTestList list;
  for (PerfTest& test : LoadPerfTests(storage.AppDataFolder(), whole)) list.Add(std::move(test));
  return list;
}

std::string SaveTestList(const StorageList& storage, const PerfTestList& list) {
  return SavePerfTests(storage.AppDataFolder(), list.UserTests());
}

}  // namespace kv
