// Building NMEA lines with a correct checksum and feeding them one by one.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "acquisition/nmea_parser.h"

namespace kv::nmea_test {

// "$GPGGA,..." -> "$GPGGA,...*HH" + line_end.
inline std::string WithChecksum(std::string_view sentence, std::string_view line_end = "\r\n") {
  unsigned x = 0;
  for (char c : sentence.substr(1)) x ^= static_cast<unsigned char>(c);
  char digits[8];
  std::snprintf(digits, sizeof digits, "*%02X", x);
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
