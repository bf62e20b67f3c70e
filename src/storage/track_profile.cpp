#include "storage/track_profile.h"

#include <cmath>

#include "storage/binary_strings.h"
#include "storage/data_file.h"
#include "storage/record_reader.h"
#include "storage/storage_paths.h"
#include "storage/track_file_format.h"
#include "util/errors.h"
#include "util/little_endian.h"

namespace kv {

namespace {

double Fixed29ToRad(int32_t fixed) { return fixed == kNotSet ? kNoValue : fixed * kFixed29ToRad; }

// A trap's line is built from these, so values no real track holds (a
// position off the globe, a line wider than a country) would only feed the
// arithmetic with nonsense: such a file is treated as damaged.
constexpr double kMaxWidth = 0.01;  // radians, about 64 km

bool Plausible(IntPoint position, double width) {
  return OnGlobeWhereSet(position) && (!IsSet(width) || std::fabs(width) <= kMaxWidth);
}

}  // namespace

int32_t StoreTrackAngle(double radians) {
  if (!IsSet(radians)) return kNotSet;
  const double scaled = std::round(radians * kRadToAngleValue);
  if (!(scaled > -2147483648.0 && scaled < 2147483647.0)) return kNotSet;
  return static_cast<int32_t>(scaled);
}

double LoadTrackAngle(int32_t stored) { return stored == kNotSet ? kNoValue : stored * kAngleValueToRad; }

int32_t ParseTrackFile(std::string_view bytes, bool full, TrackProfile& profile) {
  RecordReader r;
  r.OpenBytes(bytes);
  profile.traps.Clear();
  profile.traps_loaded = false;
  profile.trap_count = 0;
  profile.load_error = 0;
  const uint32_t version = r.ReadU32();
  if (!r.Ok()) return profile.load_error = r.Error();
  if (version != track_file::kVersion && version != track_file::kLegacyVersion) {
    profile.load_error = kErrUnsupportedVersion;
    return 0;
  }
  const int32_t lock = r.Read16();
  const uint32_t count = r.ReadU32();
  if (!r.Ok()) return r.Error();
  if (static_cast<int64_t>(count) * track_file::kSmallestTrap > r.Remaining()) return kErrMalformedFile;
  profile.lock = lock;
  profile.trap_count = static_cast<int32_t>(count);
  if (!full) return 0;
  for (uint32_t i = 0; i < count; ++i) {
    const WideString name = r.ReadPackedString();
    const uint32_t type = r.ReadU32();
    const int32_t lat = r.Read32();
    const int32_t lon = r.Read32();
    const int32_t bearing = r.Read32();
    const int32_t width = r.Read32();
    const int32_t one_way = r.Read16();
    if (!r.Ok()) {
      profile.traps.Clear();
      return r.Error();
    }
    IntPoint position{lat, lon};
    double bearing_rad = LoadTrackAngle(bearing);
    double width_rad = LoadTrackAngle(width);
    if (version == track_file::kLegacyVersion) {
      position = {lat == kNotSet ? kNotSet : Fixed29ToAngleValue(lat),
                  lon == kNotSet ? kNotSet : Fixed29ToAngleValue(lon)};
      bearing_rad = Fixed29ToRad(bearing);
      width_rad = Fixed29ToRad(width);
    }
    if (!Plausible(position, width_rad) || (IsSet(bearing_rad) && std::fabs(bearing_rad) > 100.0)) {
      profile.traps.Clear();
      return kErrMalformedFile;
    }
    // A type this program does not know is kept as a disabled line.
    const TrapLineType line_type = type <= kTrapSplit ? static_cast<TrapLineType>(type) : kTrapDisabled;
    TrapDefinition trap;
    trap.name = name;
    trap.line_type = line_type;
    trap.position = position;
    trap.bearing = bearing_rad;
    trap.width = width_rad;
    trap.unidirectional = one_way;
    profile.traps.Append(std::move(trap));
  }
  profile.traps_loaded = true;
  return 0;
}

ByteString SerializeTrackFile(const TrackProfile& profile) {
  ByteString out;
  le::Append32(out, track_file::kVersion);
  le::Append16(out, profile.lock);
  le::Append32(out, static_cast<uint32_t>(profile.traps.Count()));
  for (const TrapDefinition& trap : profile.traps) {
    if (!AppendPackedString(out, trap.name)) ThrowCode(kErrStringTooLong);
    le::Append32(out, static_cast<uint32_t>(trap.line_type));
    le::Append32(out, static_cast<uint32_t>(trap.position.lat));
    le::Append32(out, static_cast<uint32_t>(trap.position.lon));
    le::Append32(out, static_cast<uint32_t>(StoreTrackAngle(trap.bearing)));
    le::Append32(out, static_cast<uint32_t>(StoreTrackAngle(trap.width)));
    le::Append16(out, trap.unidirectional);
  }
  return out;
}

std::string TrackPath(const TrackProfile& profile) {
  return BuildPath(profile.name, profile.root, FileKind::kTrackProfile);
}

bool LoadTrack(TrackProfile& profile, bool full, int32_t* error) {
  *error = 0;
  if (profile.name.IsEmpty()) return true;
  RecordReader reader;
  if (!reader.Open(TrackPath(profile))) {
    profile.load_error = kErrCannotOpen;
    return false;
  }
  *error = ParseTrackFile(reader.Data(), full, profile);
  if (*error != 0) profile.load_error = *error;
  return true;
}

bool SaveTrack(TrackProfile& profile) {
  if (profile.load_error == kErrUnsupportedVersion || profile.load_error == kErrMalformedFile)
    ThrowCode(profile.load_error);
  if (profile.name.IsEmpty() || !profile.changed || !profile.traps_loaded) return false;
  const ByteString bytes = SerializeTrackFile(profile);
  DataFile file(TrackPath(profile));
  file.CreateReplacing(track_file::kBuffer);
  file.WriteBytes(bytes.AsView());
  if (!file.Close()) ThrowCode(kErrCannotOpen, file.Error());
  profile.trap_count = profile.traps.Count();
  profile.changed = false;
  return true;
}

std::optional<std::string> ReadTrackBytes(const TrackProfile& profile) {
  RecordReader reader;
  if (!reader.Open(TrackPath(profile))) return std::nullopt;
  return reader.Data();
}

}  // namespace kv
