// The performance test list a session times: the predefined tests, then
// the user's own from "perftest.dat" in the application-data folder.
// Main thread.
#pragma once

#include "storage/storage_list.h"
#include "timing/perf_test_list.h"

namespace kv {

PerfTestList LoadTestList(const StorageList& storage);
// Replaces "perftest.dat" with the user's tests of `list`. Raises
// kErrCannotOpen (-8) or kErrStringTooLong (-4) as SavePerfTests does.
void SaveTestList(const StorageList& storage, const PerfTestList& list);

}  // namespace kv
