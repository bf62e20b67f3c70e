// Announcer: speaks each lap the live session finishes (a finish or
// start/finish crossing closed it): its time with one decimal, and, when
// asked, its difference to the comparison lap with a sign ("plus"/"minus").
// Laps finished before Start (a resumed session's) are not spoken; when
// several laps finished since the last look (a fast replay), only the
// newest is. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "timing/lap_list.h"
#include "util/wide_string.h"

namespace kv::audio {

// Settings field 37.
enum class VoiceMode : uint32_t { kOff = 0, kLapTime = 1, kLapTimeAndDifference = 2 };

class Announcer {
 public:
  // Hands the clip names of an announcement over to be played.
  using Speak = std::function<void(const std::vector<std::string>& names)>;
  Announcer(VoiceMode mode, Speak speak);

  // The laps finished so far are not announced.
  void Start(const LapList& laps);
  // Announces the newest lap finished since the last call, if any.
  void Update(const LapList& laps);
  // The clip list of the last announcement ("1;minute;23;point;5;seconds").
  const WideString& LastClips() const { return last_; }

 private:
  VoiceMode mode_;
  Speak speak_;
  int32_t finished_ = 0;  // laps counted so far
  WideString last_;
};

}  // namespace kv::audio
