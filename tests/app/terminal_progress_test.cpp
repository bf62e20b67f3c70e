#include "app/terminal_progress.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <sstream>

namespace kv::app {
namespace {

const std::string kErase = "\r\033[K";
std::string Bar(const std::string& cells, int percent) {
  return "\rLoading [" + cells + "] " + std::to_string(percent) + "%\033[K";
}

TEST(TerminalProgress, AppearsAfterHalfASecondAtMostTenTimesASecondAndLeavesACleanLine) {
  std::ostringstream out;
  uint32_t now = 4294967000u;  // the tick counter wraps in between
  TerminalProgress bar("Loading", out, true, [&] { return now; });
  const struct {
    uint32_t after_ms;
    int percent;  // -1: Clear(), -2: Done()
    std::string drawn;
    const char* legend;
  } steps[] = {
      {0, 10, "", "quick work shows nothing"},
      {499, 20, "", "still within half a second"},
      {1, 25, Bar("#####               ", 25), "first drawn at 0.5 s"},
      {99, 30, "", "not twice within 100 ms"},
      {1, 150, Bar("####################", 100), "clamped"},
      {200, 100, "", "the same figure is not drawn again"},
      {0, -1, kErase, "cleared for other output"},
      {100, 100, Bar("####################", 100), "then drawn again"},
      {100, -2, kErase, "done erases it"},
      {1000, 50, "", "nothing after done"},
      {0, -2, "", "done twice erases once"},
  };
  for (const auto& s : steps) {
    out.str({});
    now += s.after_ms;
    if (s.percent == -1) bar.Clear();
    else if (s.percent == -2) bar.Done();
    else bar.Update(s.percent);
    EXPECT_EQ(out.str(), s.drawn) << s.legend;
  }
}

// The error stream as a pipe, a pseudo-terminal, or that terminal with
// progress turned off: only the terminal gets the bar.
TEST(TerminalProgress, DrawnOnStderrOnlyWhenItIsATerminalAndProgressIsAllowed) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master) | unlockpt(master), 0);
  const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
  int pipe_ends[2];
  ASSERT_TRUE(terminal >= 0 && pipe(pipe_ends) == 0);
  const int saved = dup(2);
  const struct {
    int stderr_fd, read_fd;
    bool allowed, drawn;
  } cases[] = {{pipe_ends[1], pipe_ends[0], true, false}, {terminal, master, true, true}, {terminal, master, false, false}};
  for (const auto& c : cases) {
    std::cerr.flush();
    dup2(c.stderr_fd, 2);
    AllowProgress(c.allowed);
    uint32_t now = 0;
    std::ostringstream other;
    {
      TerminalProgress bar("Loading", std::cerr, [&] { return now; }), elsewhere("Loading", other, [&] { return now; });
      now = 600;
      bar.Update(40);
      elsewhere.Update(40);
    }
    std::cerr.flush();
    dup2(saved, 2);
    EXPECT_EQ(other.str(), "") << "a stream that is not stderr never gets one";
    // Read up to a mark written after it: the terminal hands bytes on in its own time.
    ASSERT_EQ(write(c.stderr_fd, "|end", 4), 4);
    std::string got;
    char block[256];
    for (ssize_t n = 0; got.find("|end") == std::string::npos && (n = read(c.read_fd, block, sizeof block)) > 0;)
      got.append(block, static_cast<size_t>(n));
    EXPECT_EQ(got.find("] 40%") != std::string::npos, c.drawn) << c.stderr_fd << c.allowed << got;
  }
  AllowProgress(true);
  for (int fd : {master, terminal, pipe_ends[0], pipe_ends[1], saved}) close(fd);
}

TEST(TerminalProgress, OffForACommandGivenJsonAtAnyDepth) {
  for (const auto& [args, json] : {std::pair{std::vector<std::string>{"track", "show", "X", "--json"}, true},
                                   {{"track", "show", "X"}, false}, {{"laps", "--json", "X"}, true}}) {
    CLI::App cli;
    std::string name;
    for (CLI::App* command : {cli.add_subcommand("laps"), cli.add_subcommand("track")->add_subcommand("show")}) {
      command->add_flag("--json");
      command->add_option("NAME", name);
    }
    cli.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    EXPECT_EQ(JsonRequested(cli), json) << args[0];
  }
}

}  // namespace
}  // namespace kv::app
