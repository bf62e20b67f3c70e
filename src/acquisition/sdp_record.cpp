#include "acquisition/sdp_record.h"

#include <array>

namespace kv {

namespace {

enum ElementType : uint8_t {
  kNil = 0,
  kUnsigned = 1,
  kSigned = 2,
  kUuid = 3,
  kText = 4,
  kBool = 5,
  kSequence = 6,
  kAlternative = 7,
  kUrl = 8,
};

constexpr uint16_t kProtocolDescriptorList = 0x0004;
constexpr uint32_t kRfcommUuid = 0x0003;
constexpr int kMaxDepth = 8;
constexpr std::array<uint8_t, 12> kBaseUuidTail = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                                   0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB};

struct Element {
  uint8_t type = kNil;
  std::string_view data;  // the element's content
};

// Takes one element off the front of *bytes; false when malformed.
bool TakeElement(std::string_view* bytes, Element* element) {
  if (bytes->empty()) return false;
  const uint8_t header = static_cast<uint8_t>((*bytes)[0]);
  element->type = header >> 3;
  const uint8_t size_index = header & 0x07;
  size_t at = 1;
  size_t size = 0;
  if (size_index <= 4) {
    size = element->type == kNil ? 0 : (size_t{1} << size_index);
  } else {
    const size_t length_bytes = size_t{1} << (size_index - 5);  // 1, 2 or 4
    if (bytes->size() < 1 + length_bytes) return false;
    for (size_t i = 0; i < length_bytes; ++i) size = (size << 8) | static_cast<uint8_t>((*bytes)[1 + i]);
    at += length_bytes;
  }
  if (bytes->size() - at < size) return false;
  element->data = bytes->substr(at, size);
  bytes->remove_prefix(at + size);
  return true;
}

uint32_t BigEndian(std::string_view data) {
  uint32_t value = 0;
  for (char c : data) value = (value << 8) | static_cast<uint8_t>(c);
  return value;
}

bool IsRfcomm(const Element& uuid) {
  if (uuid.type != kUuid) return false;
  if (uuid.data.size() == 2 || uuid.data.size() == 4) return BigEndian(uuid.data) == kRfcommUuid;
  if (uuid.data.size() != 16) return false;
  for (size_t i = 0; i < kBaseUuidTail.size(); ++i)
    if (static_cast<uint8_t>(uuid.data[4 + i]) != kBaseUuidTail[i]) return false;
  return BigEndian(uuid.data.substr(0, 4)) == kRfcommUuid;
}

// One protocol descriptor: UUID, then parameters.
int32_t ChannelOfDescriptor(std::string_view descriptor) {
  Element uuid, parameter;
  if (!TakeElement(&descriptor, &uuid) || !IsRfcomm(uuid)) return -1;
  if (!TakeElement(&descriptor, &parameter) || parameter.type != kUnsigned) return -1;
  if (parameter.data.size() != 1 && parameter.data.size() != 2) return -1;
  const uint32_t channel = BigEndian(parameter.data);
  return channel >= 1 && channel <= 30 ? static_cast<int32_t>(channel) : -1;
}

// A protocol descriptor list, or an alternative of them, or a descriptor.
int32_t ChannelOfList(const Element& list, int depth) {
  if (depth > kMaxDepth || (list.type != kSequence && list.type != kAlternative)) return -1;
  const int32_t direct = ChannelOfDescriptor(list.data);
  if (direct > 0) return direct;
  std::string_view rest = list.data;
  Element item;
  while (TakeElement(&rest, &item)) {
    const int32_t channel = ChannelOfList(item, depth + 1);
    if (channel > 0) return channel;
  }
  return -1;
}

}  // namespace

int32_t RfcommChannelOfRecord(std::string_view record) {
  Element top;
  if (!TakeElement(&record, &top) || top.type != kSequence) return -1;
  std::string_view pairs = top.data;
  Element id, value;
  while (TakeElement(&pairs, &id) && TakeElement(&pairs, &value)) {
    if (id.type != kUnsigned || id.data.size() != 2) return -1;
    if (BigEndian(id.data) == kProtocolDescriptorList) return ChannelOfList(value, 0);
  }
  return -1;
}

}  // namespace kv
