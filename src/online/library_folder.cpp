#include "online/library_folder.h"

#include <utility>

#include "core/lat_lon_text.h"
#include "platform/file_io.h"
#include "storage/data_file.h"
#include "storage/record_reader.h"
#include "storage/track_profile.h"
#include "timing/track_candidate.h"
#include "util/errors.h"
#include "util/utf_convert.h"

namespace kv {

namespace {

constexpr size_t kMaxStemBytes = 40;
constexpr int kMaxNameTries = 10000;
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";
constexpr int32_t kWriteBuffer = 10240;

bool IsControl(char32_t point) {
  return point < 0x20 || (point >= 0x7F && point <= 0x9F) || point == 0x2028 || point == 0x2029;
}

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Whether the index names `file` in the first field of one of its lines.
bool IndexLists(std::string_view index, std::string_view file) {
  for (size_t start = 0; start < index.size();) {
    const size_t end = index.find('\n', start);
    const std::string_view line =
        index.substr(start, end == std::string_view::npos ? end : end - start);
    if (line.substr(0, line.find(';')) == file) return true;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return false;
}

// Writes the whole file through a temporary beside it; false when any step
// failed (the target is then as it was).
bool ReplaceFile(const std::string& path, std::string_view bytes) {
  try {
    DataFile file(path);
    file.CreateReplacing(kWriteBuffer);
    file.WriteBytes(bytes);
    return file.Close();
  } catch (const CodeException&) {
    return false;
  }
}

UploadResult Refused(int status, std::string reason) {
  return UploadResult{status, {}, std::move(reason)};
}

}  // namespace

FileNameCheck CheckRequestedName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return FileNameCheck::kNameMalformed;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) return FileNameCheck::kNameMalformed;
  }
  if (name.front() == '.' || name.back() == '~') return FileNameCheck::kNameHidden;
  return FileNameCheck::kNameServable;
}

std::string IndexText(std::string_view text, bool path_safe) {
  std::string out;
  while (!text.empty()) {
    const DecodedPoint decoded = DecodeUtf8(text);
    const auto length = static_cast<size_t>(decoded.length);
    std::string_view piece = text.substr(0, length);
    const char32_t point = decoded.point;
    if (point == kReplacementCharacter) {
      piece = kReplacementUtf8;
    } else if (IsControl(point)) {
      piece = " ";
    } else if (point == ';') {
      piece = ",";
    } else if (path_safe && (point == '/' || point == '\\')) {
      piece = "-";
    }
    if (out.size() + piece.size() > kMaxIndexTextBytes) break;
    if (!(piece == " " && (out.empty() || out.back() == ' '))) out += piece;
    text.remove_prefix(length);
  }
  return std::string(Trimmed(out));
}

std::string TrackFileStem(std::string_view name) {
  std::string stem;
  for (const char c : name) {
    if (stem.size() >= kMaxStemBytes) break;
    if (IsAsciiAlnum(c)) {
      stem += c;
    } else if (!stem.empty() && stem.back() != '_') {
      stem += '_';
    }
  }
  while (!stem.empty() && stem.back() == '_') stem.pop_back();
  return stem.empty() ? "track" : stem;
}

std::string UndoubleQuotes(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') ++i;
  }
  return out;
}

LibraryFolder::LibraryFolder(std::string folder) : folder_(std::move(folder)) {
  if (folder_.empty() || folder_.back() != '/') folder_ += '/';
}

std::optional<std::string> LibraryFolder::IndexBytes() const {
  const std::string path = folder_ + std::string(kLibraryIndexFile);
  if (!platform::FileExists(path)) return std::string();
  RecordReader reader;
  if (!reader.Open(path)) return std::nullopt;
  return reader.Data();
}

std::optional<std::string> LibraryFolder::FileBytes(std::string_view name) const {
  if (CheckRequestedName(name) != FileNameCheck::kNameServable) return std::nullopt;
  const std::string path = folder_ + std::string(name);
  RecordReader reader;
  if (!platform::IsRegularFile(path) || !reader.Open(path)) return std::nullopt;
  return reader.Data();
}

std::string LibraryFolder::UniqueFileName(const std::string& stem, std::string_view index) const {
  for (int n = 1; n <= kMaxNameTries; ++n) {
    std::string name = stem;
    if (n > 1) name.append("-").append(std::to_string(n));
    name.append("-track.bin");
    if (!IndexLists(index, name) && !platform::FileExists(folder_ + name)) return name;
  }
  return {};
}

UploadResult LibraryFolder::AddUpload(std::string_view track_name, std::string_view email,
                                      std::string_view description, std::string_view bytes) {
  const std::string name = IndexText(track_name, true);
  const std::string text = IndexText(description, false);
  if (name.empty()) return Refused(400, "The track has no name.");
  if (IndexText(email, false).empty()) return Refused(400, "The e-mail address is missing.");
  if (text.empty()) return Refused(400, "The description is missing.");
  if (static_cast<int64_t>(bytes.size()) > kMaxUploadedTrackBytes)
    return Refused(413, "The track file is larger than 64 KiB.");
  TrackProfile profile;
  if (ParseTrackFile(bytes, true, profile) != 0 || profile.load_error != 0 || bytes.empty())
    return Refused(400, "The file is not a track profile.");

  const std::lock_guard hold(upload_lock_);
  std::optional<std::string> index = IndexBytes();
  if (!index) return Refused(500, "The track index cannot be read.");
  const std::string file_name = UniqueFileName(TrackFileStem(name), *index);
  if (file_name.empty() || !ReplaceFile(folder_ + file_name, bytes))
    return Refused(500, "The track could not be stored.");
  // New lines follow the index's own line ends; a last line without one
  // (which readers ignore) gets it first, so the new line stands apart.
  const std::string line_end = index->find("\r\n") != std::string::npos ? "\r\n" : "\n";
  if (!index->empty() && index->back() != '\n') *index += index->back() == '\r' ? "\n" : line_end;
  *index += file_name + ";" + std::string(kUploadGroup) + "/" + name + ";" + text;
  const IntPoint start = StartLineCentre(profile.traps);
  if (start.IsSet() && OnGlobeWhereSet(start)) index->append(1, ';').append(LatLonText(start));
  *index += line_end;
  if (!ReplaceFile(folder_ + std::string(kLibraryIndexFile), *index)) {
    platform::DeleteFile(folder_ + file_name);
    return Refused(500, "The track index could not be written.");
  }
  return UploadResult{200, file_name, {}};
}

}  // namespace kv
