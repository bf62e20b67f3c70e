#include "app/storage_context.h"

#include "storage/storage_paths.h"
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

}  // namespace kv::app
