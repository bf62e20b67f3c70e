#include "acquisition/obd_channels.h"

namespace kv {

namespace {

struct Row {
  int32_t channel, pid, unit_kind;
  double offset, divisor;
  int32_t byte_count, extra_byte;
};

// In the table's fixed order.
constexpr Row kRows[] = {
    {32, 0x04, kUnitPercent, 0, 2.55, 1, 0},      {26, 0x05, kUnitTemperature, -40, 1, 1, 0},
    {33, 0x06, kUnitPercent, -128, 1.28, 1, 0},   {34, 0x07, kUnitPercent, -128, 1.28, 1, 0},
    {35, 0x08, kUnitPercent, -128, 1.28, 1, 0},   {36, 0x09, kUnitPercent, -128, 1.28, 1, 0},
    {37, 0x0A, kUnitPressure, 0, 0.333, 1, 0},    {27, 0x0B, kUnitPressure, 0, 1, 1, 0},
    {24, 0x0C, kUnitRpm, 0, 4, 2, 0},             {23, 0x0D, kUnitSpeed, 0, 3.6, 1, 0},
    {28, 0x0E, kUnitAngle, -128, 2, 1, 0},        {29, 0x0F, kUnitTemperature, -40, 1, 1, 0},
    {30, 0x10, kUnitMassFlow, 0, 100, 2, 0},      {25, 0x11, kUnitPercent, 0, 2.55, 1, 0},
    {38, 0x12, kUnitNumber, 0, 1, 1, 0},          {39, 0x13, kUnitNumber, 0, 1, 1, 0},
    {44, 0x14, kUnitVoltage, 0, 200, 1, 1},       {45, 0x15, kUnitVoltage, 0, 200, 1, 1},
    {46, 0x16, kUnitVoltage, 0, 200, 1, 1},       {47, 0x17, kUnitVoltage, 0, 200, 1, 1},
    {48, 0x18, kUnitVoltage, 0, 200, 1, 1},       {49, 0x19, kUnitVoltage, 0, 200, 1, 1},
    {50, 0x1A, kUnitVoltage, 0, 200, 1, 1},       {51, 0x1B, kUnitVoltage, 0, 200, 1, 1},
    {40, 0x1C, kUnitNumber, 0, 1, 1, 0},          {41, 0x1D, kUnitNumber, 0, 1, 1, 0},
    {42, 0x1E, kUnitNumber, 0, 1, 1, 0},          {43, 0x1F, kUnitTime, 0, 1, 2, 0},
    {52, 0x21, kUnitDistance, 0, 0.001, 2, 0},    {53, 0x22, kUnitPressure, 0, 12.66, 2, 0},
    {54, 0x23, kUnitPressure, 0, 0.1, 2, 0},      {55, 0x2C, kUnitPercent, 0, 2.55, 1, 0},
    {56, 0x2D, kUnitPercent, -128, 1.28, 1, 0},   {57, 0x2E, kUnitPercent, 0, 2.55, 1, 0},
    {58, 0x2F, kUnitPercent, 0, 2.55, 1, 0},      {59, 0x30, kUnitNumber, 0, 1, 1, 0},
    {60, 0x31, kUnitDistance, 0, 0.001, 2, 0},    {61, 0x32, kUnitPressure, -32768, 4, 2, 0},
    {62, 0x33, kUnitPressure, 0, 1, 1, 0},        {63, 0x42, kUnitVoltage, 0, 1000, 2, 0},
    {64, 0x43, kUnitPercent, 0, 2.55, 2, 0},      {65, 0x45, kUnitPercent, 0, 2.55, 1, 0},
    {31, 0x46, kUnitTemperature, -40, 1, 1, 0},
};

constexpr uint8_t kModeOneReply = 0x41;

}  // namespace

ObdChannelTable::ObdChannelTable() {
  by_pid_.fill(kNoChannel);
  for (const Row& row : kRows) {
    ObdChannel channel;
    channel.channel = row.channel;
    channel.unit_kind = row.unit_kind;
    channel.pid = row.pid;
    channel.offset = row.offset;
    channel.divisor = row.divisor;
    channel.byte_count = row.byte_count;
    channel.extra_byte = row.extra_byte;
    by_pid_[static_cast<size_t>(row.pid)] = channels_.Count();
    channels_.Append(channel);
  }
}

const ObdChannel* ObdChannelTable::Lookup(int32_t channel) const {
  for (int32_t i = 0; i < channels_.Count(); ++i)
    if (channels_[i].channel == channel) return &channels_[i];
  return nullptr;
}

const ObdChannel* ObdChannelTable::ForPid(int32_t pid) const {
  if (pid < 0 || pid > 0xFF) return nullptr;
  const int32_t index = by_pid_[static_cast<size_t>(pid)];
  return index == kNoChannel ? nullptr : &channels_[index];
}

void ObdChannelTable::ResetSupport() {
  for (int32_t i = 0; i < channels_.Count(); ++i) channels_[i].support = ObdSupport::kUnknown;
}

void ObdChannelTable::LearnSupport(uint32_t base, uint32_t mask) const {
  for (uint32_t offset = 1; offset <= 31; ++offset) {
    const ObdChannel* known = ForPid(static_cast<int32_t>(base + offset));
    if (!known) continue;
    ObdChannel& channel = channels_[by_pid_[base + offset]];
    if (mask & (1u << (32 - offset))) {
      channel.support = ObdSupport::kYes;
    } else if (channel.support == ObdSupport::kYes) {
      channel.support = ObdSupport::kNo;
    }
  }
}

bool ObdChannelTable::Decode(const ObdSample& sample, int32_t* raw) const {
  const int32_t count = sample.byte_count;
  if (!sample.valid || count < 3 || count > ObdSample::kMaxBytes) return false;
  if (sample.bytes[0] != kModeOneReply || sample.bytes[1] != sample.pid) return false;
  const uint32_t pid = sample.pid;
  if (pid == 0x00 || pid == 0x20 || pid == 0x40) {
    if (count < 6) return false;
    uint32_t mask = 0;
    for (int32_t i = 2; i < 6; ++i) mask = (mask << 8) | sample.bytes[static_cast<size_t>(i)];
    LearnSupport(pid, mask);
    return false;
  }
  const ObdChannel* channel = ForPid(static_cast<int32_t>(pid));
  if (!channel || count < channel->byte_count + channel->extra_byte + 2) return false;
  uint32_t value = 0;
  for (int32_t i = 0; i < channel->byte_count + channel->extra_byte; ++i)
    value = (value << 8) | sample.bytes[static_cast<size_t>(2 + i)];
  // The extra byte of the oxygen sensors is their fuel trim, not part of the voltage.
  if (channel->extra_byte) value >>= 8;
  *raw = static_cast<int32_t>(value);
  return true;
}

}  // namespace kv
