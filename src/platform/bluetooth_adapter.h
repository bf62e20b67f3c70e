// BluetoothAdapter: what device discovery needs of the machine's Bluetooth
// stack: an inquiry that yields devices one by one, the service records of
// a device, and the radio mode. Tests give discovery a fake.
//
// Thread: BeginInquiry, NextDevice and EndInquiry on the inquiry thread;
// ServiceRecords on the lookup thread; CancelInquiry and CancelLookup from
// any thread; the radio calls on the main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/byte_stream.h"

namespace kv::platform {

// NextDevice's "no more results" (the number the handheld's socket layer
// gives it, kept so stored result codes mean the same).
inline constexpr int32_t kEndOfResults = 10110;

class BluetoothAdapter {
 public:
  virtual ~BluetoothAdapter() = default;

  // Starts looking for nearby devices: 0, or an error number (ENODEV when
  // the machine has no Bluetooth adapter).
  virtual int32_t BeginInquiry() = 0;
  // The next device: 0 with its address and name (UTF-8, empty when it
  // gave none), kEndOfResults after the last, another error number on
  // failure. Blocks while the radio searches or asks a device for its name
  // (at most about 12 s in all before a cancel takes effect).
  virtual int32_t NextDevice(BluetoothAddress* address, std::string* name) = 0;
  // Makes the running inquiry end early: NextDevice returns an error soon.
  virtual void CancelInquiry() = 0;
  // Releases what BeginInquiry took.
  virtual void EndInquiry() = 0;

  // The service records of a device that carry the 16-bit service class
  // uuid16, each as the record's SDP data element bytes with attribute
  // 0x0004 (protocol descriptor list). 0, or an error number.
  virtual int32_t ServiceRecords(const BluetoothAddress& address, uint16_t uuid16,
                                 std::vector<std::string>* records) = 0;
  virtual void CancelLookup() = 0;

  // Radio mode of the first adapter, powered or not: 0 off, 1
  // connectable, 2 discoverable. Each returns 0, or an error number: ENODEV
  // when the machine has no adapter, EPERM or EACCES when the user may not
  // change it.
  virtual int32_t GetRadioMode(int32_t* mode) = 0;
  virtual int32_t SetRadioMode(int32_t mode) = 0;
};

// BlueZ (the Linux Bluetooth stack).
std::unique_ptr<BluetoothAdapter> MakeBluezAdapter();

}  // namespace kv::platform
