// SerialStream: a tty device in raw 8N1 mode (USB serial adapters, USB
// modem-class receivers, /dev/rfcommN bound by the user, pseudo-terminals).
//
// The connection counts as lost when the device hangs up or fails (an
// unplugged adapter, a closed pseudo-terminal peer) and, on devices that
// report modem lines and had DSR raised when opened, when DSR drops.
#pragma once

#include <string>

#include "platform/byte_stream.h"

namespace kv::platform {

class SerialStream final : public ByteStream {
 public:
  // baud_rate in bit/s (a standard rate from 1200 to 921600); 0 keeps the
  // port's current rate. Any other rate fails Open with EINVAL.
  SerialStream(std::string device, int32_t baud_rate) : device_(std::move(device)), baud_rate_(baud_rate) {}
  ~SerialStream() override;

  int32_t Open(const Event& stop) override;
  IoStatus Read(char* buffer, size_t capacity, size_t* got, int32_t timeout_ms,
                const Event& stop) override;
  bool Write(std::string_view bytes) override;
  void Close() override;

 private:
  bool LineDropped() const;

  std::string device_;
  int32_t baud_rate_;
  int fd_ = -1;
  bool watch_dsr_ = false;
};

}  // namespace kv::platform
