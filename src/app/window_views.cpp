#include "app/window_views.h"

#include "acquisition/source_status.h"
#include "platform/ticks.h"
#include "storage/local_time.h"
#include "timing/trap.h"
#include "ui/message_box.h"
#include "util/string_ids.h"
#include "util/string_table.h"

namespace kv::app {

namespace {

constexpr uint32_t kEscape = 0x1B;

}  // namespace

WindowViews::WindowViews(std::unique_ptr<platform::Window> window, TerminalViews& terminal,
                         int32_t decimals, ui::Backlight backlight, bool predicted_difference)
    : window_(std::move(window)),
      terminal_(terminal),
      decimals_(decimals),
      backlight_(backlight),
      predicted_difference_(predicted_difference),
      view_(std::make_unique<ui::LiveTimerView>(false, false)) {}

WindowViews::~WindowViews() { Detach(); }

void WindowViews::Attach(Application& app) {
  app_ = &app;
  app.SetInput(this);
  keep_awake_ = std::make_unique<KeepAwake>(app, window_->Power());
  if (backlight_ != ui::Backlight::kAlwaysOff) keep_awake_->On();
}

void WindowViews::Detach() {
  keep_awake_.reset();
  if (app_ != nullptr) app_->SetInput(nullptr);
  app_ = nullptr;
}

void WindowViews::SetSession(SessionRecorder* session) {
  session_ = session;
  terminal_.SetSession(session);
  const uint32_t type = session != nullptr ? session->Data().Header().type : kSessionLapTiming;
  view_ = std::make_unique<ui::LiveTimerView>(type == kSessionDataLogging,
                                              predicted_difference_ && type == kSessionLapTiming);
}

void WindowViews::ShowMessage(std::u16string_view text) {
  terminal_.ShowMessage(text);
  modals_.Show(std::make_unique<ui::MessageBox>(WideString(text)),
               [this](ui::ModalResult) { Draw(); });
  if (keep_awake_) keep_awake_->Event();
  Draw();
}

void WindowViews::RefreshLive(bool full) {
  terminal_.RefreshLive(full);
  if (platform::TickCount() - last_frame_ >= kMinFrameMs) {
    Draw();
  } else if (!frame_pending_) {
    frame_pending_ = true;
    window_->StartViewTimer(
        static_cast<int32_t>(kMinFrameMs - (platform::TickCount() - last_frame_)));
  }
}

void WindowViews::Draw() {
  const int32_t width = window_->Width(), height = window_->Height();
  if (width <= 0 || height <= 0) return;
  if (!canvas_ || canvas_->Width() != width || canvas_->Height() != height)
    canvas_ = std::make_unique<platform::Canvas>(width, height);
  const LiveSourceStatus status = status_ ? status_() : LiveSourceStatus{};
  ui::StatusInputs inputs;
  inputs.recording = session_ != nullptr && !session_->Paused();
  inputs.gps_status = status.gps;
  inputs.obd_status = status.obd;
  inputs.low_storage = terminal_.LowStorage();
  ui::PaintInputs paint;
  paint.decimals = decimals_;
  paint.satellites = status.satellites;
  // The header: the GPS, the recording, the clock.
  paint.header = status.connecting.empty()
                     ? SourceStatusText(status.gps, status.obd, status.satellites)
                     : WideString(status.connecting);
  paint.header.Append(inputs.recording ? u"   REC   " : u"   ");
  paint.header.AppendClockHms(NowLocal().time);
  ui::LiveTimerState state;
  if (session_ != nullptr) {
    const SessionData& data = session_->Data();
    inputs.lap_timing = data.Header().type == kSessionLapTiming;
    inputs.start_line = HasStartLine(data.Traps());
    inputs.finish_line = HasFinishLine(data.Traps());
    state = ui::ComputeLiveTimerState(data.Laps(), inputs, backlight_);
    paint.route = &data.Samples();
    paint.traps = &data.Traps();
  } else {
    state.status = ui::LiveStatusCode(inputs);
  }
  if (state.backlight_event && keep_awake_) keep_awake_->Event();
  view_->Paint(*canvas_, state, paint);
  modals_.Paint(*canvas_);
  window_->Present(*canvas_);
  last_frame_ = platform::TickCount();
  frame_pending_ = false;
  ++frames_;
  // Next look: the clock's next second.
  window_->StartViewTimer(1000 - NowLocal().time % 1000);
  if (frame_hook_) frame_hook_();
}

void WindowViews::HandleKey(uint32_t key) {
  if (modals_.Key(key)) {
    Draw();
    return;
  }
  if (key == kEscape || key == 'q') {
    if (app_ != nullptr) app_->Close(0);
    return;
  }
  if (key == 'p' && session_ != nullptr) {
    if (session_->Paused()) {
      session_->Continue();
    } else {
      session_->Pause();
    }
    terminal_.RefreshLive(true);
    Draw();
    return;
  }
  if (view_->Key(key)) Draw();
}

void WindowViews::Dispatch() {
  bool redraw = false;
  for (const platform::WindowEvent& e : window_->TakeEvents()) {
    using Kind = platform::WindowEvent::Kind;
    switch (e.kind) {
      case Kind::kClose:
        if (app_ != nullptr) app_->Close(0);
        return;
      case Kind::kKey:
        HandleKey(e.key);
        break;
      case Kind::kTap:
        redraw |=
            modals_.Tap(e.x, e.y) || view_->Tap(e.x, e.y, window_->Width(), window_->Height());
        break;
      case Kind::kResized:
      case Kind::kExposed:
      case Kind::kTimer:
        redraw = true;
        break;
    }
  }
  if (redraw) Draw();
}

}  // namespace kv::app
