// The few process-wide operations the application core needs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv::platform {

int32_t ProcessId();

// Ends the process with the exit status; output streams are flushed.
[[noreturn]] void ExitProcess(int32_t code);

// The folder for this user's runtime files (sockets, locks):
// $XDG_RUNTIME_DIR, else /tmp/korvatinel-<uid>, created private to the user.
std::string RuntimeDirectory();

// Where temporary files go: $TMPDIR (or $TMP, $TEMP, $TEMPDIR), else /tmp.
std::string TemporaryDirectory();
// Runs a program found on the PATH with these arguments (argv[0] the
// program), its output going where ours goes, and waits at most
// `wait_ms` for it: its exit status (0..255), kProgramStillRunning when it
// runs on (it is left running), or kProgramNotStarted (not installed, not
// executable) or kProgramKilled (ended by a signal).
inline constexpr int32_t kProgramStillRunning = -1;
inline constexpr int32_t kProgramNotStarted = -2;
inline constexpr int32_t kProgramKilled = -3;
int32_t RunProgram(const std::vector<std::string>& argv, int32_t wait_ms);

// Reads an environment variable; empty when unset.
std::string Environment(const char* name);

}  // namespace kv::platform
