// StorageList: the storage media that hold "Korvatinel/" folders.
// Entry 0 is always the documents folder; removable volumes mounted under
// /media/$USER/ and /run/media/$USER/ follow (a volume whose size query
// fails is not listed). With a data folder (the --data option) that folder
// is the only medium and also the application-data folder, so everything
// lives under DIR/Korvatinel/.
// Rebuilt from scratch by Refresh(). Main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "util/wide_string.h"

namespace kv {

struct StorageMedium {
  WideString display_name;
  std::string root;        // ends in "/"
  uint32_t total_kb = 0;   // bytes / 1024
  uint32_t free_kb = 0;    // bytes available to this user / 1024
};

class StorageList {
 public:
  // data_dir empty: the system's media and folders.
  explicit StorageList(std::string data_dir = {});

  void Refresh();
  int32_t Count() const { return static_cast<int32_t>(media_.size()); }
  const StorageMedium& At(int32_t index) const;
  // The medium with this root path, or null.
  const StorageMedium* Find(const std::string& root) const;
  // Root of entry 0 (the documents folder, or the data folder).
  std::string DefaultRoot() const;

  // Where settings.dat and perftest.dat live, ending in "Korvatinel/";
  // created on demand by EnsureAppDataFolder.
  std::string AppDataFolder() const;
  bool EnsureAppDataFolder() const;
  // Icons, sounds and the demo: next to the executable (../share/korvatinel/
  // or the source tree's data/), else the installed data folder; empty
  // when none exists (relative paths are used then).
  std::string InstallFolder() const;
  // The bundled voice clips: <exe>/../sounds/ in the build tree, else
  // sounds/ of the installed data folder (<prefix>/share/korvatinel/);
  // empty when none exists. Kept apart from InstallFolder, whose build-tree
  // choice is the source tree's data/.
  std::string BundledSoundsFolder() const;

 private:
  std::string data_dir_;  // with a trailing "/" when set
  std::vector<StorageMedium> media_;
};

}  // namespace kv
