#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "core/win32/Win32Dispatcher.h"
#include "fakes/FakeDispatcher.h"

namespace tarvel {
namespace {

constexpr auto HangLimit = std::chrono::seconds(10);

void DispatchWaitingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// The main thread's message loop, until ADone or the hang limit; true when ADone.
bool PumpUntil(const std::function<bool()>& ADone) {
  const auto deadline = std::chrono::steady_clock::now() + HangLimit;
  for (;;) {
    DispatchWaitingMessages();
    if (ADone())
      return true;
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, 5, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

// Polls the main thread's queue without dispatching anything.
bool WaitForWakeMessage() {
  const auto deadline = std::chrono::steady_clock::now() + HangLimit;
  MSG msg;
  while (!PeekMessageW(&msg, nullptr, TWin32Dispatcher::WakeMessage, TWin32Dispatcher::WakeMessage, PM_NOREMOVE)) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    Sleep(1);
  }
  return true;
}

bool DispatcherWindowExists() {
  return FindWindowExW(HWND_MESSAGE, nullptr, L"TarvelDispatcher", nullptr) != nullptr;
}

class Win32DispatcherTest : public ::testing::Test {
protected:
  const DWORD MainThread = GetCurrentThreadId();
  std::vector<std::u16string> Errors;
  std::shared_ptr<TWin32Dispatcher> Dispatcher;

  Win32DispatcherTest() {
    // A wake-up left by an earlier test would look like one of this test's.
    DispatchWaitingMessages();
    Dispatcher = TWin32Dispatcher::Create(GetModuleHandleW(nullptr),
                                          [this](const std::u16string& AMessage) { Errors.push_back(AMessage); });
  }
};

TEST_F(Win32DispatcherTest, TasksPostedBySeveralWorkersRunOnTheMainThreadInOrderPerWorker) {
  constexpr int Workers = 4;
  constexpr int TasksPerWorker = 100;
  struct TRun {
    int Worker;
    int Index;
    DWORD Thread;
  };
  std::vector<TRun> runs;
  std::vector<std::unique_ptr<TTimedWorker>> workers;
  for (int w = 0; w < Workers; ++w)
    workers.push_back(std::make_unique<TTimedWorker>([&, w] {
      for (int i = 0; i < TasksPerWorker; ++i)
        Dispatcher->Post([&runs, w, i] { runs.push_back({w, i, GetCurrentThreadId()}); });
    }));

  ASSERT_TRUE(PumpUntil([&] { return runs.size() == Workers * TasksPerWorker; }));
  std::vector<int> next(Workers, 0);
  for (const TRun& run : runs) {
    EXPECT_EQ(run.Thread, MainThread);
    EXPECT_EQ(run.Index, next[run.Worker]++) << "worker " << run.Worker;
  }
  for (auto& worker : workers)
    EXPECT_TRUE(worker->FinishesWithin());
}

TEST_F(Win32DispatcherTest, SendFromAWorkerReturnsTrueOnceTheMainThreadRanIt) {
  std::atomic<bool> sendReturned = false;
  bool sent = false;
  DWORD ranOn = 0;
  bool returnedBeforeRun = true;
  TTimedWorker worker([&] {
    sent = Dispatcher->Send([&] {
      ranOn = GetCurrentThreadId();
      returnedBeforeRun = sendReturned;
    });
    sendReturned = true;
  });

  ASSERT_TRUE(PumpUntil([&] { return worker.HasFinished(); }));
  ASSERT_TRUE(worker.FinishesWithin());
  EXPECT_TRUE(sent);
  EXPECT_EQ(ranOn, MainThread);
  EXPECT_FALSE(returnedBeforeRun);
}

TEST_F(Win32DispatcherTest, SendOnTheMainThreadRunsAtOnce) {
  DWORD ranOn = 0;
  EXPECT_TRUE(Dispatcher->Send([&] { ranOn = GetCurrentThreadId(); }));
  EXPECT_EQ(ranOn, MainThread);
}

// The main window's destruction shuts the dispatcher down while a worker waits in Send.
TEST_F(Win32DispatcherTest, WorkerSendingWhileTheWindowIsDestroyedIsReleasedAsDropped) {
  std::weak_ptr<int> watch;
  bool ran = false;
  bool sent = true;
  TTimedWorker worker([&] {
    const auto token = std::make_shared<int>();
    watch = token;
    sent = Dispatcher->Send([&ran, token] { ran = true; });
  });
  ASSERT_TRUE(WaitForWakeMessage()); // the task is queued and the worker waits

  Dispatcher->Shutdown();
  ASSERT_TRUE(worker.FinishesWithin());
  EXPECT_FALSE(sent);
  EXPECT_TRUE(watch.expired());
  DispatchWaitingMessages();
  EXPECT_FALSE(ran);
  EXPECT_FALSE(DispatcherWindowExists());
}

TEST_F(Win32DispatcherTest, ReleasingTheDispatcherDropsItsTasksAndDestroysItsWindow) {
  const auto token = std::make_shared<int>();
  bool ran = false;
  Dispatcher->Post([&ran, token] { ran = true; });
  EXPECT_TRUE(DispatcherWindowExists());

  Dispatcher.reset();
  EXPECT_EQ(token.use_count(), 1);
  EXPECT_FALSE(DispatcherWindowExists());
  DispatchWaitingMessages();
  EXPECT_FALSE(ran);
}

TEST_F(Win32DispatcherTest, ErrorsOfTasksReachTheErrorProcedureAndTheNextTaskRuns) {
  bool lastRan = false;
  Dispatcher->Post([] { throw EOSError(u"Access is denied.", ERROR_ACCESS_DENIED); });
  Dispatcher->Post([] { throw std::runtime_error("bad state"); });
  Dispatcher->Post([] { throw 42; });
  Dispatcher->Post([&] { lastRan = true; });

  ASSERT_TRUE(PumpUntil([&] { return lastRan; }));
  EXPECT_EQ(Errors, (std::vector<std::u16string>{u"Access is denied.", u"bad state", u"Unknown error"}));
}

TEST_F(Win32DispatcherTest, BackgroundTaskRunsOffTheMainThreadAndItsErrorIsReportedThere) {
  std::atomic<DWORD> ranOn = 0;
  Dispatcher->RunInBackground([&] {
    ranOn = GetCurrentThreadId();
    throw EError(u"No network");
  });

  ASSERT_TRUE(PumpUntil([&] { return !Errors.empty(); }));
  EXPECT_NE(ranOn.load(), 0u);
  EXPECT_NE(ranOn.load(), MainThread);
  EXPECT_EQ(Errors, (std::vector<std::u16string>{u"No network"}));
}

// A worker still running when the program lets go of the dispatcher finds it refusing
// work, not freed; the last reference then goes on the worker.
TEST_F(Win32DispatcherTest, BackgroundTaskKeepsTheDispatcherAlive) {
  std::promise<void> go;
  std::shared_future<void> started = go.get_future().share();
  std::atomic<int> accepted = -1;
  IDispatcher& dispatcher = *Dispatcher;
  Dispatcher->RunInBackground([&dispatcher, &accepted, started] {
    started.wait();
    accepted = dispatcher.Post([] {}) ? 1 : 0;
  });
  const std::weak_ptr<TWin32Dispatcher> watch = Dispatcher;
  Dispatcher->Shutdown();
  Dispatcher.reset();
  EXPECT_FALSE(watch.expired());

  go.set_value();
  ASSERT_TRUE(PumpUntil([&] { return watch.expired(); }));
  EXPECT_EQ(accepted.load(), 0);
}

} // namespace
} // namespace tarvel
