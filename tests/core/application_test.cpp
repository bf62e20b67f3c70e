#include "core/application.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"
#include "util/errors.h"

namespace kv {
namespace {

// What the application did to its services.
struct Journal {
  std::vector<std::u16string> messages;
  int raises = 0;
  int settings_written = 0;
  bool services_destroyed = false;
  std::function<void()> on_raise;
};

class FakeServices final : public CoreServices, ViewManager {
 public:
  explicit FakeServices(Journal& journal) : journal_(journal) {}
  ~FakeServices() override { journal_.services_destroyed = true; }
  ViewManager& Views() override { return *this; }
  void WriteSettings() override { ++journal_.settings_written; }
  void ShowMessage(std::u16string_view text) override { journal_.messages.emplace_back(text); }
  void RefreshLive(bool) override {}
  void RefreshStatus() override {}
  void BringToFront() override {
    ++journal_.raises;
    if (journal_.on_raise) journal_.on_raise();
  }

 private:
  Journal& journal_;
};

// A waitable whose main-thread work is a function the test supplies.
class Probe final : public WaitableObject {
 public:
  Probe(AppHost& host, std::function<void()> work) : WaitableObject(host), work_(std::move(work)) {}
  void Signalled() override {
    ++calls;
    work_();
  }
  int calls = 0;

 private:
  std::function<void()> work_;
};

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Start(app_, journal_), Application::StartResult::kStarted); }

  Application::StartResult Start(Application& app, Journal& journal) {
    Application::Options options;
    options.runtime_folder = folder_.Path();
    return app.Initialise([&journal](AppHost&) { return std::make_unique<FakeServices>(journal); }, options);
  }

  testing::TempFolder folder_;
  Journal journal_;
  Application app_;
};

TEST_F(ApplicationTest, ProducerThreadHandsDataToTheMainThreadWithoutLosingAny) {
  std::mutex lock;
  std::vector<int> pending, received;
  constexpr int kItems = 5000;
  Probe probe(app_, [&] {
    std::lock_guard guard(lock);
    received.insert(received.end(), pending.begin(), pending.end());
    pending.clear();
    if (static_cast<int>(received.size()) == kItems) app_.QuitEvent().Set();
  });
  std::thread producer([&] {
    for (int i = 0; i < kItems; ++i) {
      std::unique_lock guard(lock);
      pending.push_back(i);
      const bool was_empty = pending.size() == 1;
      guard.unlock();
      if (was_empty) probe.Signal();  // wake only on empty -> non-empty
    }
  });
  EXPECT_EQ(app_.Run(), 0);
  producer.join();
  ASSERT_EQ(received.size(), static_cast<size_t>(kItems));
  for (int i = 0; i < kItems; ++i) ASSERT_EQ(received[static_cast<size_t>(i)], i);
}

TEST_F(ApplicationTest, NestedLoopKeepsServicingSourcesUntilItsEndEvent) {
  platform::Event modal_end, first_serviced;
  std::vector<std::string> order;
  Probe source(app_, [&] {
    order.push_back("source");
    first_serviced.Set();
    if (order.size() == 3) modal_end.Set();  // the modal view closes itself
  });
  Probe screen(app_, [&] {
    order.push_back("modal start");
    source.Signal();
    EXPECT_EQ(app_.RunLoop(modal_end), Application::LoopEnd::kEnded);
    order.push_back("modal end");
    app_.QuitEvent().Set();
  });
  screen.Signal();
  std::thread later([&] {  // data from a reader thread while the modal view waits
    first_serviced.Wait(-1);
    source.Signal();
  });
  app_.Run();
  later.join();
  EXPECT_EQ(order, (std::vector<std::string>{"modal start", "source", "source", "modal end"}));
}

// Out of memory in a waitable's work shows "Memory full." once; other codes
// are dropped silently; the loop goes on either way.
TEST_F(ApplicationTest, OutOfMemoryThrownBySignalledShowsMemoryFullOnceAndGoesOn) {
  int round = 0;
  std::unique_ptr<Probe> probe;
  probe = std::make_unique<Probe>(app_, [&] {
    if (++round < 3) probe->Signal();  // comes back after the exception
    if (round == 1) ThrowCode(kErrOutOfMemory);
    if (round == 2) ThrowCode(kErrMalformedFile);
    app_.QuitEvent().Set();
  });
  probe->Signal();
  app_.Run();
  EXPECT_EQ(round, 3);
  EXPECT_EQ(journal_.messages, std::vector<std::u16string>{u"Memory full."});
}

// Settings are written once and the services destroyed before the process ends.
TEST_F(ApplicationTest, CloseInsideANestedLoopShutsDownAndEndsTheProcess) {
  struct Exited {
    int32_t code;
  };
  app_.SetExitHook([](int32_t code) { throw Exited{code}; });
  platform::Event modal_end;
  Probe closer(app_, [&] { app_.Close(3); });
  Probe screen(app_, [&] {
    closer.Signal();
    app_.RunLoop(modal_end);
    ADD_FAILURE() << "the nested loop must not return after a close";
  });
  screen.Signal();
  try {
    app_.Run();
    ADD_FAILURE() << "expected the process to end";
  } catch (const Exited& exited) {
    EXPECT_EQ(exited.code, 3);
  }
  EXPECT_EQ(journal_.settings_written, 1);
  EXPECT_TRUE(journal_.services_destroyed);
}

// Waitables come and go while the loop waits on their events.
TEST_F(ApplicationTest, WaitablesRegisteredOrDestroyedWhileTheLoopRuns) {
  std::unique_ptr<Probe> late, victim;
  Probe creator(app_, [&] {  // registered first, so serviced first
    victim.reset();
    late = std::make_unique<Probe>(app_, [&] { app_.QuitEvent().Set(); });
    late->Signal();
  });
  victim = std::make_unique<Probe>(app_, [] { ADD_FAILURE() << "called after destruction"; });
  creator.Signal();
  victim->Signal();
  app_.Run();
  ASSERT_TRUE(late);
  EXPECT_EQ(late->calls, 1);
}

TEST_F(ApplicationTest, SecondInstanceAsksTheFirstToComeForward) {
  journal_.on_raise = [&] { app_.QuitEvent().Set(); };
  Journal second_journal;
  Application second;
  EXPECT_EQ(Start(second, second_journal), Application::StartResult::kAnotherRunning);
  EXPECT_EQ(second.Services(), nullptr);
  app_.Run();  // the request reaches the first instance through its own loop
  EXPECT_EQ(journal_.raises, 1);
}

}  // namespace
}  // namespace kv
