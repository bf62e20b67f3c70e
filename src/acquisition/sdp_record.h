// The RFCOMM channel of a Bluetooth service record, read from the record's
// SDP data elements (the bytes a service search returns for it).
//
// A record is a sequence of (attribute id: uint16, value) pairs. Attribute
// 0x0004, the protocol descriptor list, is a sequence of protocol
// descriptors (or an alternative of such sequences), each a sequence that
// starts with the protocol's UUID followed by its parameters:
//
//   35 0C               sequence, 12 bytes
//     35 03 19 01 00      ( L2CAP )
//     35 05 19 00 03 08 05  ( RFCOMM, channel uint8 5 )
//
// RFCOMM is UUID 0x0003 as a 16-, 32- or 128-bit UUID (on the Bluetooth
// base UUID). Its first parameter, an unsigned integer of 1 or 2 bytes
// from 1 to 30, is the channel. Every length is checked against the bytes
// that hold it; nesting deeper than 8 levels is not followed.
#pragma once

#include <cstdint>
#include <string_view>

namespace kv {

// The channel 1..30, or -1 when the record has none or is malformed.
int32_t RfcommChannelOfRecord(std::string_view record);

}  // namespace kv
