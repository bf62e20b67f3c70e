// Finding a Bluetooth GPS receiver or OBD-II reader: the device inquiry,
// the serial-port service lookup (its RFCOMM channel) and the radio helper.
// The inquiry and the lookup run on threads of their own and report to the
// main thread as waitable objects; the listeners are called there.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/growable_array.h"
#include "core/waitable_object.h"
#include "platform/bluetooth_adapter.h"
#include "platform/thread.h"
#include "util/wide_string.h"

namespace kv {

inline constexpr uint16_t kSerialPortServiceClass = 0x1101;

class InquiryListener {
 public:
  virtual ~InquiryListener() = default;
  // More devices were found, or (running() false) the inquiry ended with
  // its result code. Main thread.
  virtual void OnInquiryUpdate() = 0;
};

class LookupListener {
 public:
  virtual ~LookupListener() = default;
  // channel: 1..30, or -1 when the device offers no serial-port service.
  virtual void OnLookupDone(int32_t channel) = 0;
};

// Result codes of an inquiry: 0 while running, kInquiryEnded (-5) after the
// last device, otherwise the error number of the failure (ENODEV: no
// adapter on this machine).
inline constexpr int32_t kInquiryEnded = -5;

class BluetoothInquiry final : public WaitableObject {
 public:
  // host and adapter must outlive the inquiry.
  BluetoothInquiry(AppHost& host, platform::BluetoothAdapter& adapter) : WaitableObject(host), adapter_(adapter) {}
  ~BluetoothInquiry() override;  // cancels

  // Ignored while running. Throws kErrThreadCreate.
  void StartInquiry(InquiryListener* listener);
  // Ends a running inquiry within 15000 ms.
  void CancelInquiry();

  bool Running() const { return running_.load(); }
  int32_t ResultCode() const { return result_code_.load(); }
  // The devices found so far, in discovery order (main thread).
  int32_t DeviceCount() const;
  platform::BluetoothAddress Address(int32_t index) const;
  WideString Name(int32_t index) const;  // empty when the device gave none

  void Signalled() override;

 private:
  void Run();
  void JoinThread();

  platform::BluetoothAdapter& adapter_;
  InquiryListener* listener_ = nullptr;
  std::atomic<bool> running_{false};
  std::atomic<int32_t> result_code_{0};
  mutable std::mutex lock_;
  GrowableArray<platform::BluetoothAddress> addresses_{8};
  std::vector<WideString> names_;
  std::unique_ptr<platform::Thread> thread_;
};

class ServiceLookup final : public WaitableObject {
 public:
  ServiceLookup(AppHost& host, platform::BluetoothAdapter& adapter) : WaitableObject(host), adapter_(adapter) {}
  ~ServiceLookup() override;  // cancels

  // Looks for the serial-port service of a device. Ignored while running.
  // Throws kErrThreadCreate.
  void StartLookup(LookupListener* listener, const platform::BluetoothAddress& address);
  void CancelLookup();

  bool Running() const { return running_.load(); }
  // The channel found, -1 when none (valid once the listener was called).
  int32_t Channel() const { return channel_.load(); }

  void Signalled() override;

 private:
  void Run();

  platform::BluetoothAdapter& adapter_;
  LookupListener* listener_ = nullptr;
  platform::BluetoothAddress address_{};
  std::atomic<bool> running_{false};
  std::atomic<bool> done_{false};
  std::atomic<int32_t> channel_{-1};
  std::unique_ptr<platform::Thread> thread_;
};

// The radio helper.
bool IsRadioOn(platform::BluetoothAdapter& adapter);
bool TurnRadioOn(platform::BluetoothAdapter& adapter);

enum class RadioCheck { kOn, kTurnedOn, kOff, kNoAdapter, kNoPermission, kError };
// kOn at once when the radio is on. Otherwise, with may_turn_on (the
// user's yes to "Bluetooth is currently turned off. Do you want to turn it
// on?"), powers it: kTurnedOn, or why not. kOff when it stays off.
RadioCheck EnsureRadioOn(platform::BluetoothAdapter& adapter, bool may_turn_on);

// "00:11:22:33:44:55" (upper case); parsing accepts either case and fails
// on anything else.
std::string FormatBluetoothAddress(const platform::BluetoothAddress& address);
bool ParseBluetoothAddress(std::string_view text, platform::BluetoothAddress* address);

}  // namespace kv
