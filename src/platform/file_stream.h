// FileStream: a recorded NMEA file read from its start, as fast as asked;
// the pacing of a replay is the reader thread's business. Writes (commands
// meant for a receiver) are accepted and dropped.
#pragma once

#include <string>

#include "platform/byte_stream.h"

namespace kv::platform {

class FileStream final : public ByteStream {
 public:
  explicit FileStream(std::string path) : path_(std::move(path)) {}
  ~FileStream() override;

  int32_t Open(const Event& stop) override;
  // Never waits; end of file is kLost.
  IoStatus Read(char* buffer, size_t capacity, size_t* got, int32_t timeout_ms,
                const Event& stop) override;
  bool Write(std::string_view bytes) override;
  void Close() override;

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace kv::platform
