#include "storage/data_file.h"

#include "storage/binary_strings.h"
#include "util/errors.h"
#include "util/little_endian.h"

namespace kv {

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

DataFile::~DataFile() {
  if (!temp_path_.empty()) {
    file_.Close();
    platform::DeleteFile(temp_path_);
  } else {
    Close();
  }
}

void DataFile::StartWriting(int32_t buffer_capacity) {
  failed_ = false;
  error_ = 0;
  written_ = true;
  write_buffer_.clear();
  write_capacity_ = buffer_capacity > 0 ? buffer_capacity : 1;
  write_buffer_.reserve(static_cast<size_t>(write_capacity_));
  size_ = -1;
}

void DataFile::CreateForWriting(int32_t buffer_capacity) {
  Close();
  if (!file_.Create(path_)) ThrowCode(kErrCannotOpen, file_.LastError());
  StartWriting(buffer_capacity);
}

void DataFile::CreateReplacing(int32_t buffer_capacity) {
  Close();
  temp_path_ = path_ + ".new~";
  if (!file_.Create(temp_path_)) {
    temp_path_.clear();
    ThrowCode(kErrCannotOpen, file_.LastError());
  }
  StartWriting(buffer_capacity);
}

void DataFile::OpenForAppending(int32_t buffer_capacity) {
  Close();
  if (!file_.OpenAppend(path_)) ThrowCode(kErrCannotOpen, file_.LastError());
  StartWriting(buffer_capacity);
}

bool DataFile::OpenForReading(int32_t chunk_size) {
  Close();
  if (!file_.OpenRead(path_)) return false;
  written_ = false;
  chunk_size_ = chunk_size > 0 ? chunk_size : 1;
  read_buffer_.clear();
  read_offset_ = 0;
  read_eof_ = false;
  return true;
}

void DataFile::Fail() {
  failed_ = true;
  error_ = file_.LastError();
  write_buffer_.clear();
  // What reached the system before the failure is worth keeping.
  if (temp_path_.empty()) file_.Sync();
  file_.Close();
}

void DataFile::WriteBytes(const void* data, int32_t length) {
  if (!file_.IsOpen() || !written_ || length <= 0) return;
  if (write_buffer_.size() + static_cast<size_t>(length) > static_cast<size_t>(write_capacity_)) {
    if (!Flush()) return;
    if (length > write_capacity_) {
      if (!file_.Write(data, length)) Fail();
      return;
    }
  }
  write_buffer_.append(static_cast<const char*>(data), static_cast<size_t>(length));
}

void DataFile::Write8(uint32_t value) {
  const uint8_t byte = static_cast<uint8_t>(value);
  WriteBytes(&byte, 1);
}

void DataFile::Write16(uint32_t value) {
  uint8_t bytes[2];
  le::Store16(bytes, value);
  WriteBytes(bytes, 2);
}

void DataFile::Write32(uint32_t value) {
  uint8_t bytes[4];
  le::Store32(bytes, value);
  WriteBytes(bytes, 4);
}

void DataFile::WritePackedString(std::u16string_view text) {
  ByteString encoded;
  if (!AppendPackedString(encoded, text)) ThrowCode(kErrStringTooLong);
  WriteBytes(encoded.AsView());
}

void DataFile::WriteUtf8String(std::u16string_view text) {
  ByteString encoded;
  if (!AppendUtf8String(encoded, text)) ThrowCode(kErrStringTooLong);
  WriteBytes(encoded.AsView());
}

bool DataFile::FillReadBuffer() {
  if (read_eof_ || !file_.IsOpen()) return false;
  read_buffer_.erase(0, read_offset_);
  read_offset_ = 0;
  const size_t old_size = read_buffer_.size();
  read_buffer_.resize(old_size + static_cast<size_t>(chunk_size_));
  const int64_t got = file_.Read(read_buffer_.data() + old_size, chunk_size_);
  read_buffer_.resize(old_size + static_cast<size_t>(got > 0 ? got : 0));
  if (got <= 0) read_eof_ = true;
  return got > 0;
}

bool DataFile::ReadLine(ByteString& line) {
  line.Clear();
  size_t from = read_offset_;
  for (;;) {
    const size_t newline = read_buffer_.find('\n', from);
    if (newline != std::string::npos) {
      size_t end = newline;
      if (end > read_offset_ && read_buffer_[end - 1] == '\r') --end;
      line.Assign(std::string_view(read_buffer_).substr(read_offset_, end - read_offset_));
      read_offset_ = newline + 1;
      return true;
    }
    const size_t scanned = read_buffer_.size() - read_offset_;
    if (!FillReadBuffer()) break;
    from = read_offset_ + scanned;
  }
  if (read_offset_ >= read_buffer_.size()) return false;
  line.Assign(std::string_view(read_buffer_).substr(read_offset_));
  read_offset_ = read_buffer_.size();
  return true;
}

bool DataFile::ReadBytes(int32_t count, ByteString& out) {
  out.Clear();
  if (count <= 0) return false;
  while (read_buffer_.size() - read_offset_ < static_cast<size_t>(count) && FillReadBuffer()) {
  }
  const size_t available = read_buffer_.size() - read_offset_;
  if (available == 0) return false;
  const size_t take = available < static_cast<size_t>(count) ? available : static_cast<size_t>(count);
  out.Assign(std::string_view(read_buffer_).substr(read_offset_, take));
  read_offset_ += take;
  return true;
}

int64_t DataFile::Size() {
  if (size_ >= 0) return size_;
  size_ = file_.IsOpen() ? file_.Size() : platform::FileSizeOf(path_);
  return size_;
}

int64_t DataFile::Position() const {
  const int64_t position = file_.Position();
  if (position < 0) return position;
  if (written_) return position + static_cast<int64_t>(write_buffer_.size());
  return position - static_cast<int64_t>(read_buffer_.size() - read_offset_);
}

bool DataFile::Seek(int64_t offset) {
  if (written_ && !Flush()) return false;
  read_buffer_.clear();
  read_offset_ = 0;
  read_eof_ = false;
  return file_.Seek(offset);
}

bool DataFile::Flush() {
  if (!file_.IsOpen() || !written_) return !failed_;
  if (!write_buffer_.empty()) {
    if (!file_.Write(write_buffer_.data(), static_cast<int64_t>(write_buffer_.size()))) {
      Fail();
      return false;
    }
    write_buffer_.clear();
  }
  size_ = -1;
  return true;
}

bool DataFile::Sync() {
  if (!Flush()) return false;
  if (!file_.IsOpen() || !written_) return true;
  if (!file_.Sync()) {
    Fail();
    return false;
  }
  return true;
}

bool DataFile::Close() {
  bool ok = !failed_;
  if (file_.IsOpen() && written_) ok = Sync() && ok;
  file_.Close();
  if (!temp_path_.empty()) {
    const std::string temp = temp_path_;
    temp_path_.clear();
    if (ok) ok = platform::RenameFile(temp, path_);
    if (ok) {
      platform::SyncDirectory(FolderOf(path_));
    } else {
      platform::DeleteFile(temp);
    }
  }
  write_buffer_.clear();
  read_buffer_.clear();
  read_offset_ = 0;
  written_ = false;
  return ok;
}

}  // namespace kv
