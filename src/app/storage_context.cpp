#include "app/storage_context.h"

#include "storage/storage_paths.h"
#include "util/errors.h"
#include "util/utf_convert.h"

namespace kv::app {

StorageContext::StorageContext(const std::string& data_dir) : storage(data_dir) {
  storage.Refresh();
  LoadSettings(storage.AppDataFolder(), settings);
}

std::string StorageContext::RootForNewFiles() {
  const std::string selected = ToUtf8(settings.storage_selection).Std();
  const std::string root = storage.Find(selected) != nullptr ? selected : storage.DefaultRoot();
  EnsureFolders(root);
  return root;
}

void PrintLine(std::ostream& out, std::u16string_view text) { out << ToUtf8(text).Std() << '\n'; }

std::string FileErrorText(int32_t code) {
  std::string reason;
  switch (code) {
    case kErrCannotOpen: reason = "cannot be opened"; break;
    case kErrMalformedFile: reason = "damaged (truncated or malformed)"; break;
    case kErrUnsupportedVersion: reason = "of a version this program cannot read"; break;
    case kErrOutOfMemory: reason = "too large to load"; break;
    default: reason = "unreadable"; break;
  }
  return reason + " (error " + std::to_string(code) + ")";
}

}  // namespace kv::app
