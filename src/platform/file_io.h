// Files and folders: the thin layer over POSIX that the storage code uses.
// Paths are UTF-8, "/"-separated. Nothing here throws; failures come back
// as false or -1 and the storage classes turn them into their own codes.
// A FileHandle belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv::platform {

class FileHandle {
 public:
  FileHandle() = default;
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FileHandle(FileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileHandle& operator=(FileHandle&& other) noexcept;

  // Create-always (truncates), read+write, private to the user (0644 under
  // the umask). Only one writer is expected per file: the caller keeps it so.
  bool Create(const std::string& path);
  // Open-always (created when missing), read+write, positioned at the end.
  bool OpenAppend(const std::string& path);
  // Open-existing, read only. Only a regular file unless `any_kind` (a
  // pipe or a device the user names as input).
  bool OpenRead(const std::string& path, bool any_kind = false);

  bool IsOpen() const { return fd_ >= 0; }
  // Writes all bytes (retrying short writes); false on any failure.
  bool Write(const void* data, int64_t length);
  // Reads up to `length` bytes; the count read, 0 at the end, -1 on failure.
  int64_t Read(void* data, int64_t length);
  // File size in bytes, -1 on failure.
  int64_t Size() const;
  int64_t Position() const;
  bool Seek(int64_t offset);
  // Asks the kernel to put the file's data on the disk (fdatasync).
  bool Sync();
  void Close();
  // The system's error number of the last call that failed (0: none yet).
  int LastError() const { return error_; }

 private:
  bool Failed();  // records errno; always false
  int fd_ = -1;
  int error_ = 0;
};

struct DirectoryEntry {
  std::string name;
  bool is_folder = false;
  bool is_hidden = false;  // name starts with "."
};

bool FileExists(const std::string& path);
// A regular file (not a folder, FIFO or device), without opening it.
bool IsRegularFile(const std::string& path);
// True for a folder; a trailing "/" is ignored.
bool DirectoryExists(const std::string& path);
// One folder, not its parents; true when created.
bool MakeDirectory(const std::string& path);
bool DeleteFile(const std::string& path);
// A folder and everything in it (symbolic links removed, never followed);
// true when nothing of it is left.
bool RemoveTree(const std::string& path);
// Replaces `new_path` atomically when it exists (rename(2)).
bool RenameFile(const std::string& old_path, const std::string& new_path);
// Size in bytes without opening for reading; -1 when it cannot be read.
int64_t FileSizeOf(const std::string& path);
// Copies a whole file over `to` (created or truncated) and syncs it; false
// on any failure (`to` may then hold part of the copy).
bool CopyFile(const std::string& from, const std::string& to);
// Cuts the file to `size` bytes (truncate(2)); false when it cannot.
bool TruncateFile(const std::string& path, int64_t size);
// Makes a rename or a new entry in `folder` durable (fsync of the folder).
bool SyncDirectory(const std::string& folder);
// The system's text for an error number ("No space left on device").
std::string ErrorText(int error_number);
// Whether the error means the medium (or the user's share of it, or the
// process's file-size limit) is full: the one failure a driver can mend by
// freeing space.
bool IsOutOfSpace(int error_number);

// Entries of a folder except "." and "..", in the order the system returns
// them; empty when the folder cannot be read.
std::vector<DirectoryEntry> ListDirectory(const std::string& folder);

}  // namespace kv::platform
