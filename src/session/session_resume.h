// Whether a loaded session can be recorded on, and what the driver is told
// when it cannot. Main thread.
#pragma once

#include <cstdint>

#include "storage/sample_loader.h"
#include "storage/session_header.h"
#include "util/string_ids.h"

namespace kv {

// In the order they are checked.
enum class ResumeCheck {
  kResumable,
  kNotResumable,  // marked so, or recorded with OBD-II while it is now off, or the other way round
  kFormatTooOld,  // a sample file older than version 3
  kIncomplete,    // a sample file that is not complete (a crash may have cut its last record)
};

ResumeCheck CheckResume(const SessionHeader& header, bool obd_enabled, int32_t sample_version,
                        SampleLoadState sample_state);

// The message of a refusal ("Cannot resume this session!" and its kin).
StringId ResumeRefusalMessage(ResumeCheck check);

}  // namespace kv
