#include "platform/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace kv::platform {

namespace {

int OpenRetrying(const std::string& path, int flags, mode_t mode) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool FileHandle::Failed() {
  error_ = errno;
  return false;
}

bool FileHandle::Create(const std::string& path) {
  Close();
  fd_ = OpenRetrying(path, O_RDWR | O_CREAT | O_TRUNC, 0644);
  return fd_ >= 0 || Failed();
}

bool FileHandle::OpenAppend(const std::string& path) {
  Close();
  fd_ = OpenRetrying(path, O_RDWR | O_CREAT, 0644);
  if (fd_ < 0) return Failed();
  if (::lseek(fd_, 0, SEEK_END) < 0) {
    Failed();
    Close();
    return false;
  }
  return true;
}

bool FileHandle::OpenRead(const std::string& path, bool any_kind) {
  Close();
  // Not blocking while opening: a FIFO named like one of our files would
  // otherwise hang the reader until something writes to it.
  fd_ = OpenRetrying(path, O_RDONLY | O_NONBLOCK, 0);
  if (fd_ < 0) return Failed();
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    Failed();
    Close();
    return false;
  }
  if (S_ISDIR(info.st_mode) || (!any_kind && !S_ISREG(info.st_mode))) {
    error_ = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    Close();
    return false;
  }
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
  return true;
}

bool FileHandle::Write(const void* data, int64_t length) {
  if (fd_ < 0 || length < 0) return false;
  const char* bytes = static_cast<const char*>(data);
  while (length > 0) {
    const ssize_t written = ::write(fd_, bytes, static_cast<size_t>(length));
    if (written < 0) {
      if (errno == EINTR) continue;
      return Failed();
    }
    bytes += written;
    length -= written;
  }
  return true;
}

int64_t FileHandle::Read(void* data, int64_t length) {
  if (fd_ < 0 || length < 0) return -1;
  ssize_t got;
  do {
    got = ::read(fd_, data, static_cast<size_t>(length));
  } while (got < 0 && errno == EINTR);
  if (got < 0) Failed();
  return got;
}

int64_t FileHandle::Size() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) return -1;
  return info.st_size;
}

int64_t FileHandle::Position() const { return fd_ < 0 ? -1 : ::lseek(fd_, 0, SEEK_CUR); }

bool FileHandle::Seek(int64_t offset) { return fd_ >= 0 && ::lseek(fd_, offset, SEEK_SET) == offset; }

bool FileHandle::Sync() { return fd_ >= 0 && (::fdatasync(fd_) == 0 || Failed()); }

void FileHandle::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

std::string ErrorText(int error_number) {
  char buffer[256];
  // The GNU strerror_r: the text may or may not be in `buffer`.
  return ::strerror_r(error_number, buffer, sizeof buffer);
}

bool IsOutOfSpace(int error_number) {
  return error_number == ENOSPC || error_number == EDQUOT || error_number == EFBIG;
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool DirectoryExists(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  struct stat info {};
  return ::stat(trimmed.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RemoveTree(const std::string& path) {
  std::error_code error;
  std::filesystem::remove_all(path, error);
  return !error && !std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

bool RenameFile(const std::string& old_path, const std::string& new_path) {
  return ::rename(old_path.c_str(), new_path.c_str()) == 0;
}

int64_t FileSizeOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return -1;
  return info.st_size;
}

bool CopyFile(const std::string& from, const std::string& to) {
  FileHandle in;
  FileHandle out;
  if (!in.OpenRead(from) || !out.Create(to)) return false;
  char buffer[65536];
  for (;;) {
    const int64_t n = in.Read(buffer, sizeof buffer);
    if (n < 0) return false;
    if (n == 0) break;
    if (!out.Write(buffer, n)) return false;
  }
  return out.Sync();
}

bool TruncateFile(const std::string& path, int64_t size) {
  int result;
  do {
    result = ::truncate(path.c_str(), static_cast<off_t>(size));
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

bool SyncDirectory(const std::string& folder) {
  const int fd = OpenRetrying(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY, 0);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

std::vector<DirectoryEntry> ListDirectory(const std::string& folder) {
  std::vector<DirectoryEntry> entries;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return entries;
  std::string base = folder;
  if (!base.empty() && base.back() != '/') base.push_back('/');
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    DirectoryEntry out;
    out.name = name;
    out.is_hidden = name[0] == '.';
    bool is_folder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) is_folder = DirectoryExists(base + name);
    out.is_folder = is_folder;
    entries.push_back(std::move(out));
  }
  ::closedir(dir);
  return entries;
}

}  // namespace kv::platform
