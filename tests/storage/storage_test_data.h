// Golden files and damaged copies for the storage tests. The goldens live
// in tests/data/storage/; with KV_REGENERATE_GOLDENS set
// (tools/regenerate_goldens.sh) a test first writes the bytes it produced
// there. Review the diff before committing.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/temp_folder.h"
#include "util/errors.h"

namespace kv::testing {

inline std::string GoldenPath(const std::string& name) { return std::string("tests/data/storage/").append(name); }

inline std::string StorageGolden(const std::string& name, const std::string& produced) {
  if (std::getenv("KV_REGENERATE_GOLDENS") != nullptr) WriteWholeFile(GoldenPath(name), produced);
  return ReadWholeFile(GoldenPath(name));
}

// Matches a call that throws CodeException `code`.
inline auto RaisesCode(int32_t code) {
  return ::testing::Throws<CodeException>(::testing::Field(&CodeException::code, code));
}

// Every prefix of a file, as a save cut short leaves it, reads as
// kErrMalformedFile; every single-bit flip reads as 0, kErrMalformedFile or
// `also`, and never crashes. `parse` returns the reader's result code.
template <typename Parse>
void ExpectCutsMalformedAndFlipsRead(const std::string& bytes, Parse parse, int32_t also = kErrMalformedFile) {
  ASSERT_FALSE(bytes.empty());
  for (size_t n = 0; n < bytes.size(); ++n) EXPECT_EQ(parse(bytes.substr(0, n)), kErrMalformedFile) << "cut at " << n;
  for (size_t bit = 0; bit < bytes.size() * 8; ++bit) {
    std::string flipped = bytes;
    flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << (bit % 8)));
    const int32_t result = parse(flipped);
    EXPECT_TRUE(result == 0 || result == kErrMalformedFile || result == also) << "bit " << bit;
  }
}

}  // namespace kv::testing
