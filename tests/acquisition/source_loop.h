// A real main loop for data source tests: an Application whose waitables
// are the sources under test, and a listener that keeps what it is told.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/application.h"
#include "core/data_source_listener.h"
#include "platform/event.h"

namespace kv::test {

class NullServices final : public CoreServices, ViewManager {
 public:
  ViewManager& Views() override { return *this; }
  void WriteSettings() override {}
  void ShowMessage(std::u16string_view) override {}
  void RefreshLive(bool) override {}
  void RefreshStatus() override {}
  void BringToFront() override {}
};

// One callback as the listener received it.
struct SourceEvent {
  bool is_data = false;
  int32_t source_id = 0;
  SourceState state = SourceState::kStopped;  // at a state change
};

class SourceLoop : public DataSourceListener {
 public:
  SourceLoop() {
    Application::Options options;
    options.single_instance = false;
    app_.Initialise([](AppHost&) { return std::make_unique<NullServices>(); }, options);
  }

  AppHost& Host() { return app_; }
  // Runs inside each data callback (e.g. to make the main thread slow).
  void SetOnData(std::function<void(const std::string&)> hook) { on_data_ = std::move(hook); }

  void OnData(std::string_view text, int32_t source_id) override {
    events.push_back({true, source_id, SourceState::kStopped});
    data[source_id] += text;
    if (on_data_) on_data_(std::string(text));
    if (done_ && done_()) end_.Set();
  }
  void OnStateChange(int32_t source_id, SourceState state) override {
    events.push_back({false, source_id, state});
    if (done_ && done_()) end_.Set();
  }

  // Runs the main loop until done() holds after a callback, or timeout_ms
  // passed. Returns done().
  bool RunUntil(std::function<bool()> done, int32_t timeout_ms) {
    done_ = std::move(done);
    if (done_()) return true;
    platform::Event cancel;
    std::thread watchdog([&] {
      if (!cancel.Wait(timeout_ms)) end_.Set();
    });
    app_.RunLoop(end_);
    cancel.Set();
    watchdog.join();
    end_.Consume();
    return std::exchange(done_, nullptr)();
  }

  // The states reported for a source, in order.
  std::vector<SourceState> States(int32_t source_id) const {
    std::vector<SourceState> states;
    for (const SourceEvent& e : events)
      if (!e.is_data && e.source_id == source_id) states.push_back(e.state);
    return states;
  }
  bool Reported(int32_t source_id, SourceState state) const {
    const std::vector<SourceState> states = States(source_id);
    return std::find(states.begin(), states.end(), state) != states.end();
  }

  std::vector<SourceEvent> events;
  std::string data[kSourceCount];

 private:
  Application app_;
  platform::Event end_;
  std::function<bool()> done_;
  std::function<void(const std::string&)> on_data_;
};

}  // namespace kv::test
