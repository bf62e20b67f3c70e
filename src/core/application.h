// Application: start-up, the one main loop and shut-down.
//
// Everything that touches sessions, timing, files and the screen runs on the
// thread that calls Run(). Other threads only move bytes and wake this one
// through a WaitableObject. The loop blocks in one wait on: its end event,
// the close request, window input (when there is any) and the event of every
// registered waitable object; it never polls.
//
// Modal views run the same loop nested (RunLoop with their own end event),
// so data sources keep being serviced while a message box is open.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/app_host.h"
#include "core/core_services.h"
#include "core/growable_array.h"
#include "core/input_source.h"
#include "core/waitable_object.h"
#include "platform/event.h"
#include "platform/single_instance.h"

namespace kv {

class Application final : public AppHost {
 public:
  using ServicesFactory = std::function<std::unique_ptr<CoreServices>(AppHost&)>;

  enum class StartResult { kStarted, kAnotherRunning, kFailed };
  enum class LoopEnd { kEnded, kQuit };

  struct Options {
    // Guard against a second instance (programs that drive data sources).
    bool single_instance = true;
    // Where the instance lock lives; empty: the user's runtime folder.
    std::string runtime_folder;
  };

  Application();
  ~Application() override;  // shuts down if Close() never ran

  // Takes the single-instance guard, then creates the services. A second
  // instance asks the first to come forward and returns kAnotherRunning.
  StartResult Initialise(const ServicesFactory& make_services, const Options& options);

  // The outermost loop, on the quit event. Returns the exit status given to
  // Close(), or 0 when the quit event ended it.
  int32_t Run();

  // One loop level; returns kEnded when `end` was set, kQuit after a close
  // request was carried out (outermost level only: a close inside a nested
  // loop shuts down and ends the process).
  LoopEnd RunLoop(platform::Event& end);

  // Asks the loop to shut down: settings written, services destroyed (their
  // threads joined within 15 s each), loop left. Main thread.
  void Close(int32_t exit_code = 0);
  // Setting this from any thread or a signal handler is a Close(0).
  platform::Event& CloseRequest() { return close_request_; }
  platform::Event& QuitEvent() { return quit_event_; }

  void SetInput(InputSource* input);
  CoreServices* Services() { return services_.get(); }

  // AppHost
  int32_t GetProcessId() const override;
  void RegisterWaitable(WaitableObject* object) override;
  void UnregisterWaitable(WaitableObject* object) override;

  // What ends the process when a nested loop receives a close; tests
  // replace it to observe the shut-down instead of exiting.
  void SetExitHook(std::function<void(int32_t)> hook) { exit_hook_ = std::move(hook); }

 private:
  class RaiseRequest;

  void Shutdown();
  void Guarded(const std::function<void()>& work);

  platform::Event quit_event_;
  platform::Event close_request_;
  std::atomic<int32_t> exit_code_{0};
  GrowableArray<WaitableObject*> waitables_{8};  // registration order
  uint64_t generation_ = 0;  // bumped on every (un)registration
  InputSource* input_ = nullptr;
  int32_t depth_ = 0;
  bool shut_down_ = false;
  std::function<void(int32_t)> exit_hook_;
  std::unique_ptr<platform::SingleInstance> instance_;
  std::unique_ptr<RaiseRequest> raise_request_;
  std::unique_ptr<CoreServices> services_;
};

}  // namespace kv
