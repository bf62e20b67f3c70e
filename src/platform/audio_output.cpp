#include "platform/audio_output.h"

#include <SDL.h>

#include <cstdlib>

namespace kv::platform {

namespace {

// Device buffer in frames: about 23 ms at the clip rate, so a Clear is
// heard at once.
constexpr Uint16 kDeviceFrames = 512;

void EndAudio() {
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  // The last user of SDL also ends its session-bus connection.
  if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

}  // namespace

std::unique_ptr<SdlAudioOutput> SdlAudioOutput::Open(std::string* error) {
  // Our own handlers turn SIGINT and SIGTERM into a clean end.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    *error = SDL_GetError();
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
    return nullptr;
  }
  // The fallbacks play into nothing or into a file in the working folder;
  // they only count when asked for by name.
  const char* current = SDL_GetCurrentAudioDriver();
  const std::string driver = current != nullptr ? current : "";
  const char* asked = std::getenv("SDL_AUDIODRIVER");
  if ((driver == "dummy" || driver == "disk") && (asked == nullptr || driver != asked)) {
    *error = "no sound output was found";
    EndAudio();
    return nullptr;
  }
  // Without a sound card, opening ALSA's default device writes several
  // lines of its own complaints to the terminal; an empty device list
  // answers the same question quietly. (-1 means the driver cannot list.)
  if (SDL_GetNumAudioDevices(0) == 0) {
    *error = driver + " lists no sound output";
    EndAudio();
    return nullptr;
  }
  SDL_AudioSpec wanted{};
  wanted.freq = kClipRateHz;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 1;
  wanted.samples = kDeviceFrames;
  wanted.callback = nullptr;  // fed through SDL_QueueAudio
  SDL_AudioSpec obtained{};
  // No changes allowed: SDL converts to what the device takes.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device == 0) {
    *error = SDL_GetError();
    EndAudio();
    return nullptr;
  }
  // Running from the start: an empty queue plays silence.
  SDL_PauseAudioDevice(device, 0);
  return std::unique_ptr<SdlAudioOutput>(new SdlAudioOutput(device));
}

SdlAudioOutput::~SdlAudioOutput() {
  SDL_CloseAudioDevice(device_);
  EndAudio();
}

bool SdlAudioOutput::Queue(const int16_t* samples, size_t count) {
  // A device that went away (unplugged) would keep the queue for ever.
  if (SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) return false;
  if (count == 0) return true;
  return SDL_QueueAudio(device_, samples, static_cast<Uint32>(count * sizeof(int16_t))) == 0;
}

size_t SdlAudioOutput::Clear() {
  // Counting and dropping under the device's lock, so the audio thread
  // takes nothing in between and the count names exactly what was cut.
  SDL_LockAudioDevice(device_);
  const size_t dropped = QueuedSamples();
  SDL_ClearQueuedAudio(device_);
  SDL_UnlockAudioDevice(device_);
  return dropped;
}

size_t SdlAudioOutput::QueuedSamples() const {
  if (SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) return 0;
  return SDL_GetQueuedAudioSize(device_) / sizeof(int16_t);
}

}  // namespace kv::platform
