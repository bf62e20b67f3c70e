#include "audio/clip_library.h"

#include <utility>

#include "audio/wav_clip.h"
#include "platform/file_io.h"
#include "storage/storage_paths.h"
#include "util/utf_convert.h"

namespace kv::audio {

namespace {

// A clip is a short word; anything much larger is not one of ours and is
// not read into memory.
constexpr int64_t kMaxClipFileBytes = 16 << 20;

std::optional<std::vector<int16_t>> ReadClip(const std::string& path) {
  if (!platform::IsRegularFile(path)) return std::nullopt;
  platform::FileHandle file;
  if (!file.OpenRead(path)) return std::nullopt;
  const int64_t size = file.Size();
  if (size < 0 || size > kMaxClipFileBytes) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  int64_t done = 0;
  while (done < size) {
    const int64_t n = file.Read(bytes.data() + done, size - done);
    if (n <= 0) return std::nullopt;
    done += n;
  }
  std::vector<int16_t> samples;
  if (DecodeWav(bytes, samples) != WavResult::kOk) return std::nullopt;
  return samples;
}

}  // namespace

ClipLibrary::ClipLibrary(std::string user_root, std::string bundled_folder)
    : user_root_(std::move(user_root)), bundled_folder_(std::move(bundled_folder)) {}

std::vector<std::string> ClipLibrary::Candidates(std::string_view name) const {
  std::vector<std::string> paths;
  const WideString wide = FromUtf8(name);
  if (name.empty() || !IsValidName(wide)) return paths;
  if (!user_root_.empty()) paths.push_back(BuildPath(wide, user_root_, FileKind::kVoiceClip));
  if (!bundled_folder_.empty())
    paths.push_back(bundled_folder_ + std::string(name) +
                    std::string(SuffixOf(FileKind::kVoiceClip)));
  return paths;
}

std::optional<std::vector<int16_t>> ClipLibrary::Load(std::string_view name) const {
  for (const std::string& path : Candidates(name))
    if (auto samples = ReadClip(path)) return samples;
  return std::nullopt;
}

}  // namespace kv::audio
