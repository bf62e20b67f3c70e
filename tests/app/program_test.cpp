// The `korvatinel` program itself, run as a user runs it: exit statuses, and
// recordings that meet a full disk, a file-size limit or no receiver.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "../acquisition/elm327_emulator.h"
#include "session_folder.h"
#include "storage/sample_loader.h"
#include "support/raw_http.h"
#include "support/script_child.h"
#include "support/temp_folder.h"
#include "support/track_simulator.h"
#include "util/version.h"

namespace kv::app {
namespace {

using kv::testing::ReadWholeFile;
using kv::testing::TempFolder;
using kv::testing::WriteWholeFile;

const std::string kDemo = "data/demo/demo.nmea";

struct Outcome {
  int status = -1;
  std::string out, err;
};

// Starts `program args...` (found on the PATH unless it has a "/") with its
// output in files of `dir`; file_size_limit > 0 sets RLIMIT_FSIZE first. No
// display is named unless `display` is given: a window opens only where a
// test asks for one.
pid_t Spawn(const std::string& dir, const std::vector<std::string>& command, rlim_t file_size_limit = 0,
            const std::string& display = "") {
  const std::string out_path = dir + "stdout.txt", err_path = dir + "stderr.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    unsetenv("WAYLAND_DISPLAY");
    if (display.empty()) unsetenv("DISPLAY");
    else setenv("DISPLAY", display.c_str(), 1);
    dup2(open("/dev/null", O_RDONLY), 0);
    dup2(open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    dup2(open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    const rlimit limit{file_size_limit, file_size_limit};
    if (file_size_limit > 0) setrlimit(RLIMIT_FSIZE, &limit);
    std::vector<char*> argv;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

Outcome RunCommand(const std::string& dir, const std::vector<std::string>& command, rlim_t file_size_limit = 0) {
  int status = 0;
  waitpid(Spawn(dir, command, file_size_limit), &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadWholeFile(dir + "stdout.txt"),
          ReadWholeFile(dir + "stderr.txt")};
}

Outcome Korvatinel(const std::string& data, std::vector<std::string> args, rlim_t file_size_limit = 0) {
  args.insert(args.begin(), {KV_PROGRAM, "--data", data});
  return RunCommand(data, args, file_size_limit);
}

// The lap times printed as each lap finished ("Lap 3  36.880  best").
std::vector<std::string> PrintedLaps(const std::string& out) {
  std::vector<std::string> laps;
  const std::regex line("(^|\n)Lap [0-9]+  ([0-9:.]+)");
  for (auto m = std::sregex_iterator(out.begin(), out.end(), line); m != std::sregex_iterator(); ++m)
    laps.push_back((*m)[2]);
  return laps;
}

// "36.880" for 36880 ms, as the table prints lap times under a minute.
std::string LapText(int ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%d.%03d", ms / 1000, ms % 1000);
  return text;
}

TEST(Program, ExitStatusesSayUsageErrorRunTimeFailureOrSuccess) {
  TempFolder dir;
  const std::vector<std::string> line = {"track", "add", "T", "--type", "split", "--at", "50,5", "--bearing"};
  const auto add_line = [&](std::vector<std::string> tail) {
    std::vector<std::string> args = line;
    args.insert(args.end(), tail.begin(), tail.end());
    return args;
  };
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"frobnicate"}, 2},
      {{"sessions", "--bogus"}, 2},
      {{"laps"}, 2},
      {{"laps", "a", "b"}, 2},
      {{"library"}, 2},
      {{"library", "serve", dir.Path(), "--port", "65536"}, 2},
      {{"library", "serve", dir.Path() + "missing"}, 1},
      {{"--data", "", "sessions"}, 2},
      {add_line({"1e308"}), 2},
      {add_line({"nan"}), 2},
      {add_line({"inf"}), 2},
      {add_line({"90", "--width", "1e12"}), 2},
      {{"track", "add", "T", "--type", "split", "--at", "50,5,3", "--bearing", "90"}, 2},
      {{"track", "add", "T", "--type", "sideways", "--at", "50,5", "--bearing", "90"}, 2},
      {{"track", "create", ".."}, 2},
      {{"track", "create", "."}, 2},
      {{"track", "create", "a:b"}, 2},
      {{"track", "import", "/nonexistent/spa.lap", "--name", "Spa"}, 2},
      {{"track", "add", "T", "--type", "split", "--from", "50,5"}, 2},
      {{"--no-progress", "track", "line", "move", "T", "1", "--at", "50,5"}, 2},
      {{"test", "add", "X", "--distance", "1e300"}, 2},
      {{"test", "add", "X", "--speed", "0-1e300"}, 2},
      {{"test", "add", "X", "--speed", "0-100", "--distance", "100"}, 2},
      {{"test", "add", "X"}, 2},
      {{"laps", "S", "--compare", "4294967297"}, 2},
      {{"note", "S", "3", "--invalid", "--valid"}, 2},
      {{"note", "S", "0"}, 2},
      {{"export", "S", "--format", "xls"}, 2},
      {{"export", "S", "--format", "csv", "--scope", "lap:0"}, 2},
      {{"results", "S", "--table", "bogus"}, 2},
      {{"gps", "nowhere"}, 2},
      {{"track", "detect", "nowhere"}, 2},
      {{"gps", "serial:/nonexistent/tty", "--seconds", "5"}, 1},
      {{"gps", "file:x", "--seconds", "-1"}, 2},
      {{"record", "--gps", "file:x", "--type", "bogus"}, 2},
      {{"record"}, 2},  // a fresh installation has chosen no receiver
      {{"record", "--gps", "file:x", "--obd-channels", "rpm"}, 2},
      {{"obd"}, 2},
      {{"demo", "--window"}, 1},  // no display
      {{"demo", "--window", "--headless"}, 2},
      {{"--help"}, 0},
      {{"sessions"}, 0},
      {{"track", "create", "Spa"}, 0},
      {{"laps", "nosuch"}, 1},
      {{"track", "show", "nosuch"}, 1},
      {{"track", "create", "spa"}, 1},
      {{"say", "1.5"}, 2},
      {{"say", "83456", "--decimals", "4"}, 2},
      {{"say", "5", "--wav", "/nonexistent/a.wav"}, 1},
  };
  for (const auto& c : cases) {
    const Outcome o = Korvatinel(dir.Path(), c.args);
    std::string shown;
    for (const std::string& a : c.args) shown += " '" + a + "'";
    EXPECT_EQ(o.status, c.status) << shown << "\n" << o.err;
    EXPECT_TRUE(c.status != 2 || !o.err.empty()) << shown << ": a usage error says why";
  }
  EXPECT_EQ(Korvatinel(dir.Path(), {"--version"}).out, "korvatinel " + std::string(kProgramVersion) + "\n");
}

TEST(Program, SettingsThatCannotBeWrittenFailWithTheReasonAndKeepTheOldFile) {
  TempFolder dir;
  ASSERT_EQ(Korvatinel(dir.Path(), {"settings", "set", "units", "mph"}).status, 0);
  const Outcome o = Korvatinel(dir.Path(), {"settings", "set", "storage-selection", "/" + std::string(300, 'x')}, 200);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("The settings were not saved in " + dir.Path() + "Korvatinel/: "), std::string::npos) << o.err;
  EXPECT_NE(Korvatinel(dir.Path(), {"settings"}).out.find("\nunits "), std::string::npos) << "alone: list";
  EXPECT_EQ(Korvatinel(dir.Path(), {"settings", "get", "units"}).out, "english\n");
}

// Every clip a lap time can ask for is bundled and readable, and a lap time
// becomes one WAV that speaks it in about two seconds, and is played.
// Progress lines are for a person at a terminal: a pipe gets the messages only.
TEST(Program, NoProgressLineThroughAPipe) {
  TempFolder dir;
  const std::string k = std::string(KV_PROGRAM) + " --data " + dir.Path();
  FILE* pipe = popen((k + " demo --fast 2>&1 >/dev/null && " + k + " export last --format csv 2>&1 >/dev/null").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string err(1 << 16, '\0');
  err.resize(fread(err.data(), 1, err.size(), pipe));
  EXPECT_EQ(pclose(pipe), 0) << err;
  EXPECT_EQ(err.find_first_of("\r\033"), std::string::npos) << err;
  EXPECT_NE(err.find("Export successful"), std::string::npos) << err;
}

TEST(Program, SayWritesAnAudibleAnnouncementFromTheBundledClips) {
  if (std::system("command -v sox >/dev/null") != 0) GTEST_SKIP() << "sox (Debian package sox) is not installed";
  TempFolder dir;
  const std::string sounds = std::filesystem::path(KV_PROGRAM).parent_path().parent_path() / "sounds/";
  if (!std::filesystem::exists(sounds + ".complete")) GTEST_SKIP() << "no bundled clips: espeak-ng was not found";
  std::vector<std::string> sox = {"sox", "--i", "-t"};
  for (const char* word : {"minus", "plus", "hour", "hours", "minute", "minutes", "point", "second", "seconds"})
    sox.push_back(sounds + word + ".wav");
  for (int n = 0; n <= 596; ++n) sox.push_back(sounds + std::to_string(n) + ".wav");
  EXPECT_EQ(RunCommand(dir.Path(), sox).status, 0) << "clips missing or unreadable in " << sounds;

  const std::string wav = dir.Path() + "lap.wav";
  const Outcome said = Korvatinel(dir.Path(), {"say", "83456", "--wav", wav});
  ASSERT_EQ(said.status, 0) << said.err;
  EXPECT_EQ(said.out, "1\nminute\n23\npoint\n5\nseconds\n");
  const double seconds = std::stod(RunCommand(dir.Path(), {"sox", "--i", "-D", wav}).out);
  EXPECT_TRUE(seconds > 1 && seconds < 4) << seconds;
  const std::string stat = RunCommand(dir.Path(), {"sox", wav, "-n", "stat"}).err;
  const size_t peak = stat.find("Maximum amplitude:");
  ASSERT_NE(peak, std::string::npos) << stat;
  EXPECT_GT(std::stod(stat.substr(peak + 18)), 0.1) << stat;

  // Played on SDL's silent device when it is named; without any device a
  // command says so (status 1) and a session says so once and goes on.
  const auto count = [](const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_EQ(Korvatinel(dir.Path(), {"say", "83456"}).status, 0);
  setenv("SDL_AUDIODRIVER", "nonexistent", 1);
  const Outcome nowhere = Korvatinel(dir.Path(), {"say", "83456"});
  EXPECT_EQ(nowhere.status, 1);
  EXPECT_EQ(count(nowhere.err, "No sound device"), 1u) << nowhere.err;
  const Outcome session = Korvatinel(dir.Path(), {"demo", "--fast", "--voice-difference"});
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const Outcome spoken = Korvatinel(dir.Path(), {"demo", "--fast", "--voice-difference"});
  unsetenv("SDL_AUDIODRIVER");
  EXPECT_EQ(spoken.status, 0) << spoken.err;
  EXPECT_EQ(count(spoken.err, "No sound device"), 0u) << spoken.err;
  EXPECT_EQ(session.status, 0) << session.err;
  EXPECT_EQ(count(session.err, "No sound device"), 1u) << session.err;
  EXPECT_EQ(PrintedLaps(session.out).size(), 5u);
}

// Files this program cannot read are named with the reason, never hidden,
// never taken for missing and never overwritten; bytes that are not UTF-8
// (in a folder's name, from a receiver) never abort a JSON output.
TEST(Program, DamagedForeignAndOddFilesAreReportedNotHiddenOrOverwritten) {
  TempFolder dir;
  const std::string data = dir.Path() + "caf\xe9\xff/";
  std::filesystem::create_directories(data);
  ASSERT_EQ(Korvatinel(data, {"demo", "--fast"}).status, 0);
  const std::string demo = RecordedSessionBase(data);
  const std::string sessions = data + "Korvatinel/Sessions/", tracks = data + "Korvatinel/Tracks/";
  WriteWholeFile(sessions + "20000101-0000-session.bin", std::string("\x07\x00", 2));
  ASSERT_EQ(mkfifo((sessions + "20000101-0001-session.bin").c_str(), 0644), 0);
  const std::string future = std::string("\x09\x00\x00\x00\x00\x00\x00\x00\x00\x00", 10);
  WriteWholeFile(tracks + "Future-track.bin", future);
  WriteWholeFile(tracks + "Broken-track.bin", std::string("\x02\x00\x00\x00\x00\x00\xff\x00\x00\x00", 10));

  Outcome o = Korvatinel(data, {"sessions", "--json"});
  ASSERT_EQ(o.status, 0);
  EXPECT_NE(o.err.find("20000101-0001-session.bin: not a regular file"), std::string::npos) << o.err;
  const nlohmann::json listed = nlohmann::json::parse(o.out);
  ASSERT_EQ(listed.size(), 2u) << o.out;
  EXPECT_EQ(listed[0]["storage"].get<std::string>(), dir.Path() + "caf\uFFFD\uFFFD/");
  WriteWholeFile(data + "odd.nmea",
                 sim::WithChecksum("$\xff\xfeGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
  EXPECT_EQ(nlohmann::json::parse(Korvatinel(data, {"nmea", data + "odd.nmea", "--json"}).out)["talker"], "\uFFFD\uFFFD");
  EXPECT_EQ(listed[0]["damaged"], "damaged (truncated or malformed) (error -5)") << "no start time: listed first";
  EXPECT_EQ(listed[1]["laps"].dump() + listed[1]["best_lap_ms"].dump(), "536880") << "the demo: 5 laps, best 36.880";
  EXPECT_NE(Korvatinel(data, {"sessions"}).out.find("20000101-0000  damaged: the header is damaged"),
            std::string::npos);

  const struct {
    std::vector<std::string> args;
    const char* message;
  } refused[] = {
      {{"track", "show", "Broken"}, "The track Broken is damaged (truncated or malformed) (error -5)."},
      {{"record", "--gps", "file:" + kDemo, "--track", "Broken"}, "The track Broken is damaged"},
      {{"track", "add", "Future", "--type", "split", "--at", "50,5", "--bearing", "90"},
       "The track Future is of a version this program cannot read (error -3)."},
      {{"track", "delete", "Demo circuit"}, "The track Demo circuit is used by 1 session: "},
      {{"laps", demo, "--compare", "99"}, "--compare: no lap 99 in that session."},
  };
  for (const auto& c : refused) {
    o = Korvatinel(data, c.args);
    EXPECT_EQ(o.status, 1) << c.args[1];
    EXPECT_NE(o.err.find(c.message), std::string::npos) << c.args[1] << ": " << o.err;
  }
  EXPECT_EQ(ReadWholeFile(tracks + "Future-track.bin"), future) << "a newer program's track stays as it was";
  EXPECT_EQ(Korvatinel(data, {"track", "delete", "Demo circuit", "--force"}).status, 0);
  EXPECT_FALSE(std::filesystem::exists(tracks + "Demo circuit-track.bin"));
  std::filesystem::copy_file(sessions + demo + "-session.bin", sessions + demo + "9-session.bin");
  o = Korvatinel(data, {"export", demo.substr(0, 4), "--format", "csv"});
  EXPECT_EQ(o.status, 2) << "a prefix of two sessions";
  EXPECT_NE(o.err.find("\n  " + demo + "9  Demo  "), std::string::npos) << o.err;

  TempFolder scratch;  // without --data, the demo's folder goes at its end
  o = RunCommand(dir.Path(), {"env", "TMPDIR=" + scratch.Path(), KV_PROGRAM, "demo", "--fast"});
  const std::string removed = "\n(demo folder removed; use --data DIR to keep it)\nReport: " + scratch.Path();
  EXPECT_TRUE(o.status == 0 && o.out.find(removed) != std::string::npos && o.out.ends_with(".html\n")) << o.out;
  std::vector<std::filesystem::path> left;
  for (const auto& entry : std::filesystem::directory_iterator(scratch.Path())) left.push_back(entry.path());
  EXPECT_TRUE(left.size() == 1 && left[0].extension() == ".html" && o.out.ends_with(left[0].filename().string() + "\n"))
      << "only the report is left in TMPDIR";
}

// A session being recorded is locked against delete and resume; the lock
// goes with the recorder, even when it is killed.
TEST(Program, ASessionBeingRecordedIsNeitherDeletedNorResumedUntilTheRecorderIsGone) {
  TempFolder dir, logs;
  const pid_t recorder =
      Spawn(logs.Path(), {KV_PROGRAM, "--data", dir.Path(), "record", "--type", "log", "--gps", "file:" + kDemo});
  std::string session;
  for (int i = 0; i < 100 && session.empty(); ++i) {
    usleep(50000);
    if (std::filesystem::exists(dir.Path() + "Korvatinel/Sessions")) session = RecordedSessionBase(dir.Path());
  }
  ASSERT_FALSE(session.empty());
  usleep(200000);  // past the creation of the sample file
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"delete", session}, {"resume", session, "--gps", "file:" + kDemo, "--fast"}}) {
    const Outcome o = Korvatinel(dir.Path(), args);
    EXPECT_EQ(o.status, 1) << args[0];
    EXPECT_EQ(o.err, "The session " + session + " is being recorded.\n") << args[0];
  }
  kill(recorder, SIGKILL);
  waitpid(recorder, nullptr, 0);
  EXPECT_EQ(Korvatinel(dir.Path(), {"delete", session}).status, 0);
}

TEST(Program, RecordingStopsAtTheFileSizeLimitKeepsEveryLapItShowedAndResumesLater) {
  // The NMEA log is the larger file; without it the sample file meets the
  // limit. Either way the recording stops where the limit is.
  const struct {
    const char* legend;
    std::vector<std::string> flags;
    rlim_t limit;
  } cases[] = {{"NMEA log", {}, 150000}, {"sample file", {"--no-nmea-log"}, 30000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    TempFolder dir;
    std::filesystem::create_directories(dir.Path() + "Korvatinel/Tracks");
    std::filesystem::copy_file("data/demo/Demo circuit-track.bin", dir.Path() + "Korvatinel/Tracks/Demo circuit-track.bin");
    std::vector<std::string> args = {"record", "--gps", "file:" + kDemo, "--track", "Demo circuit", "--fast"};
    args.insert(args.end(), c.flags.begin(), c.flags.end());
    const Outcome full = Korvatinel(dir.Path(), args, c.limit);
    EXPECT_EQ(full.status, 1) << full.err;
    EXPECT_NE(full.err.find("Not enough storage space left!"), std::string::npos) << full.err;
    const std::vector<std::string> printed = PrintedLaps(full.out);
    EXPECT_GE(printed.size(), 1u) << full.out;
    EXPECT_LT(printed.size(), 5u) << "the limit stops the demo before its end";

    const std::string session = RecordedSessionBase(dir.Path());
    const Outcome stored = Korvatinel(dir.Path(), {"laps", session, "--json"});
    ASSERT_EQ(stored.status, 0) << stored.err;
    const nlohmann::json laps = nlohmann::json::parse(stored.out)["laps"];
    ASSERT_GE(laps.size(), printed.size());
    for (size_t i = 0; i < printed.size(); ++i) EXPECT_EQ(printed[i], LapText(laps[i]["time_ms"].get<int>())) << i;

    // Room again: the rest of the drive goes into the same session.
    const std::string demo = ReadWholeFile(kDemo);
    WriteWholeFile(dir.Path() + "rest.nmea", demo.substr(demo.find("$GPGGA", demo.size() * 3 / 5)));
    const Outcome resumed = Korvatinel(dir.Path(), {"resume", session, "--gps", "file:" + dir.Path() + "rest.nmea", "--fast"});
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_GT(nlohmann::json::parse(Korvatinel(dir.Path(), {"laps", session, "--json"}).out)["laps"].size(), laps.size());
  }
}

// A real full disk: a small tmpfs in a mount namespace of our own, where
// the machine allows one (user namespaces); the data folder is copied in
// and out around the recording.
TEST(Program, RecordingOnAFullDiskStopsAndSaysSo) {
  if (RunCommand(TempFolder().Path(), {"unshare", "-rm", "true"}).status != 0)
    GTEST_SKIP() << "no user and mount namespaces here";
  TempFolder dir;
  sim::SimConfig config;
  config.circuit = sim::RoundedRectangle(12);
  config.rate_hz = 20;
  config.laps = 12;
  sim::TrackSimulator simulator(config);
  const std::string nmea = simulator.Nmea();
  ASSERT_GT(nmea.size(), 1200000u) << "must outgrow the disk";
  WriteWholeFile(dir.Path() + "drive.nmea", nmea);
  const std::string disk = dir.Path() + "disk/", kept = dir.Path() + "kept/";
  std::filesystem::create_directories(disk);
  std::filesystem::create_directories(kept);
  // 1 MiB, of which 760 KiB are free: enough to start (700 KiB), not to finish.
  const std::string script =
      "mount -t tmpfs -o size=1m tmpfs \"$1\" && head -c 270000 /dev/zero > \"$1/filler\" && "
      "\"$2\" --data \"$1\" record --type log --gps \"file:$3\" --fast; status=$?; "
      "rm \"$1/filler\"; cp -a \"$1/.\" \"$4\"; exit $status";
  const Outcome o = RunCommand(dir.Path(), {"unshare", "-rm", "sh", "-c", script, "sh", disk, KV_PROGRAM,
                                            dir.Path() + "drive.nmea", kept});
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_NE(o.err.find("Not enough storage space left!\n"), std::string::npos) << o.err;
  const std::string session = RecordedSessionBase(kept);
  ASSERT_FALSE(session.empty());
  const Outcome channels = Korvatinel(kept, {"channels", session, "--json"});
  ASSERT_EQ(channels.status, 0) << channels.err;
  std::smatch shown;
  ASSERT_TRUE(std::regex_search(o.out, shown, std::regex("([0-9]+) samples"))) << o.out;
  EXPECT_EQ(std::to_string(nlohmann::json::parse(channels.out)["rows"].size()), shown[1].str())
      << "every sample shown is stored";
}

TEST(Program, ARecordingWithoutAReceiverOrWithoutAFixFailsAndKeepsNothing) {
  TempFolder dir;
  WriteWholeFile(dir.Path() + "empty.nmea", "");
  WriteWholeFile(dir.Path() + "void.nmea", sim::WithChecksum("$GPRMC,120000.00,V,,,,,,,150624,,,N") +
                                              sim::WithChecksum("$GPGGA,120000.00,,,,,0,00,99.99,,,,,,"));
  const struct {
    const char* source;
    const char* message;
  } cases[] = {
      {"serial:/nonexistent/ttyUSB9", "Cannot open the GPS source serial:/nonexistent/ttyUSB9: No such file or directory"},
      {"gpsd:127.0.0.1:1", "Cannot open the GPS source gpsd:127.0.0.1:1: Connection refused"},
      {"file:/nonexistent/drive.nmea", "No such file or directory"},
      {"file:empty.nmea", "No position was received: nothing was recorded."},
      {"file:void.nmea", "1 epoch was not a fix and not recorded.\nNo position was received: nothing was recorded."},
  };
  for (const auto& c : cases) {
    std::string source = c.source;
    if (source.starts_with("file:") && source[5] != '/') source = "file:" + dir.Path() + source.substr(5);
    const Outcome o = Korvatinel(dir.Path(), {"record", "--type", "log", "--gps", source, "--fast"});
    EXPECT_EQ(o.status, 1) << c.source;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << c.source << ": " << o.err;
    EXPECT_TRUE(RecordedSessionBase(dir.Path()).empty()) << c.source << ": a session without a sample is not kept";
  }
}

// Real kart laps from a receiver that sends RMC alone at 17 and 25 Hz (and
// the same with a GGA made from each RMC), against the lap times the
// recordings' source timer reported; the line is the source's own.
TEST(Program, RealKartLapsFromAnRmcOnlyReceiverWithin20MsOfTheReference) {
  TempFolder dir;
  ASSERT_EQ(Korvatinel(dir.Path(), {"track", "create", "Kart"}).status, 0);
  ASSERT_EQ(Korvatinel(dir.Path(), {"track", "add", "Kart", "--type", "start-finish", "--at", "28.41271928,-81.37965158",
                                    "--bearing", "351.2", "--width", "16.1"})
                .status,
            0);
  const struct {
    const char* file;
    std::vector<int> reference_ms;  // the first laps of the recording
  } cases[] = {
      {"lap", {68748}},
      {"2laps", {69958, 68748}},
      {"long_lap", {58611}},
      {"praga_laps", {62727, 61317}},
  };
  for (const auto& c : cases) {
    for (const char* extension : {".nmea", ".paired.nmea"}) {
      const std::string file = std::string(c.file) + extension;
      const Outcome o = Korvatinel(
          dir.Path(), {"record", "--gps", "file:../shared/external/nmea/karting/" + file, "--track", "Kart", "--fast"});
      ASSERT_EQ(o.status, 0) << file << ": " << o.err;
      const std::vector<std::string> laps = PrintedLaps(o.out);
      ASSERT_GE(laps.size(), c.reference_ms.size()) << file << ": " << o.out;
      for (size_t i = 0; i < c.reference_ms.size(); ++i) {
        int minutes = 0, seconds = 0, ms = 0;
        const bool long_lap = laps[i].find(':') != std::string::npos;
        ASSERT_EQ(long_lap ? std::sscanf(laps[i].c_str(), "%d:%d.%d", &minutes, &seconds, &ms)
                           : std::sscanf(laps[i].c_str(), "%d.%d", &seconds, &ms) + 1,
                  3)
            << laps[i];
        EXPECT_NEAR((minutes * 60 + seconds) * 1000 + ms, c.reference_ms[i], 20) << file << " lap " << i + 1;
      }
    }
  }
}

// Regression: a session crossing midnight UTC jumped back a day, and the
// route export dropped the samples after midnight. With RMC's date and
// with GGA alone (the date then comes from the computer's clock).
TEST(Program, ASessionCrossingMidnightKeepsEverySampleInOrder) {
  TempFolder dir;
  std::string with_date, gga_only;
  for (int i = 0; i < 20; ++i) {
    const int t = (86390 + i) % 86400;
    char time[16], lat[16];
    std::snprintf(time, sizeof time, "%02d%02d%02d.00", t / 3600, t / 60 % 60, t % 60);
    std::snprintf(lat, sizeof lat, "%.5f", 4807.0 + i * 0.01);
    const std::string gga = sim::WithChecksum(std::string("$GPGGA,") + time + "," + lat + ",N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    with_date += sim::WithChecksum(std::string("$GPRMC,") + time + ",A," + lat + ",N,01131.000,E,36.0,0.0," +
                                   (i < 10 ? "150624" : "160624") + ",,,A") + gga;
    gga_only += gga;
  }
  for (const auto& [name, text] : {std::pair{"dated.nmea", with_date}, {"gga.nmea", gga_only}}) {
    WriteWholeFile(dir.Path() + name, text);
    const Outcome recorded = Korvatinel(dir.Path(), {"record", "--type", "log", "--gps", "file:" + dir.Path() + name, "--fast"});
    ASSERT_EQ(recorded.status, 0) << recorded.err;
    const Outcome csv = Korvatinel(dir.Path(), {"export", RecordedSessionBase(dir.Path()), "--format", "csv", "--scope", "route"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    const std::string table = ReadWholeFile(csv.out.substr(0, csv.out.find('\n')));
    std::vector<std::string> stamps;
    const std::regex row("\nN/A,([0-9.]+),");
    for (auto m = std::sregex_iterator(table.begin(), table.end(), row); m != std::sregex_iterator(); ++m)
      stamps.push_back((*m)[1]);
    ASSERT_EQ(stamps.size(), 20u) << name << "\n" << table;
    EXPECT_EQ(stamps[9] + " " + stamps[10] + " " + stamps[19], "86399.000 86400.000 86409.000") << name;
    ASSERT_EQ(Korvatinel(dir.Path(), {"delete", RecordedSessionBase(dir.Path())}).status, 0);
  }
}

// The live timer painted without a display, from a recorded session.
TEST(Program, ScreenshotWritesAPngAndRefusesWhatItCannotDo) {
  TempFolder dir;
  ASSERT_EQ(Korvatinel(dir.Path(), {"demo", "--fast"}).status, 0);
  const std::string session = RecordedSessionBase(dir.Path()), png = dir.Path() + "shot.png";
  const struct {
    std::vector<std::string> tail;
    int status;
  } cases[] = {
      {{session, "--at", "120", "-o", png}, 0},
      {{session, "--at", "120", "--size", "10x10", "-o", png}, 2},
      {{session, "--at", "120", "--mode", "bogus", "-o", png}, 2},
      {{"nosuch", "--at", "1", "-o", png}, 1},
      {{session, "--at", "1", "-o", "/nonexistent/shot.png"}, 1},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"screenshot"};
    args.insert(args.end(), c.tail.begin(), c.tail.end());
    const Outcome o = Korvatinel(dir.Path(), args);
    EXPECT_EQ(o.status, c.status) << c.tail[0] << " " << c.tail.back() << ": " << o.err;
  }
  EXPECT_EQ(ReadWholeFile(png).substr(0, 4), "\x89PNG");
}

// Waits up to 20 s for `done`; a display starts and a window shows its
// frames within a fraction of that.
template <typename Done>
bool Eventually(Done done) {
  for (int k = 0; k < 200; ++k) {
    if (done()) return true;
    usleep(100000);
  }
  return false;
}

// The exit status of a started program that should end by itself (-1 when
// it was killed after 20 s instead).
int ExitStatusWithin(pid_t pid) {
  int status = -1;
  if (!Eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; }))
    kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A virtual X display whose screen is kept as a file (XWD: a header, a
// colour map, then rows of 32-bit pixels), so a test sees what a driver
// would.
class VirtualDisplay {
 public:
  // A display number of this process's own, ready once its socket exists.
  explicit VirtualDisplay(const std::string& dir)
      : screen_(dir + "Xvfb_screen0"), name_(":" + std::to_string(100 + getpid() % 800)) {
    pid_ = fork();
    if (pid_ == 0) {
      execlp("Xvfb", "Xvfb", name_.c_str(), "-screen", "0", "800x480x24", "-fbdir", dir.c_str(), "-nolisten",
             "tcp", nullptr);
      _exit(127);
    }
    const std::string socket = "/tmp/.X11-unix/X" + name_.substr(1);
    if (!Eventually([&] { return std::filesystem::exists(socket) && waitpid(pid_, nullptr, WNOHANG) == 0; }))
      name_.clear();
  }
  ~VirtualDisplay() {
    if (pid_ > 0) kill(pid_, SIGTERM), waitpid(pid_, nullptr, 0);
  }
  const std::string& Name() const { return name_; }
  // Pixels of the screen in this colour (0xRRGGBB).
  int CountColour(uint32_t rgb) const {
    const std::string s = ReadWholeFile(screen_);
    if (s.size() < 100) return 0;
    const auto field = [&](int i) {
      const auto* b = reinterpret_cast<const unsigned char*>(s.data()) + 4 * i;
      return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
    };
    const size_t start = field(0) + field(19) * 12, row = field(12);
    int count = 0;
    for (size_t y = 0; y < field(5); ++y)
      for (size_t x = 0; x < field(4) && start + y * row + 4 * x + 3 < s.size(); ++x) {
        const auto* p = reinterpret_cast<const unsigned char*>(s.data()) + start + y * row + 4 * x;
        count += (uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]) == rgb;
      }
    return count;
  }

 private:
  std::string screen_, name_;
  pid_t pid_ = -1;
};

// The demo in a real window on a virtual display: the face first, a tap
// toggles to the panel with its map, where the car appears with the first
// fixes; Escape ends the session cleanly.
TEST(Program, TheDemoWindowShowsTheTimerTogglesOnATapAndEndsOnEscape) {
  if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0)
    GTEST_SKIP() << "Xvfb and xdotool (Debian packages xvfb, xdotool) are not installed";
  TempFolder dir;
  VirtualDisplay display(dir.Path());
  ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start";
  const std::string tools = dir.Path() + "xdotool/";
  std::filesystem::create_directories(tools);
  const auto xdotool = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    int status = 0;
    waitpid(Spawn(tools, args, 0, display.Name()), &status, 0);
    return status;
  };
  const pid_t demo = Spawn(dir.Path(), {KV_PROGRAM, "--data", dir.Path(), "demo", "--window"}, 0, display.Name());
  const uint32_t face_blue = 0x0000C0, map_ground = 0xF4F4F4, car = 0xE00000;
  EXPECT_TRUE(Eventually([&] { return display.CountColour(face_blue) > 500; })) << "no timer face";
  EXPECT_EQ(display.CountColour(map_ground), 0);
  xdotool({"mousemove", "400", "240", "click", "1"});
  EXPECT_TRUE(Eventually([&] { return display.CountColour(map_ground) > 3000; })) << "no map after the tap";
  EXPECT_TRUE(Eventually([&] { return display.CountColour(car) > 0; })) << "no car on the map";
  xdotool({"key", "Escape"});
  EXPECT_EQ(ExitStatusWithin(demo), 0) << ReadWholeFile(dir.Path() + "stderr.txt");
  EXPECT_NE(ReadWholeFile(dir.Path() + "stdout.txt").find("Session "), std::string::npos);
}

// The library server answers on the address it prints, refuses a port in
// use, and ends cleanly on Ctrl-C and on SIGTERM.
TEST(Program, LibraryServeAnswersWhereItSaysAndEndsCleanlyOnSignals) {
  TempFolder dir;
  WriteWholeFile(dir.Path() + "index.txt", "a-track.bin;G/A;D\n");
  for (const int signal : {SIGINT, SIGTERM}) {
    // Each server writes its own output files (SIGNAL-stdout.txt).
    const std::string output = dir.Path() + std::to_string(signal) + "-";
    const pid_t server = Spawn(output, {KV_PROGRAM, "library", "serve", dir.Path(), "--port", "0"});
    std::smatch port;
    std::string out;
    ASSERT_TRUE(Eventually([&] {
      out = ReadWholeFile(output + "stdout.txt");
      return std::regex_search(out, port,
                               std::regex("http://127\\.0\\.0\\.1:(\\d+)/automatic/tracks/"));
    }));
    const std::string request = testing::GetRequest("/automatic/tracks/index.php");
    EXPECT_EQ(testing::BodyOf(testing::RawExchange(std::stoi(port[1]), request)),
              "a-track.bin;G/A;D\n");
    // A second server on the port fails instead of sharing it.
    EXPECT_EQ(ExitStatusWithin(Spawn(output + "busy-", {KV_PROGRAM, "library", "serve", dir.Path(),
                                                        "--port", port[1]})),
              1);
    kill(server, signal);
    EXPECT_EQ(ExitStatusWithin(server), 0) << signal;
  }
}

// A track goes from one data folder through our own server into another
// and arrives byte for byte; a track of the same name is replaced only
// with --yes; the server is found through the setting too.
TEST(Program, LibraryCarriesATrackBetweenDataFoldersByteForByte) {
  TempFolder library, a, b;
  const pid_t server = Spawn(library.Path(), {KV_PROGRAM, "library", "serve", library.Path(), "--port", "0"});
  std::smatch port;
  std::string out;
  ASSERT_TRUE(Eventually([&] {
    out = ReadWholeFile(library.Path() + "stdout.txt");
    return std::regex_search(out, port, std::regex("http://127\\.0\\.0\\.1:(\\d+)/"));
  }));
  const std::string at = "127.0.0.1:" + port[1].str();
  ASSERT_EQ(Korvatinel(a.Path(), {"track", "create", "Sp\xC3\xA4"}).status, 0);
  ASSERT_EQ(Korvatinel(a.Path(), {"track", "add", "Sp\xC3\xA4", "--type", "start-finish", "--at", "50.4363,5.9722",
                                  "--bearing", "90"}).status, 0);
  const std::string track = "Korvatinel/Tracks/Sp\xC3\xA4-track.bin";
  const struct {
    TempFolder* data;
    std::vector<std::string> args;
    int status;
    std::string said;  // on stdout, else on stderr
  } steps[] = {
      {&a, {"library", "upload", "Sp\xC3\xA4", "--email", "", "--description", "d"}, 2, "Please enter your email address!"},
      {&a, {"library", "upload", "Sp\xC3\xA4", "--email", "a@b.c", "--description", ""}, 2, "Please enter description!"},
      {&a, {"library", "upload", "Sp\xC3\xA4", "--email", "a@b.c", "--description", "Kart"}, 0, "Thank you for the track!"},
      {&b, {"library", "list"}, 0, "Uploads  1 tracks"},
      {&b, {"settings", "set", "library-server", at}, 0, ""},
      {&b, {"library", "list", "--group", "Uploads"}, 0, "Sp\xC3\xA4  Kart"},
      {&b, {"library", "list", "--group", "uploads"}, 1, "no group"},
      {&b, {"library", "download", "Spa"}, 1, "no track \"Spa\""},
      {&b, {"library", "download", "Sp\xC3\xA4"}, 0, "Succesfully added 'Sp\xC3\xA4' to your track profiles."},
      {&b, {"library", "download", "Sp\xC3\xA4"}, 1, "Not overwritten: give --yes"},
      {&b, {"library", "download", "Sp\xC3\xA4", "--yes"}, 0, "Succesfully added"},
      {&b, {"library", "list", "--server", "bad host"}, 2, "HOST or HOST:PORT"},
  };
  for (const auto& step : steps) {
    std::vector<std::string> args = step.args;
    if (step.data == &a || args.back() == "list") args.insert(args.end(), {"--server", at});
    if (step.args.back() == "bad host") args = step.args;
    const Outcome o = Korvatinel(step.data->Path(), args);
    EXPECT_EQ(o.status, step.status) << args[1] << " " << args[2] << ": " << o.err;
    EXPECT_NE((step.status == 0 ? o.out : o.err).find(step.said), std::string::npos) << o.out << o.err;
  }
  EXPECT_EQ(ReadWholeFile(b.Path() + track), ReadWholeFile(a.Path() + track));
  kill(server, SIGTERM);
  EXPECT_EQ(ExitStatusWithin(server), 0);
  const Outcome gone = Korvatinel(b.Path(), {"library", "list"});
  EXPECT_EQ(gone.status, 1);
  EXPECT_NE(gone.err.find("Could not download tracks index."), std::string::npos) << gone.err;
}

// Servers that answer other than ours: each failure is said and is status
// 1, and Ctrl-C ends a request that hangs.
TEST(Program, LibraryCommandsSayWhatWentWrongAndCancelOnCtrlC) {
  TempFolder dir;
  ASSERT_EQ(Korvatinel(dir.Path(), {"track", "create", "T"}).status, 0);
  const auto hex = [](std::string_view bytes) {
    std::string text;
    for (const unsigned char c : bytes) text += "0123456789abcdef"[c >> 4], text += "0123456789abcdef"[c & 15];
    return text;
  };
  const std::vector<std::string> upload = {"library", "upload", "T", "--email", "e", "--description", "d"};
  const struct {
    const char* reply;
    std::vector<std::string> args;
    int status;
    const char* said;
  } cases[] = {
      {"HTTP/1.0 404 Not Found\r\n\r\n", {"library", "list"}, 1, "Could not download tracks index."},
      {"HTTP/1.0 200\r\n\r\nx;G/T;d\n", {"library", "list"}, 1, "Could not download tracks index."},
      // No escape sequence of a library reaches the terminal.
      {"HTTP/1.0 200 OK\r\n\r\nx;G\x1b[2J/T;d\n", {"library", "list"}, 0, "G\xEF\xBF\xBD[2J  1 tracks"},
      // The index is served as the track file too: no track profile.
      {"HTTP/1.0 200 OK\r\n\r\nx;G/U;d\n", {"library", "download", "U"}, 1, "Could not save the track, error -"},
      {"HTTP/1.0 200 OK\r\n\r\nSuccess.", upload, 1, "Could not upload the track!"},
      {"HTTP/1.0 500 Oops\r\n\r\nSuccess.\r\n", upload, 1, "Could not upload the track!"},
      {"HTTP/1.0 200 OK\r\n\r\n\r\nSuccess.\r\n", upload, 0, "Thank you for the track!"},
  };
  for (const auto& c : cases) {
    test::ScriptChild peer("tests/online/http_script_server.py", {"--reply", hex(c.reply)});
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--server", "127.0.0.1:" + peer.FirstLine()});
    const Outcome o = Korvatinel(dir.Path(), args);
    EXPECT_EQ(o.status, c.status) << c.reply;
    EXPECT_NE((o.out + o.err).find(c.said), std::string::npos) << c.reply << ": " << o.out << o.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.Path() + "Korvatinel/Tracks/U-track.bin"));

