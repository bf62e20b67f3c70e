#include "storage/session_header.h"

#include "platform/file_io.h"
#include "storage/binary_strings.h"
#include "storage/data_file.h"
#include "storage/directory_scan.h"
#include "storage/local_time.h"
#include "storage/record_reader.h"
#include "storage/storage_list.h"
#include "storage/storage_paths.h"
#include "util/errors.h"
#include "util/little_endian.h"

namespace kv {

namespace {

constexpr int32_t kHeaderBuffer = 10240;
// Key, flag, an empty text and the three reserved words.
constexpr int64_t kSmallestLapNote = 4 + 2 + 2 + 12;

// "YYYYMMDD-HHMM..." -> local time; unknown unless all five are digits.
DateTimeValue TimeFromBaseName(std::u16string_view name) {
  if (name.size() < 13) return {};
  const auto number = [&](size_t start, size_t count, int32_t* out) {
    int32_t value = 0;
    for (size_t i = start; i < start + count; ++i) {
      if (name[i] < u'0' || name[i] > u'9') return false;
      value = value * 10 + (name[i] - u'0');
    }
    *out = value;
    return true;
  };
  int32_t year, month, day, hour, minute;
  if (!number(0, 4, &year) || !number(4, 2, &month) || !number(6, 2, &day) || !number(9, 2, &hour) ||
      !number(11, 2, &minute))
    return {};
  DateTimeValue local;
  local.day = DateTimeValue::MakeDay(year, month, day);
  local.time = DateTimeValue::MakeTime(hour, minute, 0, 0);
  return local;
}

void PutText(ByteString& out, const WideString& text) {
  if (!AppendUtf8String(out, text)) ThrowCode(kErrStringTooLong);
}

DateTimeValue ReadStamp(RecordReader& r) {
  DateTimeValue value;
  value.time = r.Read32();
  value.day = r.Read32();
  if (!value.IsKnown()) value.SetUnknown();
  return value;
}

}  // namespace

void SessionHeader::SetLapNote(int32_t key, int32_t flag, std::u16string_view text) {
  const bool empty = flag == 0 && text.empty();
  for (size_t i = 0; i < lap_notes.size(); ++i) {
    if (lap_notes[i].key != key) continue;
    if (empty) {
      lap_notes.erase(lap_notes.begin() + static_cast<std::ptrdiff_t>(i));
      changed = true;
    } else {
      lap_notes[i].flag = flag;
      lap_notes[i].text = text;
      lap_notes[i].changed = true;
    }
    return;
  }
  if (empty) return;
  LapNote note;
  note.key = key;
  note.flag = flag;
  note.text = text;
  note.changed = true;
  lap_notes.push_back(std::move(note));
}

const LapNote* SessionHeader::FindLapNote(int32_t start, int32_t end) const {
  const bool long_lap = static_cast<int64_t>(end) - start >= 2;
  const int64_t low = long_lap ? static_cast<int64_t>(start) + 1 : start;
  const int64_t high = long_lap ? static_cast<int64_t>(end) - 1 : end;
  for (const LapNote& note : lap_notes)
    if (note.key >= low && note.key <= high) return &note;
  return nullptr;
}

bool SessionHeader::AnyChanged() const {
  if (changed) return true;
  for (const LapNote& note : lap_notes)
    if (note.changed) return true;
  return false;
}

int32_t ParseSessionHeader(std::string_view bytes, bool full, SessionHeader& h) {
  RecordReader r;
  r.OpenBytes(bytes);
  const uint32_t version = r.ReadU32();
  if (!r.Ok()) return r.Error();
  if (version < 1 || version > kSessionHeaderVersion) return kErrUnsupportedVersion;
  h.version_read = static_cast<int32_t>(version);
  h.save_allowed = full;
  h.changed = false;
  h.lap_notes.clear();
  h.save_nmea = r.Read16();
  if (version <= 5) {
    h.track = r.ReadPackedString();
    h.title = r.ReadPackedString();
    if (version >= 2) h.driver = r.ReadPackedString();
    if (version >= 3) {
      h.type = r.ReadU32();
      h.test = r.ReadPackedString();
    }
    if (version >= 4) h.resumable = r.Read16();
    if (version >= 5) {
      h.obd = r.Read16();
      h.use_obd_speed = r.Read16();
    }
    h.created = LocalToUtc(TimeFromBaseName(h.base_name));
    h.second_stamp = h.created;
    return r.Error();
  }
  h.track = r.ReadUtf8String();
  h.title = r.ReadUtf8String();
  h.driver = r.ReadUtf8String();
  h.type = r.ReadU32();
  h.test = r.ReadUtf8String();
  h.resumable = r.Read16();
  h.obd = r.Read16();
  h.use_obd_speed = r.Read16();
  h.created = ReadStamp(r);
  h.second_stamp = ReadStamp(r);
  r.Read16();
  h.notes = r.ReadUtf8String();
  for (int i = 0; i < 3; ++i) r.Read32();
  if (!r.Ok()) return r.Error();
  if (version == 6) {
    h.created = LocalToUtc(h.created);
    h.second_stamp = LocalToUtc(h.second_stamp);
  }
  if (!full) return 0;
  const uint32_t count = r.ReadU32();
  if (!r.Ok()) return r.Error();
  if (static_cast<int64_t>(count) * kSmallestLapNote > r.Remaining()) return kErrMalformedFile;
  h.lap_notes.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    LapNote note;
    note.key = r.Read32();
    note.flag = r.Read16();
    note.text = r.ReadUtf8String();
    for (int j = 0; j < 3; ++j) r.Read32();
    if (!r.Ok()) return r.Error();
    h.lap_notes.push_back(std::move(note));
  }
  return 0;
}

