// The two ways this program fails loudly.
//
// ThrowCode: a fatal condition the caller is expected to catch by its integer
// code. Only the codes below cross subsystem boundaries; file and format code
// throws its own (documented where it is defined). Parsers of untrusted bytes
// never throw: they return a result.
//
// ReportProgrammingError: a broken invariant (an index outside a list, a
// message placeholder missing from a string). It prints the module tag and
// the code and ends the process at once; no input can reach it.
#pragma once

#include <cstdint>

namespace kv {

enum ErrorCode : int32_t {
  kErrOutOfMemory = -2,     // memory or a system object could not be allocated
  kErrUnsupportedVersion = -3,
  kErrStringTooLong = -4,
  kErrMalformedFile = -5,   // truncated or malformed file
  kErrCannotOpen = -8,      // cannot create or open
  kErrThreadCreate = -9,
};

// Codes reported with the module tag "KvCore".
enum ProgrammingError : int32_t {
  kBadArrayIndex = 3,
  kBadStringIndex = 7,
  kBadStringCopy = 8,
  kMissingPlaceholder = 11,
};

// The exception ThrowCode raises: the code, and for a file that could not
// be made or written the system's error number (0 when there is none), so
// a full disk can be told from a missing folder.
struct CodeException {
  int32_t code;
  int32_t system_error = 0;
};

[[noreturn]] void ThrowCode(int32_t code, int32_t system_error = 0);

[[noreturn]] void ReportProgrammingError(int32_t code);

}  // namespace kv
