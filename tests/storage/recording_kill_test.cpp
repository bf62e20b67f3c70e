// A recording process killed mid-write loses at most about a second of
// samples, and the loader reports what it found honestly.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "storage/sample_loader.h"
#include "support/temp_folder.h"

namespace kv {
namespace {

struct KillResult {
  int32_t reported = 0;  // samples the helper had handed to the writer
  SampleData data;
  SampleLoadState state = SampleLoadState::kNotStarted;
  std::string nmea;
};

KillResult RecordAndKill(const std::string& folder, int milliseconds) {
  const std::string samples = folder + "k-plots.bin";
  const std::string nmea = folder + "k-nmea.txt";
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipe_ends[1], 1);
    close(pipe_ends[0]);
    execl(KV_RECORDING_HELPER, KV_RECORDING_HELPER, samples.c_str(), nmea.c_str(), nullptr);
    _exit(127);
  }
  close(pipe_ends[1]);
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  KillResult result;
  FILE* progress = fdopen(pipe_ends[0], "r");
  for (int n; std::fscanf(progress, "%d", &n) == 1;) result.reported = n;
  std::fclose(progress);
  SampleLoader loader(samples);
  loader.LoadAll();
  result.state = loader.State();
  result.data = loader.TakeData();
  result.nmea = testing::ReadWholeFile(nmea);
  return result;
}

TEST(RecordingKill, LosesAtMostAboutASecondAndLoadsTheRest) {
  for (const int after_ms : {700, 1900, 2600}) {
    testing::TempFolder temp;
    const KillResult r = RecordAndKill(temp.Path(), after_ms);
    ASSERT_GT(r.reported, 30) << "the helper ran";
    EXPECT_TRUE(r.state == SampleLoadState::kComplete || r.state == SampleLoadState::kIncomplete);
    const int32_t loaded = static_cast<int32_t>(r.data.samples.size());
    // 100 samples a second; one second plus the tick that is due.
    EXPECT_GE(loaded, r.reported - 110) << "killed after " << after_ms << " ms";
    EXPECT_LE(loaded, r.reported);
    for (int32_t i = 0; i < loaded; ++i)
      ASSERT_EQ(r.data.samples[static_cast<size_t>(i)].time, i * 10) << "samples in order, none torn";
    EXPECT_TRUE(loaded == 0 || r.data.has_date_reference) << "it precedes the first fix";
    // The log holds whole sentences up to about the same moment.
    const size_t line = std::string("$GPGGA,sample*00\r\n").size();
    EXPECT_GE(r.nmea.size() / line + 110, static_cast<size_t>(r.reported));
  }
}

}  // namespace
}  // namespace kv
