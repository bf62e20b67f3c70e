#include "storage/sample_file_repair.h"

#include "platform/file_io.h"
#include "storage/record_frame.h"
#include "storage/record_reader.h"
#include "storage/sample_file_format.h"
#include "util/little_endian.h"

namespace kv {

TailRepair RepairPartialTail(const std::string& path, int64_t* removed_bytes) {
  *removed_bytes = 0;
  RecordReader file;
  if (!file.Open(path)) return TailRepair::kDamaged;
  const std::string& bytes = file.Data();
  if (bytes.size() < static_cast<size_t>(sample_file::kHeaderSize)) return TailRepair::kDamaged;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  if (le::Load32(data) != sample_file::kVersion) return TailRepair::kDamaged;
  FrameReader frames(data + sample_file::kHeaderSize, bytes.size() - sample_file::kHeaderSize);
  Frame frame;
  FrameStatus status;
  while ((status = frames.Next(&frame)) == FrameStatus::kFrame) {
  }
  if (status == FrameStatus::kEnd) return TailRepair::kIntact;
  if (status == FrameStatus::kDamaged) return TailRepair::kDamaged;
  const int64_t keep = sample_file::kHeaderSize + static_cast<int64_t>(frames.Consumed());
  if (!platform::TruncateFile(path, keep)) return TailRepair::kDamaged;
  *removed_bytes = static_cast<int64_t>(bytes.size()) - keep;
  return TailRepair::kTrimmed;
}

}  // namespace kv
