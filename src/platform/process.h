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
// Starts a program found on the PATH with these arguments (argv[0] the
// program) and does not wait for it; its output goes where ours goes.
// False when it could not be started (not installed, not executable).
bool StartProgram(const std::vector<std::string>& argv);

// Reads an environment variable; empty when unset.
std::string Environment(const char* name);

}  // namespace kv::platform
