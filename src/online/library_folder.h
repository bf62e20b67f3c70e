// LibraryFolder: a folder of shared track profiles as the track library
// publishes it. The folder holds plain files only, so any web server can
// publish it as well:
//   index.txt          one line per track, "FILE;GROUP/NAME;DESCRIPTION"
//                      and, for uploads, ";LAT,LON" of the start line;
//                      ended by LF or CR LF (served as "index.php")
//   FILE               the track profile bytes, a name the index lists
// Uploads add a track file under a new name (never replacing one) and then
// rewrite the index whole through a temporary file, so a reader of the
// folder sees either the old index or the new one, and never an index line
// whose file is missing. Any thread; uploads are serialised inside.
// Only one process may add to a folder at a time.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

inline constexpr std::string_view kLibraryIndexFile = "index.txt";
// Uploads are listed under this group; a curator moves them by editing the
// index.
inline constexpr std::string_view kUploadGroup = "Uploads";
// The largest track file accepted (a track of a few hundred traps takes a
// few KiB).
inline constexpr int64_t kMaxUploadedTrackBytes = 64 * 1024;
// The longest track name and description kept in the index, in bytes.
inline constexpr size_t kMaxIndexTextBytes = 200;

// Why a file name requested from the folder is refused: kNameServable, or
// kNameMalformed for a name that could reach outside the folder (".",
// "..", "/", "\", control bytes including NUL), or kNameHidden for names
// that are never published (starting with "." or ending in "~": the
// temporary files of a rewrite).
enum class FileNameCheck { kNameServable, kNameMalformed, kNameHidden };
FileNameCheck CheckRequestedName(std::string_view name);

// Text for one index field, from a UTF-8 text as a user typed it: one line,
// ill-formed UTF-8 as U+FFFD, control characters as spaces, ";" as ",",
// "/" and "\" as "-" when `path_safe` (a track name becomes a file name on
// the downloading side), trimmed and cut to kMaxIndexTextBytes at a
// character boundary.
std::string IndexText(std::string_view text, bool path_safe);

// The stem of a new track file: the name's ASCII letters and digits, other
// runs of characters as one "_", cut to 40 bytes; "track" when nothing is
// left. Safe in a URL path unchanged.
std::string TrackFileStem(std::string_view name);

// The text of a form value as the track library client sends it: every
// double quote doubled. Undoubles them (a lone quote stays as it is).
std::string UndoubleQuotes(std::string_view text);

struct UploadResult {
  int status = 200;       // HTTP status: 200, 400, 413 or 500
  std::string file_name;  // the new file, when accepted
  std::string reason;     // a line for the uploader when refused
};

class LibraryFolder {
 public:
  // `folder` ends in "/" or not.
  explicit LibraryFolder(std::string folder);

  const std::string& Folder() const { return folder_; }

  // The index bytes as stored (an empty index when there is no file yet);
  // nothing when the file exists but cannot be read.
  std::optional<std::string> IndexBytes() const;
  // The bytes of a requested file when its name may be served and it is a
  // regular file of the folder; nothing otherwise. Call CheckRequestedName
  // first to tell a malformed name from a missing one.
  std::optional<std::string> FileBytes(std::string_view name) const;

  // Checks and adds one uploaded track: `track_name` and `description` are
  // UTF-8 as the uploader typed them, `bytes` the track profile file.
  UploadResult AddUpload(std::string_view track_name, std::string_view email,
                         std::string_view description, std::string_view bytes);

 private:
  std::string UniqueFileName(const std::string& stem, std::string_view index) const;

  std::string folder_;  // ends in "/"
  std::mutex upload_lock_;
};

}  // namespace kv
