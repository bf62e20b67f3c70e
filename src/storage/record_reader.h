// RecordReader: bounds-checked reading of a whole file (or a byte block)
// from memory. Nothing here throws: a read that would pass the end of the
// data, or a PackedString with a malformed prefix, sets the sticky error
// kErrMalformedFile (-5), returns zero / empty, and every later read does
// the same. Callers read a record's fields and then ask Error() once.
// Lengths and counts come from the file, so callers check them against
// Remaining() before they allocate.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "util/wide_string.h"

namespace kv {

class RecordReader {
 public:
  // Reads the whole file (10240-byte chunks); false when it cannot be
  // opened or read.
  bool Open(const std::string& path);
  // Takes a copy of bytes already in memory.
  void OpenBytes(std::string_view bytes);
  void Close();

  int32_t Read8();
  int32_t Read16();  // signed 16-bit, sign-extended
  uint16_t ReadU16();
  int32_t Read32();
  uint32_t ReadU32() { return static_cast<uint32_t>(Read32()); }
  WideString ReadPackedString();
  WideString ReadUtf8String();
  // Six raw bytes into `out` (zeros after an error).
  void ReadRaw6(uint8_t* out);

  int32_t Error() const { return error_; }
  bool Ok() const { return error_ == 0; }
  int64_t Position() const { return static_cast<int64_t>(position_); }
  int64_t Remaining() const { return static_cast<int64_t>(data_.size() - position_); }
  int64_t Size() const { return static_cast<int64_t>(data_.size()); }
  const std::string& Data() const { return data_; }
  // Marks the data as malformed (for checks a caller makes itself).
  void Fail();

 private:
  // True and advances when `count` bytes remain; sets the error otherwise.
  bool Take(size_t count, const unsigned char** bytes);

  std::string data_;
  size_t position_ = 0;
  int32_t error_ = 0;
};

}  // namespace kv
