// What the persistence commands share: the storage media (only DIR with
// --data DIR), the settings and the root where new files go.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "storage/settings.h"
#include "storage/storage_list.h"
#include "util/wide_string.h"

namespace kv::app {

struct StorageContext {
  explicit StorageContext(const std::string& data_dir);

  // The selected storage when it is present, else the documents folder;
  // its "Korvatinel/" folders are created.
  std::string RootForNewFiles();

  StorageList storage;
  Settings settings;
};

// Why a stored file could not be read, for a driver: "damaged (truncated
// or malformed)" and the like, with the error number.
std::string FileErrorText(int32_t code);

// A text of ours (UTF-16) to a UTF-8 stream, followed by a line end.
void PrintLine(std::ostream& out, std::u16string_view text);

}  // namespace kv::app
