// DataFile: buffered sequential writing and line/chunk reading of one file.
//
// Writers: CreateForWriting / OpenForAppending raise kErrCannotOpen (-8)
// when the file cannot be made (with the system's error number); the
// PackedString / Utf8String writers raise kErrStringTooLong (-4) for texts
// their encoding cannot hold. A failed write to the operating system syncs
// what was written before, closes the file and ignores later writes
// (Failed() tells, Error() says why).
//
// Files rewritten whole (headers, tracks, settings) use CreateReplacing:
// the bytes go to a temporary file beside the target, and only Close()
// syncs it and renames it over the target, so a crash leaves either the
// old file or the new one, never half of one. Destroying a replacing file
// without Close() discards the temporary.
//
// Flush() hands the buffer to the operating system; Sync() also asks it to
// put the data on the disk. Close() syncs whatever was written.
// One owner thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_io.h"
#include "util/byte_string.h"

namespace kv {

class DataFile {
 public:
  DataFile() = default;
  explicit DataFile(std::string path) : path_(std::move(path)) {}
  ~DataFile();
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  void SetPath(std::string path) { path_ = std::move(path); size_ = -1; }
  const std::string& Path() const { return path_; }

  void CreateForWriting(int32_t buffer_capacity);
  void CreateReplacing(int32_t buffer_capacity);
  void OpenForAppending(int32_t buffer_capacity);
  // False when the file cannot be opened.
  bool OpenForReading(int32_t chunk_size);

  bool IsOpen() const { return file_.IsOpen(); }
  bool Failed() const { return failed_; }
  // The system's error number of the failure (0 when none).
  int32_t Error() const { return error_; }

  void WriteBytes(const void* data, int32_t length);
  void WriteBytes(std::string_view bytes) { WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size())); }
  void Write8(uint32_t value);
  void Write16(uint32_t value);  // the low 16 bits, little-endian
  void Write32(uint32_t value);
  void WritePackedString(std::u16string_view text);
  void WriteUtf8String(std::u16string_view text);
  void WriteRaw6(const uint8_t* bytes) { WriteBytes(bytes, 6); }

  // The bytes up to the next "\r\n" (consumed, not returned); at the end of
  // the file whatever remains; false when nothing remains. A lone "\n" also
  // ends a line (files edited on this system end their lines so).
  bool ReadLine(ByteString& line);
  // Exactly `count` bytes when available, else what remains; false when
  // nothing remains.
  bool ReadBytes(int32_t count, ByteString& out);

  // File size in bytes (cached after the first ask); -1 when unknown.
  int64_t Size();
  int64_t Position() const;
  bool Seek(int64_t offset);

  bool Flush();
  bool Sync();
  // Flushes, syncs and closes; a replacing file is renamed over its target
  // here. False when anything on the way failed (the target is then left
  // as it was).
  bool Close();

 private:
  void StartWriting(int32_t buffer_capacity);
  bool FillReadBuffer();
  void Fail();

  std::string path_;
  std::string temp_path_;  // set while a replacing write is open
  platform::FileHandle file_;
  bool failed_ = false;
  int32_t error_ = 0;
  bool written_ = false;
  int64_t size_ = -1;
  std::string write_buffer_;
  int32_t write_capacity_ = 0;
  std::string read_buffer_;
  size_t read_offset_ = 0;
  int32_t chunk_size_ = 0;
  bool read_eof_ = false;
};

}  // namespace kv
