// Arbitrary bytes as a session header, list-only and full. A header that
// loads must write out and read back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "storage/session_header.h"
#include "util/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  kv::SessionHeader list_only;
  list_only.base_name = u"20090521-1852";
  kv::ParseSessionHeader(bytes, false, list_only);
  kv::SessionHeader full;
  full.base_name = u"20090521-1852";
  if (kv::ParseSessionHeader(bytes, true, full) != 0) return 0;
  if (full.version_read < 6) return 0;  // older layouts convert local time
  const std::string once = kv::SerializeSessionHeader(full).Std();
  kv::SessionHeader again;
  if (kv::ParseSessionHeader(once, true, again) != 0) std::abort();
  if (kv::SerializeSessionHeader(again).Std() != once) std::abort();
  return 0;
}
