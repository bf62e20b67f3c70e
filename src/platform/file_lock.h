// FileLock: an advisory lock on a file (flock), held while the object
// lives. The system drops it with the process, so a crash never leaves a
// stale lock behind. Locks of other programs on the same file are not
// seen; ours are.
#pragma once

#include <string>

namespace kv::platform {

class FileLock {
 public:
  enum class Result { kLocked, kBusy, kFailed };

  FileLock() = default;
  ~FileLock() { Unlock(); }
  FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // An exclusive lock on an existing file, without waiting: kBusy when
  // another holder has it, kFailed when the file cannot be opened.
  Result TryLock(const std::string& path);
  bool Held() const { return fd_ >= 0; }
  void Unlock();

 private:
  int fd_ = -1;
};

}  // namespace kv::platform
