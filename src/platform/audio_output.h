// AudioOutput: the sound device the spoken lap times go to. Sound is mono,
// signed 16-bit samples at kClipRateHz. Queue appends and returns at once;
// a thread of the output plays what is queued, so the main loop never
// waits for sound. Tests give a fake in its place.
//
// SdlAudioOutput plays through SDL's audio (the same SDL as the window);
// SDL converts to whatever rate and format the device takes. Main thread
// only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kv::platform {

constexpr int32_t kClipRateHz = 22050;

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // Appends `count` samples after what is still to play; false when the
  // device took nothing (out of memory, or the device went away).
  virtual bool Queue(const int16_t* samples, size_t count) = 0;
  // Drops everything not yet played, at once; returns how many samples
  // were dropped, counted from the one that would have played next.
  virtual size_t Clear() = 0;
  // Samples still to play. The device's own buffer (some 23 ms) is not
  // counted: it still sounds for that long after this reaches 0.
  virtual size_t QueuedSamples() const = 0;
};

class SdlAudioOutput final : public AudioOutput {
 public:
  // Opens the default output device; nullptr with the reason in `error`
  // when there is none. SDL's "dummy" and "disk" drivers, which it falls
  // back on without sound hardware, count as none unless SDL_AUDIODRIVER
  // names them.
  static std::unique_ptr<SdlAudioOutput> Open(std::string* error);
  ~SdlAudioOutput() override;
  SdlAudioOutput(const SdlAudioOutput&) = delete;
  SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

  bool Queue(const int16_t* samples, size_t count) override;
  size_t Clear() override;
  size_t QueuedSamples() const override;

 private:
  explicit SdlAudioOutput(uint32_t device) : device_(device) {}
  uint32_t device_;
};

}  // namespace kv::platform
