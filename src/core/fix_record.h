// FixRecord: what the NMEA parser has read from one input so far. Each
// sentence overwrites only the fields it carries, with their validity flags;
// the others keep the values of earlier sentences. Owned by one parser and
// read on that parser's thread only.
#pragma once

#include <array>
#include <cstdint>

#include "core/not_set.h"

namespace kv {

enum SentenceType : int32_t {
  kSentenceNone = 0,  // rejected or not recognised
  kSentenceRmc = 1,
  kSentenceGga = 2,
  kSentenceGsa = 3,
  kSentenceGsv = 4,
  kSentenceVtg = 5,
  kSentenceZda = 6,
  kSentenceObd = 7,  // $KVOBD
  kSentenceAcc = 8,  // $KVACC
  kSentenceGll = 9,
  kSentenceGns = 10,
};
constexpr int kSentenceTypeCount = 11;

struct SatelliteInfo {
  int32_t prn = 0;
  int32_t elevation = 0;  // degrees
  int32_t azimuth = 0;    // degrees
  int32_t snr = -1;       // dB-Hz, -1 when the sentence left it empty
};

// One OBD-II reply as the reader thread delivered it in a $KVOBD sentence.
struct ObdSample {
  static constexpr int kMaxBytes = 16;
  uint32_t pid = 0;
  std::array<uint8_t, kMaxBytes> bytes{};
  int32_t byte_count = 0;  // 0..16
  int32_t valid = 0;
};

// Validity flags, 1 = valid, in the order the record stores them.
struct FixValidity {
  int32_t latitude = 0;
  int32_t longitude = 0;
  int32_t speed = 0;
  int32_t course = 0;
  int32_t time = 0;
  int32_t date = 0;
  int32_t fix_quality = 0;
  int32_t satellites = 0;
  int32_t hdop = 0;
  int32_t vdop = 0;
  int32_t pdop = 0;
  int32_t altitude = 0;
  int32_t geoid = 0;
};

struct FixRecord {
  static constexpr int kMaxSatellites = 12;

  double latitude = kNoValue;   // NMEA ddmm.mmmm as a number, negative south
  double longitude = kNoValue;  // NMEA dddmm.mmmm as a number, negative west
  double speed = kNoValue;      // knots, 0..1000
  double course = kNoValue;     // degrees true, as sent
  SentenceType type = kSentenceNone;  // of the last sentence handled
  int32_t date = kNotSet;       // DateTimeValue day number
  int32_t time = 0;             // ms of day UTC, 0 when unreadable
  int32_t fix_quality = 0;      // GGA: 0 none, 1 GPS, 2 differential, ...
  int32_t satellites = 0;       // used, from GGA
  double hdop = kNoValue;
  double vdop = kNoValue;
  double pdop = kNoValue;
  double altitude = kNoValue;   // metres above mean sea level
  double geoid = kNoValue;      // geoid separation, metres
  char status = 0;              // RMC, GLL: 'A' valid, 'V' not; 0 when not sent
  char mode = 0;                // FAA mode letter (RMC, GLL, VTG, GNS); 0 when not sent
  FixValidity valid;

  int32_t in_view = 0;          // satellites in view (GSV)
  int32_t in_view_valid = 0;    // 1 when the last GSV sentence read in_view
  int32_t sky_count = 0;        // satellites collected in the current GSV group
  int32_t sky_complete = 0;     // 1 after the group's last message
  std::array<SatelliteInfo, kMaxSatellites> sky{};
  int32_t fix_type = 0;         // GSA: 1 no fix, 2 2D, 3 3D
  int32_t fix_type_valid = 0;   // 1 when the last GSA sentence read fix_type
  int32_t prn_count = 0;        // GSA used PRNs
  std::array<int32_t, kMaxSatellites> prns{};
  ObdSample obd;
  int32_t acc_valid = 0;
  std::array<int32_t, 3> acc{};  // accelerometer values as sent
  int32_t gsv_group_size = 0;
  int32_t gsv_last_message = 0;
  int32_t gsv_accepted = 0;  // 1 when the last GSV sentence was taken into its group
};

}  // namespace kv
