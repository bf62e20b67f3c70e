// Little-endian coding of the integers in our binary files. Every file we
// write is little-endian whatever the machine, so the bytes are put
// together one by one rather than copied from memory. The 16-bit writers
// take the low 16 bits of their argument: a signed field is handed over as
// it is and stored in two's complement. Any thread.
#pragma once

#include <cstdint>

#include "util/byte_string.h"

namespace kv::le {

inline uint16_t Load16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

inline uint32_t Load32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
         (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

inline int32_t LoadSigned32(const uint8_t* at) { return static_cast<int32_t>(Load32(at)); }

inline void Store16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

inline void Store32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void Append16(ByteString& out, uint32_t value) {
  out.AppendUnit(static_cast<char>(value & 0xFF));
  out.AppendUnit(static_cast<char>((value >> 8) & 0xFF));
}

inline void Append32(ByteString& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.AppendUnit(static_cast<char>((value >> shift) & 0xFF));
}

}  // namespace kv::le
