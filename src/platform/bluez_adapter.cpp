#include <bluetooth/bluetooth.h>
#include <bluetooth/hci.h>
#include <bluetooth/hci_lib.h>
#include <bluetooth/sdp.h>
#include <bluetooth/sdp_lib.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "platform/bluetooth_adapter.h"
#include "platform/ticks.h"

namespace kv::platform {

namespace {

// 6 x 1.28 s of radio inquiry plus one name request stays well inside the
// 15 s a cancel may take.
constexpr int kInquiryUnits = 6;
constexpr int kNameTimeoutMs = 4000;
constexpr int32_t kSdpConnectTimeoutMs = 10000;

bdaddr_t ToBlueZ(const BluetoothAddress& address) {
  bdaddr_t b{};
  for (size_t i = 0; i < address.size(); ++i) b.b[i] = address[address.size() - 1 - i];
  return b;
}

void SetBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

BluetoothAddress FromBlueZ(const bdaddr_t& b) {
  BluetoothAddress address{};
  for (size_t i = 0; i < address.size(); ++i) address[i] = b.b[address.size() - 1 - i];
  return address;
}

// The first adapter whether it is powered or not (hci_get_route finds only
// powered ones, so a radio that is off would look like none); -1 without.
int FirstDevice() {
  constexpr int kMaxAdapters = 16;
  const int control = socket(AF_BLUETOOTH, SOCK_RAW | SOCK_CLOEXEC, BTPROTO_HCI);
  if (control < 0) return -1;  // no Bluetooth in this kernel
  alignas(hci_dev_list_req) char buffer[sizeof(hci_dev_list_req) + kMaxAdapters * sizeof(hci_dev_req)] = {};
  auto* list = reinterpret_cast<hci_dev_list_req*>(buffer);
  list->dev_num = kMaxAdapters;
  const int device = ioctl(control, HCIGETDEVLIST, list) == 0 && list->dev_num > 0 ? list->dev_req[0].dev_id : -1;
  close(control);
  return device;
}

class BluezAdapter final : public BluetoothAdapter {
 public:
  ~BluezAdapter() override { EndInquiry(); }

  int32_t BeginInquiry() override {
    EndInquiry();
    cancelled_.store(false);
    device_ = hci_get_route(nullptr);
    if (device_ < 0) return ENODEV;
    socket_ = hci_open_dev(device_);
    if (socket_ < 0) return errno;
    searched_ = false;
    next_ = 0;
    return 0;
  }

  int32_t NextDevice(BluetoothAddress* address, std::string* name) override {
    if (cancelled_.load()) return ECANCELED;
    if (!searched_) {
      searched_ = true;
      inquiry_info* found = results_;
      count_ = hci_inquiry(device_, kInquiryUnits, kMaxResults, nullptr, &found, IREQ_CACHE_FLUSH);
      if (count_ < 0) {
        count_ = 0;
        return errno;
      }
    }
    if (cancelled_.load()) return ECANCELED;
    if (next_ >= count_) return kEndOfResults;
    const bdaddr_t& b = results_[next_++].bdaddr;
    *address = FromBlueZ(b);
    char text[248] = {};
    name->clear();
    if (hci_read_remote_name(socket_, &b, sizeof text, text, kNameTimeoutMs) == 0) name->assign(text);
    return 0;
  }

  void CancelInquiry() override { cancelled_.store(true); }

  void EndInquiry() override {
    if (socket_ >= 0) hci_close_dev(socket_);
    socket_ = -1;
  }

