#include "online/track_download.h"

#include "storage/data_file.h"
#include "storage/storage_paths.h"
#include "storage/track_file_format.h"
#include "storage/track_profile.h"
#include "util/errors.h"

namespace kv {

StoreResult StoreLibraryTrack(TrackList& list, const std::string& root, std::u16string_view name,
                              std::string_view bytes, bool replace) {
  if (name.empty() || !IsValidName(name)) return {StoreOutcome::kBadName, 0};
  TrackProfile parsed;
  const int32_t parse = ParseTrackFile(bytes, true, parsed);
  if (parse != 0 || parsed.load_error != 0 || bytes.empty())
    return {StoreOutcome::kNotATrack, parse != 0               ? parse
                                      : parsed.load_error != 0 ? parsed.load_error
                                                               : kErrMalformedFile};
  const int32_t existing = list.Find(name);
  if (existing >= 0 && !replace) return {StoreOutcome::kExists, 0};

  TrackProfile profile;
  profile.name = name;
  profile.root = root;
  const std::string path = TrackPath(profile);
  if (CreateDirectories(FolderOfPath(path)) == DirResult::kFailed)
    return {StoreOutcome::kWriteFailed, kErrCannotOpen};
  try {
    DataFile file(path);
    file.CreateReplacing(track_file::kBuffer);
    file.WriteBytes(bytes);
    if (!file.Close()) return {StoreOutcome::kWriteFailed, kErrCannotOpen};
  } catch (const CodeException& e) {
    return {StoreOutcome::kWriteFailed, e.code};
  }
  // The same file was replaced in place; another spelling or medium holds
  // an old copy that would list the track twice.
  if (existing >= 0 && TrackPath(list.At(existing)) != path) list.Delete(existing);
  list.Refresh();
  return {};
}

}  // namespace kv
