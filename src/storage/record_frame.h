// The framing of the sample file's records (version 3): a payload length L
// (u8, at least 1), a type T (u8, 0..31), then the L payload bytes. The
// writer, the loader and the repair of a cut-off file all go through this
// one pair, so they cannot disagree on where a record ends.
//
// Lengths and types come from the file: a reader never trusts them beyond
// the block it was given. Main thread (any one thread per object).
#pragma once

#include <cstddef>
#include <cstdint>

#include "storage/data_file.h"

namespace kv {

struct Frame {
  uint8_t type = 0;
  uint8_t length = 0;
  const uint8_t* payload = nullptr;
};

enum class FrameStatus {
  kFrame,    // a whole record was read
  kEnd,      // the block ends exactly after the last whole record
  kCut,      // the block ends inside a record (its prefix or its payload)
  kDamaged,  // a length of 0 or a type above 31: nothing after it can be trusted
};

class FrameReader {
 public:
  FrameReader(const uint8_t* bytes, size_t length) : bytes_(bytes), length_(length) {}
  // The next record; anything but kFrame leaves the reader where it is.
  FrameStatus Next(Frame* frame);
  // Bytes of the whole records read so far.
  size_t Consumed() const { return at_; }

 private:
  const uint8_t* bytes_;
  size_t length_;
  size_t at_ = 0;
};

// Appends one record; `length` 1..255 and `type` 0..31 are the caller's
// promise (every record type we write has a fixed size in that range).
void WriteFrame(DataFile& file, uint8_t type, const uint8_t* payload, uint8_t length);

}  // namespace kv
