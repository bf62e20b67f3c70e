// Arbitrary bytes as an uploader's track name and description: what goes
// into the published index is one field on one line of well-formed UTF-8,
// and the file name made from it is safe in a URL and a folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "online/library_folder.h"
#include "util/utf_convert.h"

namespace {

void CheckField(const std::string& field, bool path_safe) {
  if (field.size() > kv::kMaxIndexTextBytes) std::abort();
  if (!field.empty() && (field.front() == ' ' || field.back() == ' ')) std::abort();
  for (std::string_view rest = field; !rest.empty();) {
    const kv::DecodedPoint p = kv::DecodeUtf8(rest);
    const bool replaced = p.point == kv::kReplacementCharacter && rest.substr(0, 3) != "\xEF\xBF\xBD";
    if (replaced || p.point < 0x20 || p.point == 0x7F || p.point == ';') std::abort();
    if (path_safe && (p.point == '/' || p.point == '\\')) std::abort();
    rest.remove_prefix(static_cast<size_t>(p.length));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckField(kv::IndexText(bytes, true), true);
  CheckField(kv::IndexText(bytes, false), false);
  const std::string stem = kv::TrackFileStem(bytes);
  if (stem.empty() || stem.size() > 40) std::abort();
  for (const char c : stem) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!alnum && c != '_') std::abort();
  }
  if (kv::CheckRequestedName(stem + "-track.bin") != kv::FileNameCheck::kNameServable) std::abort();
  return 0;
}
