// `korvatinel test list|add|delete`: the performance test list (the
// predefined tests and the user's own in "perftest.dat"), and
// `korvatinel runs SESSION`: the performance runs of a recorded session,
// timed again from its sample file. Each Run* returns the exit status
// (0 done, 1 refused or failed with the message on `err`).
#pragma once

#include <ostream>
#include <string>

#include "app/storage_context.h"
#include "timing/perf_test_engine.h"
#include "timing/perf_test_list.h"

namespace kv::app {

struct TestCommandOptions {
  std::string data_dir;
  std::string name;           // test name, UTF-8
  std::string speed;          // "FROM-TO" in `units`
  std::string units = "kph";  // kph, mph or mps
  double distance = -1.0;     // metres; below 0: not given
  std::string session;        // base name
  bool json = false;
};

// The test list with the user's tests; warns on `err` when "perftest.dat"
// could not be read whole.
PerfTestList LoadUserTests(const StorageContext& context, std::ostream& err);

int RunTestList(const TestCommandOptions& options, std::ostream& out, std::ostream& err);
int RunTestAdd(const TestCommandOptions& options, std::ostream& out, std::ostream& err);
int RunTestDelete(const TestCommandOptions& options, std::ostream& out, std::ostream& err);
int RunRuns(const TestCommandOptions& options, std::ostream& out, std::ostream& err);

// Each test's summary line ("Best: ..." or "No completed runs yet") for
// the tests that have runs.
void PrintRunSummary(const PerfTestEngine& engine, std::ostream& out);

}  // namespace kv::app
