// TrackList: every track profile on every storage medium, loaded list-only,
// kept sorted by name (ignoring case), with a selected index. Creating,
// renaming and deleting profiles go through here so the naming rules see
// all media. Main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/track_profile.h"
#include "util/wide_string.h"

namespace kv {

class StorageList;

class TrackList {
 public:
  explicit TrackList(const StorageList& storage) : storage_(storage) {}

  // Rebuilds the list from a scan of every medium.
  void Refresh();
  int32_t Count() const { return static_cast<int32_t>(tracks_.size()); }
  TrackProfile& At(int32_t index);
  int32_t Selected() const { return selected_; }
  void Select(int32_t index) { selected_ = index; }
  // Index of the profile with this name ignoring case, or -1.
  int32_t Find(std::u16string_view name) const;

  // The naming rules for a new or renamed profile, in order: 0 when the
  // name is acceptable, else the string id of the message to show
  // (kStrTrackNameEmpty, kStrNameInvalidCharacters, kStrTrackNameExists).
  // `except` is the index of a profile being renamed, -1 otherwise.
  int32_t CheckName(std::u16string_view name, int32_t except = -1) const;

  // Creates, saves (with no traps), inserts sorted and selects a profile.
  // Returns 0 or a naming message id; raises -8 when it cannot be written.
  int32_t Create(std::u16string_view name, const std::string& root, int32_t lock);
  // Adds an already filled profile (an import) the same way.
  int32_t Add(TrackProfile profile);
  // Moves the file to the new name and updates every session header that
  // names the old one. Returns 0, a naming message id, or -1 when the move
  // failed (nothing changed then).
  int32_t Rename(int32_t index, std::u16string_view new_name, int32_t lock);
  // Deletes the file and the entry; the selection moves back when it
  // pointed past the end. False when the file could not be deleted.
  bool Delete(int32_t index);
  // Deletes every profile with this name ignoring case.
  void DeleteByName(std::u16string_view name);

 private:
  int32_t Insert(TrackProfile profile);
  void Sort();

  const StorageList& storage_;
  std::vector<std::unique_ptr<TrackProfile>> tracks_;
  int32_t selected_ = -1;
};

}  // namespace kv
