#include "core/application.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "util/errors.h"

namespace kv {
namespace {

struct Journal {
  std::vector<std::u16string> messages;
  int raises = 0;
  int settings_written = 0;
  bool services_destroyed = false;
  std::function<void()> on_raise;
};

class FakeViews final : public ViewManager {
 public:
  explicit FakeViews(Journal& journal) : journal_(journal) {}
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

class FakeServices final : public CoreServices {
 public:
  explicit FakeServices(Journal& journal) : journal_(journal), views_(journal) {}
  ~FakeServices() override { journal_.services_destroyed = true; }
  ViewManager& Views() override { return views_; }
  void WriteSettings() override { ++journal_.settings_written; }

 private:
  Journal& journal_;
  FakeViews views_;
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
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("kv-app-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  Application::StartResult Start(Application& app, Journal& journal) {
    Application::Options options;
    options.runtime_folder = folder_.string();
    return app.Initialise([&journal](AppHost&) { return std::make_unique<FakeServices>(journal); },
                          options);
  }

  std::filesystem::path folder_;
};

TEST_F(ApplicationTest, ProducerThreadHandsDataToTheMainThreadWithoutLosingAny) {
  Journal journal;
  Application app;
  ASSERT_EQ(Start(app, journal), Application::StartResult::kStarted);
  std::mutex lock;
  std::vector<int> pending, received;
  constexpr int kItems = 5000;
  Probe probe(app, [&] {
    std::lock_guard guard(lock);
    received.insert(received.end(), pending.begin(), pending.end());
    pending.clear();
    if (static_cast<int>(received.size()) == kItems) app.QuitEvent().Set();
  });
  std::thread producer([&] {
    for (int i = 0; i < kItems; ++i) {
      bool was_empty;
      {
        std::lock_guard guard(lock);
        was_empty = pending.empty();
        pending.push_back(i);
      }
      if (was_empty) probe.Signal();  // wake only on empty -> non-empty
    }
  });
  EXPECT_EQ(app.Run(), 0);
  producer.join();
  ASSERT_EQ(received.size(), static_cast<size_t>(kItems));
  for (int i = 0; i < kItems; ++i) ASSERT_EQ(received[static_cast<size_t>(i)], i);
  EXPECT_LE(probe.calls, kItems);
}

TEST_F(ApplicationTest, NestedLoopKeepsServicingSourcesUntilItsEndEvent) {
  Journal journal;
  Application app;
  ASSERT_EQ(Start(app, journal), Application::StartResult::kStarted);
  platform::Event modal_end;
  std::vector<std::string> order;
  Probe source(app, [&] {
    order.push_back("source");
    if (order.size() == 3) modal_end.Set();  // the modal view closes itself
  });
  Probe screen(app, [&] {
    order.push_back("modal start");
    std::thread([&] {
      source.Signal();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }).join();
    EXPECT_EQ(app.RunLoop(modal_end), Application::LoopEnd::kEnded);
    order.push_back("modal end");
    app.QuitEvent().Set();
  });
  screen.Signal();
  std::thread([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    source.Signal();
  }).detach();
  app.Run();
  ASSERT_GE(order.size(), 4u);
  EXPECT_EQ(order.front(), "modal start");
  EXPECT_EQ(order[1], "source");
  EXPECT_EQ(order.back(), "modal end");
}

TEST_F(ApplicationTest, OutOfMemoryThrownBySignalledShowsMemoryFullOnceAndGoesOn) {
  Journal journal;
  Application app;
  ASSERT_EQ(Start(app, journal), Application::StartResult::kStarted);
  std::atomic<int> round{0};
  Probe probe(app, [&] {
    const int now = ++round;
    if (now == 1) ThrowCode(kErrOutOfMemory);
    if (now == 2) ThrowCode(kErrMalformedFile);  // other codes are dropped silently
    app.QuitEvent().Set();
  });
  std::atomic<bool> done{false};
  std::thread feeder([&] {
    while (!done.load()) {
      probe.Signal();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  app.Run();
  done.store(true);
  feeder.join();
  EXPECT_EQ(round.load(), 3);
  ASSERT_EQ(journal.messages.size(), 1u);
  EXPECT_EQ(journal.messages[0], u"Memory full.");
}

TEST_F(ApplicationTest, CloseWritesSettingsOnceThenDestroysServices) {
  Journal journal;
  {
    Application app;
    ASSERT_EQ(Start(app, journal), Application::StartResult::kStarted);
    Probe probe(app, [&] { app.Close(7); });
    probe.Signal();
    EXPECT_EQ(app.Run(), 7);
    EXPECT_TRUE(journal.services_destroyed);
    EXPECT_EQ(journal.settings_written, 1);
  }
  EXPECT_EQ(journal.settings_written, 1);
}

TEST_F(ApplicationTest, CloseInsideANestedLoopShutsDownAndEndsTheProcess) {
  struct Exited {
    int32_t code;
  };
  Journal journal;
  Application app;
  ASSERT_EQ(Start(app, journal), Application::StartResult::kStarted);
  app.SetExitHook([](int32_t code) { throw Exited{code}; });
  platform::Event modal_end;
  Probe closer(app, [&] { app.Close(3); });
  Probe screen(app, [&] {
    closer.Signal();
    app.RunLoop(modal_end);
    ADD_FAILURE() << "the nested loop must not return after a close";
  });
  screen.Signal();
  try {
    app.Run();
    ADD_FAILURE() << "expected the process to end";
  } catch (const Exited& exited) {
    EXPECT_EQ(exited.code, 3);
  }
  EXPECT_EQ(journal.settings_written, 1);
  EXPECT_TRUE(journal.services_destroyed);
}

TEST_F(ApplicationTest, WaitableRegisteredWhileTheLoopRunsIsServicedAtOnce) {
  Journal journal;
  Application app;
  ASSERT_EQ(Start(app, journal), Application::StartResult::kStarted);
  std::unique_ptr<Probe> late;
  Probe creator(app, [&] {
    late = std::make_unique<Probe>(app, [&] { app.QuitEvent().Set(); });
    late->Signal();
  });
  creator.Signal();
  app.Run();
  ASSERT_TRUE(late);
  EXPECT_EQ(late->calls, 1);
}

TEST_F(ApplicationTest, WaitableDestroyedByAnotherSignalledIsNeverCalled) {
  Journal journal;
  Application app;
  ASSERT_EQ(Start(app, journal), Application::StartResult::kStarted);
  std::unique_ptr<Probe> victim;
  Probe killer(app, [&] {  // registered first, so serviced first
    victim.reset();
    app.QuitEvent().Set();
  });
  victim = std::make_unique<Probe>(app, [] { ADD_FAILURE() << "called after destruction"; });
  killer.Signal();
  victim->Signal();
  app.Run();
  EXPECT_FALSE(victim);
}

TEST_F(ApplicationTest, SecondInstanceAsksTheFirstToComeForward) {
  Journal first_journal, second_journal;
  Application first;
  ASSERT_EQ(Start(first, first_journal), Application::StartResult::kStarted);
  first_journal.on_raise = [&] { first.QuitEvent().Set(); };
  Application second;
  EXPECT_EQ(Start(second, second_journal), Application::StartResult::kAnotherRunning);
  EXPECT_EQ(second.Services(), nullptr);
  // The request reaches the first instance through its own main loop.
  first.Run();
  EXPECT_EQ(first_journal.raises, 1);
}

TEST_F(ApplicationTest, InstanceGuardIsReleasedAtExit) {
  Journal journal;
  {
    Application first;
    ASSERT_EQ(Start(first, journal), Application::StartResult::kStarted);
  }
  Application again;
  EXPECT_EQ(Start(again, journal), Application::StartResult::kStarted);
}

}  // namespace
}  // namespace kv