  const std::string requests = dir.Path() + "requests";
  test::ScriptChild hanging("tests/online/http_script_server.py", {"--hold", "--record", requests});
  const pid_t list = Spawn(dir.Path(), {KV_PROGRAM, "--data", dir.Path(), "library", "list", "--server",
                                        "127.0.0.1:" + hanging.FirstLine()});
  ASSERT_TRUE(Eventually([&] { return !ReadWholeFile(requests).empty(); }));
  kill(list, SIGINT);
  EXPECT_EQ(ExitStatusWithin(list), 1);
  EXPECT_EQ(ReadWholeFile(dir.Path() + "stderr.txt"), "Cancelled.\n");
}

// Engine values through the whole program: the emulated adapter serves known
// sequences beside a replayed drive, and the session keeps exactly the
// replies that arrived whole, in order (those before the GPS clock runs and
// after the drive ends aside). Slow and garbled replies are no values and
// the session goes on.
TEST(Program, RecordsTheEngineValuesTheAdapterSent) {
  TempFolder dir;
  const std::string demo = ReadWholeFile(kDemo), drive = dir.Path() + "drive.nmea", log = dir.Path() + "obd.log";
  WriteWholeFile(drive, demo.substr(0, demo.find("$GPRMC", 50000)));
  const std::string rpm = "800,1200,3000,4500.25,6100";
  const double kRpm[] = {800, 1200, 3000, 4500.25, 6100};
  const struct {
    const char* legend;
    std::vector<std::string> adapter, choice;
    std::map<int, int> channel_of_pid;
  } cases[] = {
      {"the default channels", {"--rpm", rpm, "--throttle", "10,50", "--speed", "90", "--delay", "20"}, {},
       {{0x0C, 24}, {0x11, 25}}},
      {"slow, garbled, with a low-priority channel",
       {"--rpm", rpm, "--coolant", "88,89,90", "--delay", "80", "--garble", "4"},
       {"--obd-channels", "24", "--obd-low-channels", "coolant"},
       {{0x0C, 24}, {0x05, 26}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    const std::string data = dir.Path() + std::to_string(c.choice.size()) + "/";
    std::vector<std::string> options = c.adapter;
    options.insert(options.end(), {"--log", log});
    test::Elm327Emulator adapter(options);
    ASSERT_FALSE(adapter.Device().empty());
    std::vector<std::string> args = {"record", "--type", "log", "--gps", "file:" + drive, "--obd", "serial:" + adapter.Device()};
    args.insert(args.end(), c.choice.begin(), c.choice.end());
    const Outcome o = Korvatinel(data, args);
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string session = RecordedSessionBase(data);

    std::map<int, std::vector<uint32_t>> sent, recorded;
    size_t garbled = 0;
    for (const std::vector<std::string>& line : test::EmulatorLog(log)) {
      const std::string reply = line.size() > 1 ? line[1].substr(line[1].rfind('|') + 1) : "";
      if (line.size() > 2) ++garbled;
      if (line.size() > 2 || !reply.starts_with("41 ") || !c.channel_of_pid.contains(std::stoi(reply.substr(3, 2), nullptr, 16)))
        continue;
      uint32_t raw = 0;
      for (size_t at = 6; at < reply.size(); at += 3) raw = raw << 8 | std::stoul(reply.substr(at, 2), nullptr, 16);
      sent[c.channel_of_pid.at(std::stoi(reply.substr(3, 2), nullptr, 16))].push_back(raw);
    }
    SampleLoader loader(data + "Korvatinel/Sessions/" + session + "-plots.bin");
    ASSERT_TRUE(loader.LoadAll());
    for (const ObdRecord& r : loader.Data().obd_records) recorded[r.channel].push_back(r.value);
    ASSERT_EQ(recorded.size(), c.channel_of_pid.size()) << o.err;
    for (const auto& [channel, values] : recorded) {
      EXPECT_GE(values.size(), 2u) << channel;
      EXPECT_NE(std::search(sent[channel].begin(), sent[channel].end(), values.begin(), values.end()), sent[channel].end())
          << "channel " << channel << ": the values recorded are not a run of those sent whole";
    }
    EXPECT_EQ(garbled > 0, c.choice.size() > 0);

    const nlohmann::json channels = nlohmann::json::parse(Korvatinel(data, {"channels", session, "--json"}).out);
    const auto column = std::find(channels["names"].begin(), channels["names"].end(), "rpm") - channels["names"].begin();
    size_t shown = 0;
    for (const nlohmann::json& row : channels["rows"]) {
      if (row[column].is_null()) continue;
      ++shown;
      EXPECT_NE(std::count(std::begin(kRpm), std::end(kRpm), row[column].get<double>()), 0) << row[column];
    }
    EXPECT_GT(shown, channels["rows"].size() / 2);
  }
  const Outcome bad = Korvatinel(dir.Path(), {"record", "--gps", "file:" + drive, "--obd", "serial:/dev/null",
                                              "--obd-channels", "rpm,bogus"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("\"bogus\" is no OBD-II channel; the channels are (number name):"), std::string::npos) << bad.err;
  EXPECT_NE(bad.err.find("\n  25 throttle-position\n"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace kv::app
