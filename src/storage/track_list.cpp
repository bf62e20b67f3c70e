#include "storage/track_list.h"

#include <algorithm>

#include "platform/file_io.h"
#include "storage/directory_scan.h"
#include "storage/session_header.h"
#include "storage/storage_list.h"
#include "storage/storage_paths.h"
#include "util/errors.h"
#include "util/string_ids.h"
#include "util/text_compare.h"

namespace kv {

namespace {

bool NameLess(const std::unique_ptr<TrackProfile>& a, const std::unique_ptr<TrackProfile>& b) {
  const int32_t folded = CompareNoCase(a->name, b->name);
  if (folded != 0) return folded < 0;
  return Compare(a->name, b->name) < 0;
}

// Every session on any medium that names `old_name` gets `new_name`.
void RenameTrackInSessions(const StorageList& storage, const WideString& old_name, const WideString& new_name) {
  for (const SessionHeader& listed : ListSessions(storage)) {
    if (listed.track != old_name) continue;
    SessionHeader header;
    header.base_name = listed.base_name;
    header.root = listed.root;
    int32_t error = 0;
    if (!LoadSessionHeader(header, true, &error) || error != 0) continue;
    header.track = new_name;
    header.changed = true;
    SaveSessionHeader(header);
  }
}

}  // namespace

void TrackList::Refresh() {
  tracks_.clear();
  for (int32_t i = 0; i < storage_.Count(); ++i) {
    DirectoryScan scan;
    scan.Open(storage_.At(i).root, FileKind::kTrackProfile);
    WideString name;
    while (scan.Next(name)) {
      auto profile = std::make_unique<TrackProfile>();
      profile->name = name;
      profile->root = storage_.At(i).root;
      int32_t error = 0;
      LoadTrack(*profile, false, &error);
      tracks_.push_back(std::move(profile));
    }
  }
  Sort();
  if (selected_ >= Count()) selected_ = Count() - 1;
}

void TrackList::Sort() { std::stable_sort(tracks_.begin(), tracks_.end(), NameLess); }

TrackProfile& TrackList::At(int32_t index) {
  if (index < 0 || index >= Count()) ReportProgrammingError(kBadArrayIndex);
  return *tracks_[static_cast<size_t>(index)];
}

int32_t TrackList::Find(std::u16string_view name) const {
  for (size_t i = 0; i < tracks_.size(); ++i)
    if (EqualNoCase(tracks_[i]->name, name)) return static_cast<int32_t>(i);
  return -1;
}

int32_t TrackList::CheckName(std::u16string_view name, int32_t except) const {
  if (name.empty()) return kStrTrackNameEmpty;
  if (!IsValidName(name)) return kStrNameInvalidCharacters;
  for (size_t i = 0; i < tracks_.size(); ++i)
    if (static_cast<int32_t>(i) != except && EqualNoCase(tracks_[i]->name, name)) return kStrTrackNameExists;
  return 0;
}

int32_t TrackList::Insert(TrackProfile profile) {
  auto owned = std::make_unique<TrackProfile>(std::move(profile));
  TrackProfile* raw = owned.get();
  tracks_.push_back(std::move(owned));
  Sort();
  for (size_t i = 0; i < tracks_.size(); ++i)
    if (tracks_[i].get() == raw) selected_ = static_cast<int32_t>(i);
  return 0;
}

int32_t TrackList::Create(std::u16string_view name, const std::string& root, int32_t lock) {
  TrackProfile profile;
  profile.name = name;
  profile.root = root;
  profile.lock = lock;
  profile.traps_loaded = true;
  return Add(std::move(profile));
}

int32_t TrackList::Add(TrackProfile profile) {
  const int32_t message = CheckName(profile.name);
  if (message != 0) return message;
  if (CreateDirectories(FolderOfPath(TrackPath(profile))) == DirResult::kFailed) ThrowCode(kErrCannotOpen);
  profile.traps_loaded = true;
  profile.changed = true;
  SaveTrack(profile);
  return Insert(std::move(profile));
}

int32_t TrackList::Rename(int32_t index, std::u16string_view new_name, int32_t lock) {
  TrackProfile& profile = At(index);
  const int32_t message = CheckName(new_name, index);
  if (message != 0) return message;
  const WideString old_name = profile.name;
  if (old_name != new_name) {
    TrackProfile renamed;
    renamed.name = new_name;
    renamed.root = profile.root;
    if (!platform::RenameFile(TrackPath(profile), TrackPath(renamed))) return -1;
    profile.name = new_name;
    RenameTrackInSessions(storage_, old_name, profile.name);
  }
  if (lock != profile.lock) {
    // The file is rewritten whole, so its traps must be in memory first.
    int32_t error = 0;
    if (!profile.traps_loaded && (!LoadTrack(profile, true, &error) || error != 0)) return -1;
    profile.lock = lock;
    profile.changed = true;
    SaveTrack(profile);
  }
  TrackProfile* raw = &profile;
  Sort();
  for (size_t i = 0; i < tracks_.size(); ++i)
    if (tracks_[i].get() == raw) selected_ = static_cast<int32_t>(i);
  return 0;
}

bool TrackList::Delete(int32_t index) {
  const bool deleted = platform::DeleteFile(TrackPath(At(index)));
  tracks_.erase(tracks_.begin() + index);
  if (selected_ >= Count()) selected_ = Count() - 1;
  return deleted;
}

void TrackList::DeleteByName(std::u16string_view name) {
  for (int32_t i = Count() - 1; i >= 0; --i)
    if (EqualNoCase(tracks_[static_cast<size_t>(i)]->name, name)) Delete(i);
}

}  // namespace kv
