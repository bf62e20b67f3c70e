// Arbitrary bytes as the track library's index and as an upload reply:
// every entry read has the fields a line must have, from one line, and the
// groups account for every entry. A group may be empty ("/Name").
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "online/track_index.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<kv::TrackIndexEntry> entries = kv::ParseTrackIndex(bytes);
  for (const kv::TrackIndexEntry& e : entries) {
    const std::string_view file = e.file_name.AsView();
    if (file.empty() || e.description.IsEmpty()) std::abort();
    if (file.find_first_of(";\n") != std::string_view::npos) std::abort();
    if (e.start && !(e.start->IsSet() && kv::OnGlobeWhereSet(*e.start))) std::abort();
  }
  int32_t counted = 0;
  for (const kv::TrackGroup& g : kv::TrackGroups(entries)) {
    if (g.count < 1 ||
        static_cast<int32_t>(kv::GroupEntries(entries, g.name.AsView()).size()) != g.count)
      std::abort();
    counted += g.count;
  }
  if (counted != static_cast<int32_t>(entries.size())) std::abort();
  if (kv::IsUploadAccepted(bytes) && bytes.find("Success.") == std::string_view::npos) std::abort();
  return 0;
}