  int32_t ServiceRecords(const BluetoothAddress& address, uint16_t uuid16,
                         std::vector<std::string>* records) override {
    lookup_cancelled_.store(false);
    records->clear();
    bdaddr_t any{};
    const bdaddr_t target = ToBlueZ(address);
    sdp_session_t* session = sdp_connect(&any, &target, SDP_NON_BLOCKING);
    if (!session) return errno;
    // The connect goes on in the background: wait for it, cancellable.
    const uint32_t start = TickCount();
    for (;;) {
      if (lookup_cancelled_.load() || TickCount() - start > static_cast<uint32_t>(kSdpConnectTimeoutMs)) {
        sdp_close(session);
        return lookup_cancelled_.load() ? ECANCELED : ETIMEDOUT;
      }
      pollfd p{sdp_get_socket(session), POLLOUT, 0};
      if (poll(&p, 1, 100) > 0) break;
    }
    int error = 0;
    socklen_t size = sizeof error;
    getsockopt(sdp_get_socket(session), SOL_SOCKET, SO_ERROR, &error, &size);
    if (error != 0) {
      sdp_close(session);
      return error;
    }
    // The request itself wants a blocking socket.
    const int fd = sdp_get_socket(session);
    SetBlocking(fd);
    uuid_t uuid;
    sdp_uuid16_create(&uuid, uuid16);
    sdp_list_t* search = sdp_list_append(nullptr, &uuid);
    uint32_t range = 0x00040004;  // attribute 0x0004 only
    sdp_list_t* attributes = sdp_list_append(nullptr, &range);
    sdp_list_t* response = nullptr;
    const int result = sdp_service_search_attr_req(session, search, SDP_ATTR_REQ_RANGE, attributes, &response);
    const int32_t status = result == 0 ? 0 : (errno != 0 ? errno : EIO);
    for (sdp_list_t* r = response; r; r = r->next) {
      auto* record = static_cast<sdp_record_t*>(r->data);
      sdp_buf_t buffer{};
      if (sdp_gen_record_pdu(record, &buffer) == 0) {
        records->emplace_back(reinterpret_cast<const char*>(buffer.data), buffer.data_size);
        free(buffer.data);
      }
      sdp_record_free(record);
    }
    sdp_list_free(response, nullptr);
    sdp_list_free(search, nullptr);
    sdp_list_free(attributes, nullptr);
    sdp_close(session);
    return status;
  }

  void CancelLookup() override { lookup_cancelled_.store(true); }

  int32_t GetRadioMode(int32_t* mode) override {
    const int device = FirstDevice();
    if (device < 0) return ENODEV;
    hci_dev_info info{};
    if (hci_devinfo(device, &info) != 0) return errno;
    if (!hci_test_bit(HCI_UP, &info.flags)) {
      *mode = 0;
    } else {
      *mode = hci_test_bit(HCI_ISCAN, &info.flags) ? 2 : 1;
    }
    return 0;
  }

  int32_t SetRadioMode(int32_t mode) override {
    const int device = FirstDevice();
    if (device < 0) return ENODEV;
    const int control = socket(AF_BLUETOOTH, SOCK_RAW | SOCK_CLOEXEC, BTPROTO_HCI);
    if (control < 0) return errno;
    int32_t error = 0;
    if (mode == 0) {
      if (ioctl(control, HCIDEVDOWN, device) != 0) error = errno;
    } else {
      if (ioctl(control, HCIDEVUP, device) != 0 && errno != EALREADY) error = errno;
      hci_dev_req request{};
      request.dev_id = static_cast<uint16_t>(device);
      request.dev_opt = mode == 2 ? (SCAN_PAGE | SCAN_INQUIRY) : SCAN_PAGE;
      if (error == 0 && ioctl(control, HCISETSCAN, &request) != 0) error = errno;
    }
    close(control);
    return error;
  }

 private:
  static constexpr int kMaxResults = 32;

  std::atomic<bool> cancelled_{false};
  std::atomic<bool> lookup_cancelled_{false};
  int device_ = -1;
  int socket_ = -1;
  bool searched_ = false;
  int count_ = 0;
  int next_ = 0;
  inquiry_info results_[kMaxResults] = {};
};

}  // namespace

std::unique_ptr<BluetoothAdapter> MakeBluezAdapter() { return std::make_unique<BluezAdapter>(); }

}  // namespace kv::platform
