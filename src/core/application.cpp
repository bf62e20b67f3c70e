#include "core/application.h"

#include <new>
#include <utility>

#include "platform/process.h"
#include "platform/wait_set.h"
#include "util/errors.h"
#include "util/string_table.h"

namespace kv {

// Wakes the main loop when another start of the program asked this one to
// come forward; the listener thread must not touch the views itself.
class Application::RaiseRequest final : public WaitableObject {
 public:
  RaiseRequest(Application& app) : WaitableObject(app), app_(app) {}
  void Signalled() override {
    if (app_.services_) app_.services_->Views().BringToFront();
  }

 private:
  Application& app_;
};

Application::Application() : exit_hook_([](int32_t code) { platform::ExitProcess(code); }) {}

Application::~Application() {
  Shutdown();
  instance_.reset();
}

Application::StartResult Application::Initialise(const ServicesFactory& make_services,
                                                 const Options& options) {
  try {
    if (options.single_instance) {
      raise_request_ = std::make_unique<RaiseRequest>(*this);
      const std::string folder =
          options.runtime_folder.empty() ? platform::RuntimeDirectory() : options.runtime_folder;
      platform::SingleInstance::Outcome outcome;
      RaiseRequest* request = raise_request_.get();
      instance_ = platform::SingleInstance::Acquire(folder, [request] { request->Signal(); }, &outcome);
      if (!instance_) {
        raise_request_.reset();
        return StartResult::kAnotherRunning;
      }
    }
    services_ = make_services(*this);
    return services_ ? StartResult::kStarted : StartResult::kFailed;
  } catch (const CodeException&) {
    return StartResult::kFailed;
  } catch (const std::bad_alloc&) {
    return StartResult::kFailed;
  }
}

int32_t Application::Run() {
  return RunLoop(quit_event_) == LoopEnd::kQuit ? exit_code_.load() : 0;
}

void Application::Close(int32_t exit_code) {
  exit_code_.store(exit_code);
  close_request_.Set();
}

void Application::SetInput(InputSource* input) {
  input_ = input;
  ++generation_;
}

int32_t Application::GetProcessId() const { return platform::ProcessId(); }

void Application::RegisterWaitable(WaitableObject* object) {
  waitables_.Append(object);
  ++generation_;
}

void Application::UnregisterWaitable(WaitableObject* object) {
  for (int32_t i = 0; i < waitables_.Count(); ++i) {
    if (waitables_[i] == object) {
      waitables_.RemoveAt(i);
      ++generation_;
      return;
    }
  }
}

Application::LoopEnd Application::RunLoop(platform::Event& end) {
  struct DepthGuard {
    int32_t& depth;
    explicit DepthGuard(int32_t& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
  } depth_guard(depth_);

  platform::WaitSet wait_set;
  std::vector<WaitableObject*> snapshot;
  uint64_t built_for = generation_ - 1;
  constexpr int32_t kEndSlot = 0, kCloseSlot = 1, kInputSlot = 2, kFirstWaitable = 3;

  for (;;) {
    // The wait array follows the waitable list: an object registered while
    // the loop runs is waited on at once, and one that went away is never
    // touched again.
    if (built_for != generation_) {
      wait_set.Clear();
      wait_set.Add(end.Handle());
      wait_set.Add(close_request_.Handle());
      wait_set.Add(input_ ? input_->WaitHandle() : -1);
      snapshot.assign(waitables_.begin(), waitables_.end());
      for (WaitableObject* object : snapshot) wait_set.Add(object->WakeEvent().Handle());
      built_for = generation_;
    }

    wait_set.Wait(-1);

    if (wait_set.IsReady(kEndSlot) && end.Consume()) return LoopEnd::kEnded;
    if (wait_set.IsReady(kCloseSlot) && close_request_.Consume()) {
      Shutdown();
      if (depth_ > 1) exit_hook_(exit_code_.load());
      return LoopEnd::kQuit;
    }
    if (wait_set.IsReady(kInputSlot) && input_) Guarded([this] { input_->Dispatch(); });
    for (int32_t k = 0; k < static_cast<int32_t>(snapshot.size()); ++k) {
      if (built_for != generation_) break;  // the list changed under us
      if (!wait_set.IsReady(kFirstWaitable + k)) continue;
      WaitableObject* object = snapshot[static_cast<size_t>(k)];
      object->WakeEvent().Consume();
      if (object->TakePending()) Guarded([object] { object->Signalled(); });
    }
  }
}

void Application::Guarded(const std::function<void()>& work) {
  int32_t code = 0;
  try {
    work();
    return;
  } catch (const CodeException& e) {
    code = e.code;
  } catch (const std::bad_alloc&) {
    code = kErrOutOfMemory;
  }
  // Other codes mean the operation that threw was abandoned; the loop goes on.
  if (code == kErrOutOfMemory && services_) {
    try {
      services_->Views().ShowMessage(Load(kStrMemoryFull));
    } catch (...) {
      // Nothing sensible is left to show it with.
    }
  }
}

void Application::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  if (services_) {
    try {
      services_->WriteSettings();
    } catch (const CodeException&) {
      // A full or missing medium must not keep the program from ending.
    }
  }
  services_.reset();
  raise_request_.reset();
}

}  // namespace kv
