#include "util/errors.h"

#include <cstdio>
#include <cstdlib>

namespace kv {

void ThrowCode(int32_t code, int32_t system_error) { throw CodeException{code, system_error}; }

void ReportProgrammingError(int32_t code) {
  std::fprintf(stderr, "KvCore %d\n", static_cast<int>(code));
  std::fflush(stderr);
  std::abort();
}

}  // namespace kv
