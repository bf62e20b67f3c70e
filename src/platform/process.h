// The few process-wide operations the application core needs.
#pragma once

#include <cstdint>
#include <string>

namespace kv::platform {

int32_t ProcessId();

// Ends the process with the exit status; output streams are flushed.
[[noreturn]] void ExitProcess(int32_t code);

// The folder for this user's runtime files (sockets, locks):
// $XDG_RUNTIME_DIR, else /tmp/korvatinel-<uid>, created private to the user.
std::string RuntimeDirectory();

// Where temporary files go: $TMPDIR (or $TMP, $TEMP, $TEMPDIR), else /tmp.
std::string TemporaryDirectory();
// Reads an environment variable; empty when unset.
std::string Environment(const char* name);

}  // namespace kv::platform
