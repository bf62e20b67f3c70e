// WindowViews: the live timer in a window, for `record`, `resume` and
// `demo`. It is the views of the run (laps and messages still go to the
// terminal as well) and the window's input on the main loop's one wait.
//
// A refresh paints a new frame at once unless one was shown less than
// kMinFrameMs ago: then the view timer shows the newest state when that
// time is up, so a fast replay does not paint thousands of frames and a
// receiver at 20 Hz never waits for its frame. Keys: Escape or q ends the
// session as Close(0), p pauses and continues, Enter and taps toggle the
// mode; the timer's own keys as the timer view says. A message shows as a
// message box over the timer until Enter, Escape or a tap on OK; while it
// is open it takes the keys and taps. The header's clock
// and the backlight are looked at once a second. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/app_services.h"
#include "app/terminal_views.h"
#include "core/application.h"
#include "core/input_source.h"
#include "core/keep_awake.h"
#include "core/view_manager.h"
#include "platform/window.h"
#include "session/session_recorder.h"
#include "ui/live_timer_state.h"
#include "ui/live_timer_view.h"
#include "ui/modal_runner.h"

namespace kv::app {

class WindowViews final : public ViewManager, public InputSource {
 public:
  static constexpr uint32_t kMinFrameMs = 30;
  using StatusSource = std::function<LiveSourceStatus()>;

  WindowViews(std::unique_ptr<platform::Window> window, TerminalViews& terminal, int32_t decimals,
              ui::Backlight backlight, bool predicted_difference);
  ~WindowViews() override;

  // Joins the application, whose loop is then the window's (Escape ends
  // it), and starts keeping the display awake; Detach() before the
  // application goes.
  void Attach(Application& app);
  void Detach();
  void SetSession(SessionRecorder* session);
  void SetStatusSource(StatusSource status) { status_ = std::move(status); }
  // Called when a frame was shown (benchmarks measure fix to frame).
  void SetFrameHook(std::function<void()> hook) { frame_hook_ = std::move(hook); }

  // ViewManager
  void ShowMessage(std::u16string_view text) override;
  void RefreshLive(bool full) override;
  void RefreshStatus() override { RefreshLive(false); }
  void BringToFront() override {}

  // InputSource
  int WaitHandle() const override { return window_->WaitHandle(); }
  void Dispatch() override;

  int32_t FramesShown() const { return frames_; }

 private:
  void Draw();
  void HandleKey(uint32_t key);

  Application* app_ = nullptr;
  std::unique_ptr<platform::Window> window_;
  TerminalViews& terminal_;
  int32_t decimals_;
  ui::Backlight backlight_;
  bool predicted_difference_;  // the setting
  std::unique_ptr<platform::Canvas> canvas_;
  std::unique_ptr<ui::LiveTimerView> view_;
  std::unique_ptr<KeepAwake> keep_awake_;
  ui::ModalRunner modals_;  // messages over the timer; the session goes on under them
  SessionRecorder* session_ = nullptr;
  StatusSource status_;
  uint32_t last_frame_ = 0;
  bool frame_pending_ = false;
  int32_t frames_ = 0;
  std::function<void()> frame_hook_;
};

}  // namespace kv::app
