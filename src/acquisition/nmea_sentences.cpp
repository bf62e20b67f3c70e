#include "acquisition/nmea_sentences.h"

#include <cstdint>

#include "core/date_time.h"

namespace kv::nmea {

namespace {

// ZDA carries a four-digit year; no receiver sends one before GPS time
// began (1980) or two centuries after our time.
constexpr int32_t kMinZdaYear = 1980;
constexpr int32_t kMaxZdaYear = 2199;

// Talker letters packed as they appear, first letter in the high byte.
constexpr uint16_t Pack(char a, char b) {
  return static_cast<uint16_t>(static_cast<unsigned char>(a) << 8 | static_cast<unsigned char>(b));
}

int TalkerSlot(char a, char b) {
  switch (Pack(a, b)) {
    case Pack('G', 'P'):
      return 0;
    case Pack('G', 'L'):
      return 1;
    case Pack('G', 'A'):
      return 2;
    case Pack('G', 'B'):
      return 3;
    case Pack('B', 'D'):
      return 4;
    case Pack('G', 'Q'):
      return 5;
    case Pack('Q', 'Z'):
      return 6;
    case Pack('G', 'N'):
      return 7;
    case Pack('I', 'N'):  // integrated navigation: a plotter or fishfinder passing its fix on
      return 8;
    default:
      return -1;
  }
}

bool EqualsIgnoringCase(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c =
        text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A') : text[i];
    if (c != upper[i]) return false;
  }
  return true;
}

// $GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W,A*6A
//        1      2 3        4 5         6 7     8     9      10    11 12
// Time 1, status 2, latitude 3-4, longitude 5-6, speed in knots 7, course
// 8, date 9, FAA mode 12 (NMEA 2.3 and later).
void DecodeRmc(FieldReader& in, const DecodeContext& c) {
  FixRecord& fix = c.fix;
  fix.status = fix.mode = 0;
  const uint32_t ok = Scan(in, Time{&fix.time}, Letter{&fix.status}, Latitude{&fix.latitude},
                           Longitude{&fix.longitude}, Knots{&fix.speed}, Real{&fix.course},
                           RmcDate{&fix.date}, Skip{2}, Letter{&fix.mode});
  fix.valid.time = Flag(ok, 0);
  fix.valid.latitude = Flag(ok, 2);
  fix.valid.longitude = Flag(ok, 3);
  fix.valid.speed = Flag(ok, 4);
  fix.valid.course = Flag(ok, 5);
  fix.valid.date = Flag(ok, 6);
}

// $GPGLL,4916.45,N,12311.12,W,225444,A,A*5C
//        1       2 3        4 5      6 7
// Latitude 1-2, longitude 3-4, time 5, status 6, FAA mode 7.
void DecodeGll(FieldReader& in, const DecodeContext& c) {
  FixRecord& fix = c.fix;
  fix.status = fix.mode = 0;
  const uint32_t ok = Scan(in, Latitude{&fix.latitude}, Longitude{&fix.longitude}, Time{&fix.time},
                           Letter{&fix.status}, Letter{&fix.mode});
  fix.valid.latitude = Flag(ok, 0);
  fix.valid.longitude = Flag(ok, 1);
  fix.valid.time = Flag(ok, 2);
}

// $GNGNS,014035.00,4332.69262,S,17235.48549,E,RR,13,0.9,25.63,11.24,,*70
//        1         2          3 4           5 6  7  8   9     10    11 12
// Time 1, latitude 2-3, longitude 4-5, modes 6 (one letter per satellite
// system), satellites used 7, HDOP 8, altitude 9, geoid separation 10.
void DecodeGns(FieldReader& in, const DecodeContext& c) {
  FixRecord& fix = c.fix;
  fix.status = fix.mode = 0;
  const uint32_t ok =
      Scan(in, Time{&fix.time}, Latitude{&fix.latitude}, Longitude{&fix.longitude}, Letter{&fix.mode},
           Int{&fix.satellites}, Real{&fix.hdop}, Real{&fix.altitude}, Real{&fix.geoid});
  fix.valid.time = Flag(ok, 0);
  fix.valid.latitude = Flag(ok, 1);
  fix.valid.longitude = Flag(ok, 2);
  fix.valid.satellites = Flag(ok, 4);
  fix.valid.hdop = Flag(ok, 5);
  fix.valid.altitude = Flag(ok, 6);
  fix.valid.geoid = Flag(ok, 7);
}

// $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,2.5,0120*6D
//        1      2        3 4         5 6 7  8   9     1 1    1 1   1
//                                                     0 1    2 3   4
// Time 1, latitude 2-3, longitude 4-5, fix quality 6, satellites used 7,
// HDOP 8, altitude 9, geoid separation 11.
void DecodeGga(FieldReader& in, const DecodeContext& c) {
  FixRecord& fix = c.fix;
  const uint32_t ok = Scan(in, Time{&fix.time}, Latitude{&fix.latitude}, Longitude{&fix.longitude},
                           Int{&fix.fix_quality}, Int{&fix.satellites}, Real{&fix.hdop},
                           Real{&fix.altitude}, Skip{1}, Real{&fix.geoid});
  fix.valid.time = Flag(ok, 0);
  fix.valid.latitude = Flag(ok, 1);
  fix.valid.longitude = Flag(ok, 2);
  fix.valid.fix_quality = Flag(ok, 3);
  fix.valid.satellites = Flag(ok, 4);
  fix.valid.hdop = Flag(ok, 5);
  fix.valid.altitude = Flag(ok, 6);
  fix.valid.geoid = Flag(ok, 8);
}

// $GPGSA,A,3,04,05,09,12,24,25,29,31,02,06,10,14,2.5,1.3,2.1*37
//        1 2 3  4  5  6  7  8  9  10 11 12 13 14 15  16  17
// Fix type 2 (required), used PRNs 3-14 (empty ones skipped), PDOP 15,
// HDOP 16, VDOP 17.
void DecodeGsa(FieldReader& in, const DecodeContext& c) {
  FixRecord& fix = c.fix;
  fix.valid.pdop = fix.valid.hdop = fix.valid.vdop = 0;
  fix.prn_count = 0;
  fix.fix_type_valid = 0;
  if (!ScanAll(in, Skip{1}, Int{&fix.fix_type})) return;
  fix.fix_type_valid = 1;
  for (int i = 0; i < FixRecord::kMaxSatellites; ++i) {
    int32_t prn;
    if (Int{&prn}.Read(in)) fix.prns[fix.prn_count++] = prn;
  }
  if (!Real{&fix.pdop}.Read(in)) return;
  fix.valid.pdop = 1;
  if (!Real{&fix.hdop}.Read(in)) return;
  fix.valid.hdop = 1;
  if (!Real{&fix.vdop}.Read(in)) return;
  fix.valid.vdop = 1;
}

// $GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74
//        1 2 3  4  5  6   7  8  9  10  11 12 13 14  15 16 17 18  19
// Number of messages 1, message number 2, satellites in view 3, then up to
// four satellites of PRN, elevation, azimuth and SNR. Each talker assembles
// its own group, so constellations sent interleaved do not break each
// other's; the record shows the group of the talker just heard, as far as
// it has come.
void DecodeGsv(FieldReader& in, const DecodeContext& c) {
  FixRecord& fix = c.fix;
  GsvGroup& group = *c.group;
  fix.in_view_valid = 0;
  fix.gsv_accepted = 0;
  int32_t size, number;
  if (ScanAll(in, Int{&size}, Int{&number}) &&
      (number == 1 || (int64_t{number} == int64_t{group.last_message} + 1 && size == group.size &&
                       number <= size))) {
    if (number == 1) group.count = group.complete = 0;
    group.size = size;
    group.last_message = number;
    if (number == size) group.complete = 1;
    fix.gsv_accepted = 1;
    if (Int{&group.in_view}.Read(in)) {
      fix.in_view_valid = 1;
      for (int i = 0; i < 4 && group.count < FixRecord::kMaxSatellites; ++i) {
        SatelliteInfo sat;
        if (!ScanAll(in, Int{&sat.prn}, Int{&sat.elevation}, Int{&sat.azimuth})) break;
        if (!Int{&sat.snr}.Read(in)) sat.snr = -1;
        group.sky[group.count++] = sat;
      }
    }
  }
  // An ignored message leaves the group as it was; the record shows it.
  fix.gsv_group_size = group.size;
  fix.gsv_last_message = group.last_message;
  fix.in_view = group.in_view;
  fix.sky_count = group.count;
  fix.sky_complete = group.complete;
  fix.sky = group.sky;
}

// $GPVTG,054.7,T,034.4,M,005.5,N,010.2,K,A*48
//        1     2 3     4 5     6 7     8 9
// Course (true) 1, speed in knots 5, FAA mode 9.
void DecodeVtg(FieldReader& in, const DecodeContext& c) {
  FixRecord& fix = c.fix;
  fix.status = fix.mode = 0;
  const uint32_t ok = Scan(in, Real{&fix.course}, Skip{3}, Knots{&fix.speed}, Skip{3}, Letter{&fix.mode});
  fix.valid.course = Flag(ok, 0);
  fix.valid.speed = Flag(ok, 2);
}

// $GPZDA,201530.00,04,07,2002,00,00*60
//        1         2  3  4    5  6
// Time 1, day 2, month 3, four-digit year 4; the local zone (5, 6) is not
// used.
void DecodeZda(FieldReader& in, const DecodeContext& c) {
  FixRecord& fix = c.fix;
  fix.valid.time = Time{&fix.time}.Read(in) ? 1 : 0;
  fix.valid.date = 0;
  int32_t day, month, year;
  if (!ScanAll(in, Int{&day}, Int{&month}, Int{&year})) return;
  if (day < 1 || day > 31 || month < 1 || month > 12 || year < kMinZdaYear || year > kMaxZdaYear)
    return;
  fix.date = DateTimeValue::MakeDay(year, month, day);
  fix.valid.date = 1;
}

// $KVOBD,123519.000,0C,41 0C 1A F8*hh
//        1          2  3
// Time 1 (empty before the GPS has a fix), PID 2 in hexadecimal, the OBD-II
// adapter's reply 3: hexadecimal bytes separated by single spaces, or
// "NO DATA" / "UNABLE TO CONNECT", which leave the sample not valid.
void DecodeObd(FieldReader& in, const DecodeContext& c) {
  FixRecord& fix = c.fix;
  ObdSample& obd = fix.obd;
  fix.valid.time = Time{&fix.time}.Read(in) ? 1 : 0;
  obd.valid = 0;
  obd.pid = 0;
  obd.byte_count = 0;
  std::string_view reply;
  if (!Hex{&obd.pid}.Read(in) || !in.Take(&reply)) return;
  if (EqualsIgnoringCase(reply, "NO DATA") || EqualsIgnoringCase(reply, "UNABLE TO CONNECT"))
    return;
  std::array<uint8_t, ObdSample::kMaxBytes> bytes{};
  int32_t count = 0;
  // Pieces are taken like fields: a trailing space ends the reply, two
  // spaces in a row make an empty piece, which fails.
  while (!reply.empty() && count < ObdSample::kMaxBytes) {
    const size_t space = reply.find(' ');
    const std::string_view piece = reply.substr(0, space);
    reply = space == std::string_view::npos ? std::string_view() : reply.substr(space + 1);
    uint32_t byte;
    if (!ParseHex(piece, &byte) || byte > 0xFF) return;
    bytes[count++] = static_cast<uint8_t>(byte);
  }
  obd.bytes = bytes;
  obd.byte_count = count;
  obd.valid = 1;
}

// $KVACC,123519.000,12,-40,1003*hh
//        1          2  3   4
// Time 1, the three accelerometer values 2-4 as the sensor gave them.
void DecodeAcc(FieldReader& in, const DecodeContext& c) {
  FixRecord& fix = c.fix;
  fix.valid.time = Time{&fix.time}.Read(in) ? 1 : 0;
  fix.acc_valid = 0;
  std::array<int32_t, 3> acc;
  if (!ScanAll(in, Int{&acc[0]}, Int{&acc[1]}, Int{&acc[2]})) return;
  fix.acc = acc;
  fix.acc_valid = 1;
}

constexpr uint32_t Pack3(char a, char b, char c) {
  return static_cast<uint32_t>(static_cast<unsigned char>(a)) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b)) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(c));
}

