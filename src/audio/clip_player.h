// ClipPlayer: says an announcement, a list of recorded clips played one
// after another, without gaps and without overlap.
//
// Clips arrive already loaded: mono, signed 16-bit at kClipRateHz. An
// empty clip stands for a clip file that was missing and is skipped.
// Playing the whole announcement is one Queue of the clips end to end, so
// nothing waits and no clip has to be started when the one before ends.
//
// A new announcement replaces one still playing, it does not wait behind
// it: the driver wants the lap just finished, and an old time spoken late
// is worse than none. What was cut off fades out over about 5 ms instead
// of stopping mid-wave, which would click.
//
// Without a sound device (a null output) announcements are taken and
// nothing is played; the caller shows NoSoundDeviceWarning once.
// Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio_output.h"

namespace kv::audio {

using Clip = std::vector<int16_t>;

class ClipPlayer {
 public:
  // `output` may be null: no sound device.
  explicit ClipPlayer(std::unique_ptr<platform::AudioOutput> output);

  bool HasOutput() const { return output_ != nullptr; }
  // Starts the clips in order, replacing whatever still plays; returns at
  // once. False when nothing could be queued (no device, or the device
  // refused); an announcement whose clips are all missing only silences
  // the one before and counts as played.
  bool Play(const std::vector<Clip>& clips);
  // Silences what still plays (with the short fade).
  void Stop();
  // True while queued sound is left (the device's last ~23 ms excepted).
  bool Playing() const;

 private:
  // Drops what is still queued and returns a faded copy of its first few
  // milliseconds, to be played before whatever comes next.
  Clip CutShort();

  std::unique_ptr<platform::AudioOutput> output_;
  Clip queued_;  // exactly what the last Queue handed over
};

// The one line shown when no sound device could be opened.
std::string NoSoundDeviceWarning(std::string_view reason);

}  // namespace kv::audio
