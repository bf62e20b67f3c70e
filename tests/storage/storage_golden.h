// Golden files of the storage tests live in tests/data/storage/. With
// KV_REGENERATE_GOLDENS set (tools/regenerate_goldens.sh) a test first
// writes the bytes it produced there; review the diff before committing.
#pragma once

#include <cstdlib>
#include <string>

#include "support/temp_folder.h"

namespace kv::testing {

inline std::string GoldenPath(const std::string& name) { return std::string("tests/data/storage/").append(name); }

inline std::string StorageGolden(const std::string& name, const std::string& produced) {
  if (std::getenv("KV_REGENERATE_GOLDENS") != nullptr) WriteWholeFile(GoldenPath(name), produced);
  return ReadWholeFile(GoldenPath(name));
}

}  // namespace kv::testing
