#include "acquisition/bluetooth_discovery.h"

#include <cerrno>
#include <cstdio>

#include "acquisition/sdp_record.h"
#include "util/utf_convert.h"

namespace kv {

namespace {

constexpr int32_t kStopTimeoutMs = 15000;

}  // namespace

BluetoothInquiry::~BluetoothInquiry() { CancelInquiry(); }

void BluetoothInquiry::StartInquiry(InquiryListener* listener) {
  if (running_.load()) return;
  JoinThread();  // the previous inquiry's thread has ended or is ending
  listener_ = listener;
  {
    std::lock_guard<std::mutex> guard(lock_);
    addresses_.Clear();
    names_.clear();
  }
  result_code_.store(0);
  running_.store(true);
  thread_ = std::make_unique<platform::Thread>([this] { Run(); });
}

void BluetoothInquiry::CancelInquiry() {
  running_.store(false);
  adapter_.CancelInquiry();
  JoinThread();
}

void BluetoothInquiry::JoinThread() {
  if (!thread_) return;
  thread_->Join(kStopTimeoutMs);
  thread_.reset();
}

void BluetoothInquiry::Run() {
  const int32_t begin = adapter_.BeginInquiry();
  if (begin != 0) {
    result_code_.store(begin);
  } else {
    for (;;) {
      platform::BluetoothAddress address{};
      std::string name;
      const int32_t result = adapter_.NextDevice(&address, &name);
      if (result != 0) {
        result_code_.store(result == platform::kEndOfResults ? kInquiryEnded : result);
        break;
      }
      {
        std::lock_guard<std::mutex> guard(lock_);
        addresses_.Append(address);
        names_.push_back(FromUtf8(name));
      }
      Signal();  // the list on the screen grows while the search runs
    }
  }
  adapter_.EndInquiry();
  running_.store(false);
  Signal();
}

int32_t BluetoothInquiry::DeviceCount() const {
  std::lock_guard<std::mutex> guard(lock_);
  return addresses_.Count();
}

platform::BluetoothAddress BluetoothInquiry::Address(int32_t index) const {
  std::lock_guard<std::mutex> guard(lock_);
  return addresses_[index];
}

WideString BluetoothInquiry::Name(int32_t index) const {
  std::lock_guard<std::mutex> guard(lock_);
  if (index < 0 || index >= static_cast<int32_t>(names_.size())) ReportProgrammingError(kBadArrayIndex);
  return names_[static_cast<size_t>(index)];
}

void BluetoothInquiry::Signalled() {
  if (listener_) listener_->OnInquiryUpdate();
}

ServiceLookup::~ServiceLookup() { CancelLookup(); }

void ServiceLookup::StartLookup(LookupListener* listener, const platform::BluetoothAddress& address) {
  if (running_.load()) return;
  if (thread_) {
    thread_->Join(kStopTimeoutMs);
    thread_.reset();
  }
  address_ = address;
  channel_.store(-1);
  done_.store(false);
  listener_ = listener;
  running_.store(true);
  thread_ = std::make_unique<platform::Thread>([this] { Run(); });
}

void ServiceLookup::CancelLookup() {
  adapter_.CancelLookup();
  if (thread_) {
    thread_->Join(kStopTimeoutMs);
    thread_.reset();
  }
  running_.store(false);
  listener_ = nullptr;  // a cancelled lookup reports nothing
}

void ServiceLookup::Run() {
  std::vector<std::string> records;
  int32_t channel = -1;
  if (adapter_.ServiceRecords(address_, kSerialPortServiceClass, &records) == 0) {
    for (const std::string& record : records) {
      channel = RfcommChannelOfRecord(record);
      if (channel > 0) break;
    }
  }
  channel_.store(channel);
  done_.store(true);
  running_.store(false);
  Signal();
}

void ServiceLookup::Signalled() {
  if (done_.exchange(false) && listener_) listener_->OnLookupDone(channel_.load());
}

bool IsRadioOn(platform::BluetoothAdapter& adapter) {
  int32_t mode = 0;
  return adapter.GetRadioMode(&mode) == 0 && mode != 0;
}

bool TurnRadioOn(platform::BluetoothAdapter& adapter) { return adapter.SetRadioMode(1) == 0; }

RadioCheck EnsureRadioOn(platform::BluetoothAdapter& adapter, bool may_turn_on) {
  const auto why = [](int32_t error) {
    if (error == ENODEV) return RadioCheck::kNoAdapter;
    return error == EPERM || error == EACCES ? RadioCheck::kNoPermission : RadioCheck::kError;
  };
  int32_t mode = 0;
  if (const int32_t error = adapter.GetRadioMode(&mode); error != 0) return why(error);
  if (mode != 0) return RadioCheck::kOn;
  if (!may_turn_on) return RadioCheck::kOff;
  const int32_t error = adapter.SetRadioMode(1);
  return error == 0 ? RadioCheck::kTurnedOn : why(error);
}

std::string FormatBluetoothAddress(const platform::BluetoothAddress& address) {
  char text[18];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", address[0], address[1], address[2], address[3],
                address[4], address[5]);
  return text;
}

bool ParseBluetoothAddress(std::string_view text, platform::BluetoothAddress* address) {
  if (text.size() != 17) return false;
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  platform::BluetoothAddress parsed{};
  for (size_t i = 0; i < parsed.size(); ++i) {
    const size_t at = i * 3;
    if (i > 0 && text[at - 1] != ':') return false;
    const int high = digit(text[at]), low = digit(text[at + 1]);
    if (high < 0 || low < 0) return false;
    parsed[i] = static_cast<uint8_t>(high * 16 + low);
  }
  *address = parsed;
  return true;
}

}  // namespace kv
