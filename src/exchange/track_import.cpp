#include "exchange/track_import.h"

#include <cmath>
#include <vector>

#include "storage/data_file.h"
#include "timing/geodesy.h"
#include "timing/trap.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/text_parse.h"

namespace kv {

namespace {

constexpr int32_t kImportChunk = 10240;
constexpr double kImportWidthMetres = 50.0;

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// NMEA DDMM.mmmm with its sign: degrees = integer part of |x| / 100,
// minutes = the rest.
AngleValue DsfCoordinate(double x) {
  const double a = std::fabs(x);
  const double degrees = std::trunc(a / 100.0);
  const double minutes = a - degrees * 100.0;
  const double units = degrees * 6000000.0 + std::round(minutes * 100000.0);
  if (!(units < 2147483647.0)) return kNotSet;
  const AngleValue value = static_cast<AngleValue>(units);
  return x < 0 ? -value : value;
}

// Positions off the globe are not a timing line: the data line fails.
bool OnGlobe(IntPoint p) { return p.IsSet() && OnGlobeWhereSet(p); }

// Each data-line parser returns true when the line parsed, and appends a
// trap when the line and its header make one.
bool ParseDsfData(std::string_view line, bool start_finish, TrackProfile& profile) {
  const std::vector<std::string_view> parts = Split(line, ',');
  if (parts.size() < 3) return false;
  ParseResult<double> values[3];
  for (int i = 0; i < 3; ++i) {
    const std::string_view field = Trim(parts[static_cast<size_t>(i)]);
    values[i] = TextToReal(field, u'.');
    if (field.empty()) values[i].ok = false;
  }
  if (!values[0].ok || !values[1].ok || !values[2].ok) return false;
  if (!start_finish) return true;
  const IntPoint position{DsfCoordinate(values[0].value), DsfCoordinate(values[1].value)};
  if (!OnGlobe(position) || !std::isfinite(values[2].value)) return false;
  Trap trap;
  SetTrap(trap, Load(kStrTrapDefaultStartFinish), kTrapStartFinish, position, DegToRad(values[2].value),
          MetresToRad(kImportWidthMetres), true);
  profile.traps.Append(trap);
  return true;
}

bool ParseLapData(std::string_view line, const WideString& name, TrapLineType type, TrackProfile& profile) {
  std::vector<int32_t> values;
  for (const std::string_view part : Split(line, ' ')) {
    if (part.empty()) continue;
    const ParseResult<int32_t> value = TextToInt(part);
    if (!value.ok) return false;
    values.push_back(value.value);
  }
  if (values.size() < 4) return false;
  for (int i = 0; i < 4; ++i)
    if (values[static_cast<size_t>(i)] == 0) return true;  // a missing end: no trap
  if (!OnGlobe({values[0], values[1]}) || !OnGlobe({values[2], values[3]})) return false;
  const Trap trap = TrapFromEnds(name, type, {values[0], values[1]}, {values[2], values[3]},
                                 MetresToRad(kImportWidthMetres), true);
  profile.traps.Append(trap);
  return true;
}

// "[Start Finish \xAC Name]" -> type and name; false when not a header.
bool ParseLapHeader(std::string_view line, WideString* name, TrapLineType* type) {
  if (line.size() < 3 || line.front() != '[' || line.back() != ']') return false;
  const std::string_view inside = line.substr(1, line.size() - 2);
  const std::string_view separator("\x20\xAC\x20", 3);
  const size_t at = inside.find(separator);
  const std::string_view type_text = at == std::string_view::npos ? inside : inside.substr(0, at);
  const std::string_view name_text = at == std::string_view::npos ? inside : inside.substr(at + 3);
  *type = type_text == "Start Finish" ? kTrapStartFinish : type_text == "Finish" ? kTrapFinish : kTrapSplit;
  // The file is 8-bit text: each byte is one character (Latin-1).
  name->Clear();
  for (const char c : name_text) name->AppendUnit(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return true;
}

}  // namespace

bool ImportFormatOf(std::string_view file_name, TrackImportFormat* format) {
  if (file_name.size() < 4) return false;
  std::string suffix(file_name.substr(file_name.size() - 4));
  for (char& c : suffix)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (suffix == ".DSF") *format = TrackImportFormat::kDsf;
  else if (suffix == ".LAP") *format = TrackImportFormat::kLap;
  else return false;
  return true;
}

int32_t ImportTrackText(std::string_view text, TrackImportFormat format, TrackProfile& profile) {
  bool have_header = false;
  bool start_finish = false;
  WideString name;
  TrapLineType type = kTrapSplit;
  for (std::string_view line : Split(text, '\n')) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    if (!have_header) {
      if (format == TrackImportFormat::kDsf) {
        start_finish = line == "[SF]";
      } else if (!ParseLapHeader(line, &name, &type)) {
        continue;  // not a header: wait for one
      }
      have_header = true;
      continue;
    }
    have_header = false;
    const bool parsed = format == TrackImportFormat::kDsf ? ParseDsfData(line, start_finish, profile)
                                                          : ParseLapData(line, name, type, profile);
    if (!parsed) return kImportErrBadData;
  }
  profile.trap_count = profile.traps.Count();
  return 0;
}

int32_t ImportTrackFile(const std::string& path, TrackImportFormat format, TrackProfile& profile) {
  DataFile file(path);
  if (!file.OpenForReading(kImportChunk)) return kImportErrCannotOpen;
  std::string text;
  ByteString chunk;
  while (file.ReadBytes(kImportChunk, chunk)) text.append(chunk.AsView());
  return ImportTrackText(text, format, profile);
}

}  // namespace kv
