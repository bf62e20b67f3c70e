// ByteStream: the one face every transport shows the reader threads
// (replayed file, serial port, Bluetooth RFCOMM socket, gpsd over TCP).
//
// Every blocking call also watches a stop event and returns at once when it
// is set, so stopping a source never waits for a device: the event is only
// looked at, never consumed, and stays set for the caller to see.
//
// A stream is used by one thread at a time (its source's reader thread);
// only the stop event is touched from elsewhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/event.h"

namespace kv::platform {

enum class IoStatus : int32_t {
  kData,     // *got > 0 bytes were read
  kTimeout,  // nothing arrived in time; the link is still up
  kStopped,  // the stop event is set
  kLost,     // end of file, peer closed, line dropped, device gone
};

class ByteStream {
 public:
  virtual ~ByteStream() = default;

  // Opens (connects) the transport. Returns 0 when open; a positive error
  // number (errno) when this attempt failed but a later one may succeed
  // (refused, timed out, device missing); a negative one (-errno) when the
  // transport cannot exist on this machine (no Bluetooth sockets). Returns
  // EINTR when the stop event was set meanwhile.
  virtual int32_t Open(const Event& stop) = 0;

  // Waits at most timeout_ms (negative: no limit) for bytes and reads at
  // most `capacity` of them.
  virtual IoStatus Read(char* buffer, size_t capacity, size_t* got, int32_t timeout_ms,
                        const Event& stop) = 0;

  // Writes all of `bytes`; false when the transport failed (a loss that the
  // next Read reports).
  virtual bool Write(std::string_view bytes) = 0;

  // Idempotent; the stream may be opened again afterwards.
  virtual void Close() = 0;
};

// A Bluetooth device address in the order it is written, "00:11:22:33:44:55"
// giving {0x00, 0x11, ..., 0x55}.
using BluetoothAddress = std::array<uint8_t, 6>;

// Waits at most timeout_ms for the stop event without consuming it; true
// when it is set.
bool WaitForStop(const Event& stop, int32_t timeout_ms);

// Makes the streams of each transport; tests put loopback peers in their place.
class StreamFactory {
 public:
  virtual ~StreamFactory() = default;
  // A file replayed from its start; reads never wait.
  virtual std::unique_ptr<ByteStream> File(const std::string& path) = 0;
  // Any tty device path; baud_rate in bit/s, 0 keeps the port's rate.
  // Raw 8N1. A dropped DSR line (on devices that report modem lines), a
  // hang-up or a vanished device is kLost.
  virtual std::unique_ptr<ByteStream> Serial(const std::string& device, int32_t baud_rate) = 0;
  // RFCOMM on the given channel (1..30).
  virtual std::unique_ptr<ByteStream> Rfcomm(const BluetoothAddress& address, int32_t channel) = 0;
  // gpsd's raw NMEA stream: connects to host:port, asks for NMEA and
  // delivers only the NMEA lines (gpsd's own JSON reports are left out).
  virtual std::unique_ptr<ByteStream> Gpsd(const std::string& host, int32_t port) = 0;
  // The reader's pauses (the pace of a replay, the wait before reopening a
  // lost device): at most `ms`, true when the stop event is set. Tests see
  // the pauses here without sitting through them.
  virtual bool Pause(const Event& stop, int32_t ms) { return WaitForStop(stop, ms); }
};

// The factory of this machine's real transports.
std::unique_ptr<StreamFactory> MakeSystemStreamFactory();

// The device of a settings port number "COM%d:": COM1..COM9 are the USB
// serial adapters /dev/ttyUSB0../dev/ttyUSB8, COM0 the first USB modem-class
// device /dev/ttyACM0 (receivers that enumerate as CDC-ACM).
std::string SerialDeviceForPort(int32_t port_number);

}  // namespace kv::platform
