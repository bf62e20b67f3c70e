// Helpers shared by the NMEA parser tests: building lines with a correct
// checksum and feeding single lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "acquisition/nmea_parser.h"

namespace kv::nmea_test {

// "$GPGGA,..." -> "$GPGGA,...*HH" + line_end, HH the XOR of the characters
// after '$' in upper-case hexadecimal.
inline std::string WithChecksum(std::string_view sentence, std::string_view line_end = "\r\n") {
  unsigned x = 0;
  for (size_t i = 1; i < sentence.size(); ++i) x ^= static_cast<unsigned char>(sentence[i]);
  char digits[8];
  std::snprintf(digits, sizeof digits, "*%02X", x & 0xFF);
  return std::string(sentence) + digits + std::string(line_end);
}

// Appends one complete line and takes it; returns the record.
inline const FixRecord& Feed(NmeaParser& parser, std::string_view line) {
  parser.Append(line);
  EXPECT_TRUE(parser.NextSentence()) << line;
  return parser.Fix();
}

inline const FixRecord& FeedChecked(NmeaParser& parser, std::string_view sentence) {
  return Feed(parser, WithChecksum(sentence));
}

}  // namespace kv::nmea_test