// The dispatch table: the three letters after the talker -> decoder.
constexpr SentenceEntry kRmc{kSentenceRmc, DecodeRmc};
constexpr SentenceEntry kGga{kSentenceGga, DecodeGga};
constexpr SentenceEntry kGsv{kSentenceGsv, DecodeGsv};
constexpr SentenceEntry kGsa{kSentenceGsa, DecodeGsa};
constexpr SentenceEntry kVtg{kSentenceVtg, DecodeVtg};
constexpr SentenceEntry kZda{kSentenceZda, DecodeZda};
constexpr SentenceEntry kObd{kSentenceObd, DecodeObd};
constexpr SentenceEntry kAcc{kSentenceAcc, DecodeAcc};
constexpr SentenceEntry kGll{kSentenceGll, DecodeGll};
constexpr SentenceEntry kGns{kSentenceGns, DecodeGns};

const SentenceEntry* FindGnss(uint32_t name) {
  switch (name) {
    case Pack3('R', 'M', 'C'):
      return &kRmc;
    case Pack3('G', 'G', 'A'):
      return &kGga;
    case Pack3('G', 'S', 'V'):
      return &kGsv;
    case Pack3('G', 'S', 'A'):
      return &kGsa;
    case Pack3('V', 'T', 'G'):
      return &kVtg;
    case Pack3('Z', 'D', 'A'):
      return &kZda;
    case Pack3('G', 'L', 'L'):
      return &kGll;
    case Pack3('G', 'N', 'S'):
      return &kGns;
    default:
      return nullptr;
  }
}

const SentenceEntry* FindOwn(uint32_t name) {
  switch (name) {
    case Pack3('O', 'B', 'D'):
      return &kObd;
    case Pack3('A', 'C', 'C'):
      return &kAcc;
    default:
      return nullptr;
  }
}

}  // namespace

const SentenceEntry* FindSentence(std::string_view identifier, int* talker_slot) {
  if (identifier.size() != 6 || identifier[0] != '$') return nullptr;
  const uint32_t name = Pack3(identifier[3], identifier[4], identifier[5]);
  if (identifier[1] == 'K' && identifier[2] == 'V') {
    *talker_slot = -1;
    return FindOwn(name);
  }
  const int slot = TalkerSlot(identifier[1], identifier[2]);
  if (slot < 0) return nullptr;
  *talker_slot = slot;
  return FindGnss(name);
}

}  // namespace kv::nmea
