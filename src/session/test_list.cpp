#include "session/test_list.h"

#include "storage/perf_test_file.h"

namespace kv {

PerfTestList LoadTestList(const StorageList& storage) {
  PerfTestList list;
  for (PerfTest& test : LoadPerfTests(storage.AppDataFolder())) list.Add(std::move(test));
  return list;
}

void SaveTestList(const StorageList& storage, const PerfTestList& list) {
  SavePerfTests(storage.AppDataFolder(), list.UserTests());
}

}  // namespace kv
