// The performance test list a session times: the predefined tests, then
// the user's own from "perftest.dat" in the application-data folder.
// Main thread.
#pragma once

#include <string>

#include "storage/storage_list.h"
#include "timing/perf_test_list.h"

namespace kv {

// *whole: false when "perftest.dat" could not be read whole (another
// version, damaged); the tests read, if any, are listed.
PerfTestList LoadTestList(const StorageList& storage, bool* whole = nullptr);
// Replaces "perftest.dat" with the user's tests of `list`; an unreadable
// one is set aside first and its new name returned (see SavePerfTests).
// Raises kErrCannotOpen (-8) or kErrStringTooLong (-4) as SavePerfTests
// does.
std::string SaveTestList(const StorageList& storage, const PerfTestList& list);

}  // namespace kv
