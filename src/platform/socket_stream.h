// Socket transports: TCP (gpsd) and Bluetooth RFCOMM. Connects never block
// past the stop event; a peer that closes, resets or goes out of range is
// kLost.
#pragma once

#include <string>

#include "platform/byte_stream.h"

namespace kv::platform {

// For a listening socket made by a server library: the address may be taken
// again at once after a restart (SO_REUSEADDR), but never shared with a
// second server that is still listening (no SO_REUSEPORT, which would
// deal the connections out between the two).
void ReuseAddressAlone(int socket_fd);

class SocketStream : public ByteStream {
 public:
  ~SocketStream() override;
  IoStatus Read(char* buffer, size_t capacity, size_t* got, int32_t timeout_ms,
                const Event& stop) override;
  bool Write(std::string_view bytes) override;
  void Close() override;

 protected:
  // Waits for a non-blocking connect on fd_ to finish; 0 or an errno.
  int32_t FinishConnect(int32_t connect_result, const Event& stop);

  int fd_ = -1;
};

class TcpStream : public SocketStream {
 public:
  TcpStream(std::string host, int32_t port) : host_(std::move(host)), port_(port) {}
  int32_t Open(const Event& stop) override;

 private:
  std::string host_;
  int32_t port_;
};

class RfcommStream final : public SocketStream {
 public:
  RfcommStream(const BluetoothAddress& address, int32_t channel) : address_(address), channel_(channel) {}
  // -errno when the machine has no Bluetooth sockets.
  int32_t Open(const Event& stop) override;

 private:
  BluetoothAddress address_;
  int32_t channel_;
};

// gpsd in raw NMEA mode. gpsd interleaves its own JSON reports (lines
// starting with '{') with the receiver's sentences; only the sentences are
// delivered.
class GpsdStream final : public TcpStream {
 public:
  static constexpr std::string_view kWatchCommand = "?WATCH={\"enable\":true,\"nmea\":true}\n";

  GpsdStream(std::string host, int32_t port) : TcpStream(std::move(host), port) {}
  int32_t Open(const Event& stop) override;
  IoStatus Read(char* buffer, size_t capacity, size_t* got, int32_t timeout_ms,
                const Event& stop) override;
  // Commands meant for a receiver cannot go through gpsd's watch channel.
  bool Write(std::string_view bytes) override;

 private:
  bool at_line_start_ = true;
  bool in_report_ = false;
};

}  // namespace kv::platform
