#include "app/live_voice.h"

#include <sstream>

#include "audio/play_clips.h"

namespace kv::app {

LiveVoice::LiveVoice(ViewManager& inner, audio::VoiceMode mode, audio::ClipLibrary library,
                     std::ostream& err)
    : inner_(inner),
      library_(std::move(library)),
      err_(err),
      announcer_(mode, [this](const std::vector<std::string>& names) {
        // Missing clips are named at the first announcement, not at every lap.
        std::ostringstream missing;
        player_->Play(audio::LoadClips(names, library_, missing));
        if (!told_missing_) err_ << missing.str();
        told_missing_ = true;
      }) {
  std::unique_ptr<platform::SdlAudioOutput> output;
  if (mode != audio::VoiceMode::kOff) {
    std::string reason;
    output = platform::SdlAudioOutput::Open(&reason);
    if (!output) err_ << audio::NoSoundDeviceWarning(reason) << '\n';
  }
  player_ = std::make_unique<audio::ClipPlayer>(std::move(output));
}

void LiveVoice::SetSession(const SessionRecorder* session) {
  session_ = session;
  if (session != nullptr) announcer_.Start(session->Data().Laps());
}

void LiveVoice::RefreshLive(bool full) {
  inner_.RefreshLive(full);
  if (session_ != nullptr && player_->HasOutput()) announcer_.Update(session_->Data().Laps());
}

}  // namespace kv::app
