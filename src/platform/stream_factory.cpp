#include <string>

#include "platform/byte_stream.h"
#include "platform/file_stream.h"
#include "platform/serial_stream.h"
#include "platform/socket_stream.h"

namespace kv::platform {

namespace {

class SystemStreamFactory final : public StreamFactory {
 public:
  std::unique_ptr<ByteStream> File(const std::string& path) override {
    return std::make_unique<FileStream>(path);
  }
  std::unique_ptr<ByteStream> Serial(const std::string& device, int32_t baud_rate) override {
    return std::make_unique<SerialStream>(device, baud_rate);
  }
  std::unique_ptr<ByteStream> Rfcomm(const BluetoothAddress& address, int32_t channel) override {
    return std::make_unique<RfcommStream>(address, channel);
  }
  std::unique_ptr<ByteStream> Gpsd(const std::string& host, int32_t port) override {
    return std::make_unique<GpsdStream>(host, port);
  }
};

}  // namespace

std::unique_ptr<StreamFactory> MakeSystemStreamFactory() { return std::make_unique<SystemStreamFactory>(); }

std::string SerialDeviceForPort(int32_t port_number) {
  if (port_number <= 0) return "/dev/ttyACM0";
  return "/dev/ttyUSB" + std::to_string(port_number - 1);
}

}  // namespace kv::platform
