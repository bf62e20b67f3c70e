#include "platform/file_stream.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/fd_wait.h"

namespace kv::platform {

FileStream::~FileStream() { Close(); }

int32_t FileStream::Open(const Event& /*stop*/) {
  Close();
  fd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  return fd_ < 0 ? errno : 0;
}

IoStatus FileStream::Read(char* buffer, size_t capacity, size_t* got, int32_t /*timeout_ms*/,
                          const Event& stop) {
  *got = 0;
  if (WaitForStop(stop, 0)) return IoStatus::kStopped;
  for (;;) {
    const ssize_t n = read(fd_, buffer, capacity);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return IoStatus::kLost;  // end of the file, or it cannot be read
    *got = static_cast<size_t>(n);
    return IoStatus::kData;
  }
}

bool FileStream::Write(std::string_view /*bytes*/) { return true; }  // a recording has no one to answer

void FileStream::Close() { CloseFd(&fd_); }

}  // namespace kv::platform
