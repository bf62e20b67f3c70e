#include "storage/record_reader.h"

#include "storage/binary_strings.h"
#include "storage/data_file.h"
#include "util/errors.h"
#include "util/little_endian.h"
#include "util/utf_convert.h"

namespace kv {

namespace {
constexpr int32_t kReadChunk = 10240;
}

bool RecordReader::Open(const std::string& path) {
  Close();
  DataFile file(path);
  if (!file.OpenForReading(kReadChunk)) return false;
  const int64_t size = file.Size();
  if (size > 0) data_.reserve(static_cast<size_t>(size));
  ByteString chunk;
  while (file.ReadBytes(kReadChunk, chunk)) data_.append(chunk.AsView());
  file.Close();
  return true;
}

void RecordReader::OpenBytes(std::string_view bytes) {
  Close();
  data_.assign(bytes);
}

void RecordReader::Close() {
  data_.clear();
  position_ = 0;
  error_ = 0;
}

void RecordReader::Fail() {
  error_ = kErrMalformedFile;
  position_ = data_.size();
}

bool RecordReader::Take(size_t count, const unsigned char** bytes) {
  if (error_ != 0 || data_.size() - position_ < count) {
    Fail();
    return false;
  }
  *bytes = reinterpret_cast<const unsigned char*>(data_.data()) + position_;
  position_ += count;
  return true;
}

int32_t RecordReader::Read8() {
  const unsigned char* b;
  return Take(1, &b) ? b[0] : 0;
}

uint16_t RecordReader::ReadU16() {
  const unsigned char* b;
  return Take(2, &b) ? le::Load16(b) : 0;
}

int32_t RecordReader::Read16() { return static_cast<int16_t>(ReadU16()); }

int32_t RecordReader::Read32() {
  const unsigned char* b;
  return Take(4, &b) ? le::LoadSigned32(b) : 0;
}

WideString RecordReader::ReadPackedString() {
  WideString text;
  const int32_t first = Read8();
  if (!Ok()) return text;
  int32_t count;
  switch (first & 3) {
    case 0:
      count = first >> 2;
      break;
    case 1:
      count = (first >> 3) | (Read8() << 5);
      break;
    default:
      Fail();
      return text;
  }
  // Every character takes at least one byte: a count beyond what remains
  // is a damaged file, not a reason to allocate.
  if (!Ok() || count > Remaining()) {
    Fail();
    return text;
  }
  std::u16string units;
  units.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const int32_t byte = Read8();
    if (byte == kPackedWideMarker) {
      const int32_t high = Read8();
      const int32_t low = Read8();
      units.push_back(static_cast<char16_t>((high << 8) | low));
    } else {
      units.push_back(static_cast<char16_t>(byte));
    }
    if (!Ok()) return WideString();
  }
  text.Assign(units);
  return text;
}

WideString RecordReader::ReadUtf8String() {
  const int32_t length = ReadU16();
  const unsigned char* b;
  if (!Ok() || !Take(static_cast<size_t>(length), &b)) return WideString();
  return FromUtf8(std::string_view(reinterpret_cast<const char*>(b), static_cast<size_t>(length)));
}

void RecordReader::ReadRaw6(uint8_t* out) {
  const unsigned char* b;
  if (Take(6, &b)) {
    for (int i = 0; i < 6; ++i) out[i] = b[i];
  } else {
    for (int i = 0; i < 6; ++i) out[i] = 0;
  }
}

}  // namespace kv
