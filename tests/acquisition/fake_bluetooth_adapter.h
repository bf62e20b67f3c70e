// A Bluetooth stack for tests: two devices found (a named GPS receiver, a
// nameless OBD-II reader), a serial-port service on channel 6, and a radio
// whose query and switch can be made to fail.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/bluetooth_discovery.h"

namespace kv::test {

inline const platform::BluetoothAddress kGps = {0x00, 0x0B, 0x0D, 0x88, 0x7A, 0x41};
inline const platform::BluetoothAddress kObd = {0x00, 0x1D, 0xA5, 0x68, 0x98, 0x8B};

class FakeAdapter final : public platform::BluetoothAdapter {
 public:
  int32_t delay_ms = 0;  // per device, like a name request
  std::atomic<bool> cancelled{false};
  std::atomic<int> ended{0};
  int32_t lookup_error = 0;
  int32_t radio_mode = 0;
  int32_t radio_query_error = 0, radio_set_error = 0;  // ENODEV, EPERM...

  int32_t BeginInquiry() override { return next_ = 0; }
  int32_t NextDevice(platform::BluetoothAddress* address, std::string* name) override {
    for (int waited = 0; waited < delay_ms && !cancelled; waited += 5)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (cancelled) return ECANCELED;
    if (next_ == 2) return platform::kEndOfResults;
    *address = next_ == 0 ? kGps : kObd;
    *name = next_++ == 0 ? "BT-GPS 8A41" : "";
    return 0;
  }
  void CancelInquiry() override { cancelled = true; }
  void EndInquiry() override { ++ended; }
  int32_t ServiceRecords(const platform::BluetoothAddress&, uint16_t uuid16,
                         std::vector<std::string>* records) override {
    EXPECT_EQ(uuid16, kSerialPortServiceClass);
    // A serial-port record with RFCOMM channel 6.
    records->emplace_back("\x35\x11\x09\x00\x04\x35\x0C\x35\x03\x19\x01\x00\x35\x05\x19\x00\x03\x08\x06", 19);
    return lookup_error;
  }
  void CancelLookup() override {}
  int32_t GetRadioMode(int32_t* mode) override {
    *mode = radio_mode;
    return radio_query_error;
  }
  int32_t SetRadioMode(int32_t mode) override {
    if (radio_set_error == 0) radio_mode = mode;
    return radio_set_error;
  }

 private:
  int next_ = 0;
};

}  // namespace kv::test
