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

#include "platform/ticks.h"
#include "storage/nmea_log.h"
#include "storage/sample_loader.h"
#include "storage/sample_writer.h"
#include "support/temp_folder.h"

namespace kv {
namespace {

// Records samples at 100 Hz through SampleWriter and NmeaLog, driving their
// durability ticks as the main loop does, and writes to `progress` the
// number of samples handed to the writer. Runs until it is killed.
[[noreturn]] void Record(const std::string& samples_path, const std::string& nmea_path, int progress) {
  SampleWriter samples;
  NmeaLog nmea;
  samples.Create(samples_path, platform::TickCount());
  nmea.Open(nmea_path, platform::TickCount());
  const DateTimeValue date{DateTimeValue::MakeDay(2024, 6, 1), 0};
  for (int32_t i = 0;; ++i) {
    LogSample sample;
    sample.time = i * 10;
    sample.position = {300000000 + i, 36000000};
    sample.flags = 8;
    samples.WriteFix(sample, date);
    nmea.Append("$GPGGA,sample*00\r\n");
    const uint32_t now = platform::TickCount();
    samples.Tick(now);
    nmea.Tick(now);
    const std::string count = std::to_string(i + 1) + "\n";
    if (write(progress, count.data(), count.size()) < 0) _exit(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TEST(RecordingKill, LosesAtMostAboutASecondAndLoadsTheRest) {
  for (const int after_ms : {700, 1900, 2600}) {
    testing::TempFolder temp;
    const std::string samples = temp.Path() + "k-plots.bin";
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    const pid_t child = fork();
    if (child == 0) Record(samples, temp.Path() + "k-nmea.txt", pipe_ends[1]);
    close(pipe_ends[1]);
    std::this_thread::sleep_for(std::chrono::milliseconds(after_ms));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    int32_t reported = 0;  // samples the recorder had handed to the writer
    FILE* progress = fdopen(pipe_ends[0], "r");
    for (int n; std::fscanf(progress, "%d", &n) == 1;) reported = n;
    std::fclose(progress);
    ASSERT_GT(reported, 30) << "the recorder ran";

    SampleLoader loader(samples);
    loader.LoadAll();
    EXPECT_TRUE(loader.State() == SampleLoadState::kComplete || loader.State() == SampleLoadState::kIncomplete);
    const SampleData& data = loader.Data();
    const int32_t loaded = static_cast<int32_t>(data.samples.size());
    // 100 samples a second; one second plus the tick that is due.
    EXPECT_GE(loaded, reported - 110) << "killed after " << after_ms << " ms";
    EXPECT_LE(loaded, reported);
    for (int32_t i = 0; i < loaded; ++i)
      ASSERT_EQ(data.samples[static_cast<size_t>(i)].time, i * 10) << "samples in order, none torn";
    EXPECT_TRUE(loaded == 0 || data.has_date_reference) << "it precedes the first fix";
    // The log holds whole sentences up to about the same moment.
    const size_t line = std::string("$GPGGA,sample*00\r\n").size();
    const std::string nmea = testing::ReadWholeFile(temp.Path() + "k-nmea.txt");
    EXPECT_GE(nmea.size() / line + 110, static_cast<size_t>(reported));
  }
}

}  // namespace
}  // namespace kv
