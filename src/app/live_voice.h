// LiveVoice: the live session's spoken lap times, as a view: every refresh
// goes on to the views it wraps (terminal or window), and a lap finished
// since the last one is announced through the sound device. Without a
// device one line says so once and the session goes on. Main thread only.
#pragma once

#include <memory>
#include <ostream>

#include "audio/announcer.h"
#include "audio/clip_library.h"
#include "audio/clip_player.h"
#include "core/view_manager.h"
#include "session/session_recorder.h"

namespace kv::app {

class LiveVoice final : public ViewManager {
 public:
  // Opens the sound device unless `mode` is off; `inner` outlives this.
  LiveVoice(ViewManager& inner, audio::VoiceMode mode, audio::ClipLibrary library,
            std::ostream& err);

  // The laps the session holds already are not spoken.
  void SetSession(const SessionRecorder* session);
  const audio::Announcer& Announcements() const { return announcer_; }

  void ShowMessage(std::u16string_view text) override { inner_.ShowMessage(text); }
  void RefreshLive(bool full) override;
  void RefreshStatus() override { inner_.RefreshStatus(); }
  void BringToFront() override { inner_.BringToFront(); }

 private:
  ViewManager& inner_;
  audio::ClipLibrary library_;
  std::ostream& err_;
  std::unique_ptr<audio::ClipPlayer> player_;
  audio::Announcer announcer_;
  const SessionRecorder* session_ = nullptr;
  bool told_missing_ = false;
};

}  // namespace kv::app
