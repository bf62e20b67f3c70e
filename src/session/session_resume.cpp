#include "session/session_resume.h"

#include "storage/sample_file_format.h"

namespace kv {

ResumeCheck CheckResume(const SessionHeader& header, bool obd_enabled, int32_t sample_version,
                        SampleLoadState sample_state) {
  if (!header.resumable || (header.obd != 0) != obd_enabled) return ResumeCheck::kNotResumable;
  if (sample_version != static_cast<int32_t>(sample_file::kVersion)) return ResumeCheck::kFormatTooOld;
  if (sample_state != SampleLoadState::kComplete) return ResumeCheck::kIncomplete;
  return ResumeCheck::kResumable;
}

StringId ResumeRefusalMessage(ResumeCheck check) {
  switch (check) {
    case ResumeCheck::kNotResumable:
      return kStrCannotResumeSession;
    case ResumeCheck::kFormatTooOld:
      return kStrSessionFormatTooOld;
    case ResumeCheck::kIncomplete:
      return kStrSessionFileCorrupt;
    case ResumeCheck::kResumable:
      break;
  }
  return kStrCannotResumeSession;
}

}  // namespace kv
