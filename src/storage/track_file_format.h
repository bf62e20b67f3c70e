// Byte layout of the track profile ("-track.bin"); docs/formats.md
// describes it. Little-endian, strings are PackedStrings.
//   u32 version (2 written; 1 read), i16 lock flag, u32 trap count, then per
//   trap: name, u32 line type, i32 latitude, i32 longitude, i32 bearing,
//   i32 width, i16 unidirectional flag.
// Version 2 stores positions as AngleValues and bearing and width as
// round(radians * 343774677.0785) (the AngleValue unit; kNotSet for none).
// Version 1 stores all four as radians * 2^29.
#pragma once

#include <cstdint>

namespace kv::track_file {

inline constexpr uint32_t kVersion = 2;
inline constexpr uint32_t kLegacyVersion = 1;
inline constexpr int32_t kBuffer = 10240;
// Name prefix, type, four coordinates, flag: the least a trap can take.
inline constexpr int64_t kSmallestTrap = 1 + 4 + 16 + 2;

}  // namespace kv::track_file
