#include "storage/record_frame.h"

#include "storage/sample_file_format.h"

namespace kv {

FrameStatus FrameReader::Next(Frame* frame) {
  if (at_ == length_) return FrameStatus::kEnd;
  if (length_ - at_ < static_cast<size_t>(sample_file::kRecordPrefix)) return FrameStatus::kCut;
  const uint8_t length = bytes_[at_];
  const uint8_t type = bytes_[at_ + 1];
  if (length == 0 || type > sample_file::kMaxRecordType) return FrameStatus::kDamaged;
  if (length_ - at_ - sample_file::kRecordPrefix < length) return FrameStatus::kCut;
  frame->type = type;
  frame->length = length;
  frame->payload = bytes_ + at_ + sample_file::kRecordPrefix;
  at_ += sample_file::kRecordPrefix + length;
  return FrameStatus::kFrame;
}

void WriteFrame(DataFile& file, uint8_t type, const uint8_t* payload, uint8_t length) {
  const uint8_t prefix[sample_file::kRecordPrefix] = {length, type};
  file.WriteBytes(prefix, sample_file::kRecordPrefix);
  file.WriteBytes(payload, length);
}

}  // namespace kv