ByteString SerializeSessionHeader(const SessionHeader& h) {
  ByteString out;
  le::Append32(out, kSessionHeaderVersion);
  le::Append16(out, h.save_nmea);
  PutText(out, h.track);
  PutText(out, h.title);
  PutText(out, h.driver);
  le::Append32(out, h.type);
  PutText(out, h.test);
  le::Append16(out, h.resumable);
  le::Append16(out, h.obd);
  le::Append16(out, h.use_obd_speed);
  le::Append32(out, static_cast<uint32_t>(h.created.time));
  le::Append32(out, static_cast<uint32_t>(h.created.day));
  le::Append32(out, static_cast<uint32_t>(h.second_stamp.time));
  le::Append32(out, static_cast<uint32_t>(h.second_stamp.day));
  le::Append16(out, 0);
  PutText(out, h.notes);
  for (int i = 0; i < 3; ++i) le::Append32(out, 0);
  le::Append32(out, static_cast<uint32_t>(h.lap_notes.size()));
  for (const LapNote& note : h.lap_notes) {
    le::Append32(out, static_cast<uint32_t>(note.key));
    le::Append16(out, note.flag);
    PutText(out, note.text);
    for (int i = 0; i < 3; ++i) le::Append32(out, 0);
  }
  return out;
}

bool LoadSessionHeader(SessionHeader& header, bool full, int32_t* error) {
  RecordReader reader;
  if (!reader.Open(BuildPath(header.base_name, header.root, FileKind::kSessionHeader))) return false;
  *error = ParseSessionHeader(reader.Data(), full, header);
  return true;
}

bool SaveSessionHeader(SessionHeader& header) {
  if (!header.save_allowed || !header.AnyChanged()) return false;
  const ByteString bytes = SerializeSessionHeader(header);
  DataFile file(BuildPath(header.base_name, header.root, FileKind::kSessionHeader));
  file.CreateReplacing(kHeaderBuffer);
  file.WriteBytes(bytes.AsView());
  if (!file.Close()) ThrowCode(kErrCannotOpen, file.Error());
  header.changed = false;
  for (LapNote& note : header.lap_notes) note.changed = false;
  return true;
}

bool SessionHeaderExists(std::u16string_view base_name, const std::string& root) {
  return platform::FileExists(BuildPath(base_name, root, FileKind::kSessionHeader));
}

bool DeleteSession(std::u16string_view base_name, const std::string& root) {
  platform::DeleteFile(BuildPath(base_name, root, FileKind::kSessionHeader));
  platform::DeleteFile(BuildPath(base_name, root, FileKind::kSampleFile));
  return platform::DeleteFile(BuildPath(base_name, root, FileKind::kNmeaLog));
}

SessionHeader NewSession(const std::string& root) {
  SessionHeader header;
  header.root = root;
  header.base_name = UniqueSessionBaseName(root, NowLocal());
  header.created = NowUtc();
  header.changed = true;
  return header;
}

std::vector<SessionListing> ListSessionFiles(const StorageList& storage) {
  std::vector<SessionListing> found;
  for (int32_t i = 0; i < storage.Count(); ++i) {
    DirectoryScan scan;
    scan.Open(storage.At(i).root, FileKind::kSessionHeader);
    WideString name;
    while (scan.Next(name)) {
      SessionListing entry;
      entry.header.base_name = name;
      entry.header.root = storage.At(i).root;
      entry.regular = platform::IsRegularFile(BuildPath(name, entry.header.root, FileKind::kSessionHeader));
      if (entry.regular && !LoadSessionHeader(entry.header, false, &entry.error)) entry.error = kErrCannotOpen;
      found.push_back(std::move(entry));
    }
  }
  return found;
}

std::vector<SessionHeader> ListSessions(const StorageList& storage) {
  std::vector<SessionHeader> sessions;
  for (SessionListing& entry : ListSessionFiles(storage))
    if (entry.regular && entry.error == 0) sessions.push_back(std::move(entry.header));
  return sessions;
}

}  // namespace kv
