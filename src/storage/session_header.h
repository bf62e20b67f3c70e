// SessionHeader: the "-session.bin" file of a recorded session (title,
// type, track, test, driver, notes, flags, creation time, lap notes).
// Written in version 7 only; versions 1-7 are read (docs/formats.md).
//
// A header loaded list-only has no lap notes in memory and is never written
// back, so notes that were not loaded cannot be lost. Saving replaces the
// file whole through a temporary file. Main thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/date_time.h"
#include "util/byte_string.h"
#include "util/wide_string.h"

namespace kv {

class StorageList;

inline constexpr uint32_t kSessionHeaderVersion = 7;

enum SessionType : uint32_t {
  kSessionLapTiming = 0,
  kSessionPerformance = 1,
  kSessionDataLogging = 2,
};

struct LapNote {
  int32_t key = 0;    // (lap start + lap end + 1) / 2, sample-time ms
  int32_t flag = 0;   // the lap's validity mark
  WideString text;
  bool changed = false;
};

struct SessionHeader {
  WideString base_name;  // file name without suffix
  std::string root;      // storage root, ends in "/"

  WideString title, driver, track, test, notes;
  int32_t save_nmea = 0;
  uint32_t type = kSessionLapTiming;
  int32_t resumable = 1;
  int32_t obd = 0;            // recorded with the OBD-II reader
  int32_t use_obd_speed = 0;
  DateTimeValue created;      // UTC
  DateTimeValue second_stamp; // UTC; kept, read and written with created
  std::vector<LapNote> lap_notes;
  int32_t version_read = 0;   // version of the file loaded, 0 for a new header

  bool changed = false;
  bool save_allowed = true;

  // Replaces the note with this key; a note left with flag 0 and no text
  // is removed; a new non-empty note is appended.
  void SetLapNote(int32_t key, int32_t flag, std::u16string_view text);
  // The note of the lap [start, end]: its key strictly inside by 1 ms when
  // the lap is at least 2 ms long, anywhere in it otherwise; first match.
  const LapNote* FindLapNote(int32_t start, int32_t end) const;
  bool AnyChanged() const;
};

// Result codes of parsing a header's bytes.
// 0, kErrUnsupportedVersion (-3) or kErrMalformedFile (-5). `full` reads
// the lap notes; list-only marks the header save-not-allowed. Versions 1-5
// take the creation time from header.base_name (set it first).
int32_t ParseSessionHeader(std::string_view bytes, bool full, SessionHeader& header);
// The version 7 bytes. Raises kErrStringTooLong (-4) for texts above
// 65535 bytes of UTF-8.
ByteString SerializeSessionHeader(const SessionHeader& header);

// Loads header.base_name on header.root. False when the file cannot be
// opened; otherwise true with *error set to the parse result.
bool LoadSessionHeader(SessionHeader& header, bool full, int32_t* error);
// Writes when something changed and saving is allowed, then clears the
// changed flags; true when written. Raises -8 / -4 on failure.
bool SaveSessionHeader(SessionHeader& header);

bool SessionHeaderExists(std::u16string_view base_name, const std::string& root);
// Deletes the header, the sample file and the NMEA log; the result is
// that of the last deletion.
bool DeleteSession(std::u16string_view base_name, const std::string& root);

// A new session on `root`: base name from the local time, made unique;
// created = now (UTC). Nothing is written yet.
SessionHeader NewSession(const std::string& root);

// Every "-session.bin" on every medium, loaded list-only, in scan order.
// Headers that cannot be read are skipped.
std::vector<SessionHeader> ListSessions(const StorageList& storage);

// Every file named like a session header on every medium: what loaded, and
// what could not (error: the read error, -8 when it cannot be opened), and
// entries that are no regular file at all (a FIFO, a folder), left unread
// because opening one could block.
struct SessionListing {
  SessionHeader header;  // base name and root always set
  int32_t error = 0;
  bool regular = true;
};
std::vector<SessionListing> ListSessionFiles(const StorageList& storage);

}  // namespace kv
