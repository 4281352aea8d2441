#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/Errors.h"
#include "fakes/FakeDispatcher.h"

namespace tarvel {
namespace {

// A capture that tells when the task holding it is freed.
using TToken = std::shared_ptr<int>;

class DispatcherTest : public ::testing::Test {
protected:
  TFakeDispatcher Dispatcher;
  std::vector<int> Ran;

  TTask Record(int AValue) {
    return [this, AValue] { Ran.push_back(AValue); };
  }
};

TEST_F(DispatcherTest, PostedTasksRunInOrderOnlyWhenTheMainThreadRunsThem) {
  EXPECT_TRUE(Dispatcher.Post(Record(1)));
  EXPECT_TRUE(Dispatcher.Post(Record(2)));
  EXPECT_TRUE(Dispatcher.Post(Record(3)));
  EXPECT_TRUE(Ran.empty());

  EXPECT_EQ(Dispatcher.RunPending(), 3u);
  EXPECT_EQ(Ran, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Dispatcher.RunPending(), 0u);
}

TEST_F(DispatcherTest, WakeUpIsAskedForWhenTheQueueGoesFromEmptyToNonEmpty) {
  Dispatcher.Post(Record(1));
  Dispatcher.Post(Record(2));
  EXPECT_EQ(Dispatcher.Wakes, 1);
  Dispatcher.RunPending();
  Dispatcher.Post(Record(3));
  EXPECT_EQ(Dispatcher.Wakes, 2);
}

TEST(TaskQueueTest, WakeUpThatFailedIsAskedForAgainByTheNextTask) {
  int calls = 0;
  TTaskQueue queue([&calls] { return ++calls > 1; }, nullptr);
  queue.Post([] {});
  queue.Post([] {});
  queue.Post([] {});
  EXPECT_EQ(calls, 2);
}

// A task that opens a modal loop (a message box) must not hold up the tasks behind it:
// a wake-up is outstanding while it runs, and the nested loop runs them.
TEST_F(DispatcherTest, TasksBehindOneInANestedLoopRunInThatLoop) {
  int wakesInside = 0;
  Dispatcher.Post([&] {
    Ran.push_back(1);
    wakesInside = Dispatcher.Wakes;
    Dispatcher.RunPending();
    Ran.push_back(3);
  });
  Dispatcher.Post(Record(2));

  Dispatcher.RunPending();
  EXPECT_EQ(wakesInside, 2);
  EXPECT_EQ(Ran, (std::vector<int>{1, 2, 3}));
}

struct TErrorCase {
  const char* Name;
  std::function<void()> Raise;
  std::u16string Message;
};

class TaskErrorTest : public DispatcherTest, public ::testing::WithParamInterface<TErrorCase> {};

TEST_P(TaskErrorTest, ErrorIsReportedAndTheNextTaskStillRuns) {
  Dispatcher.Post(GetParam().Raise);
  Dispatcher.Post(Record(2));
  EXPECT_EQ(Dispatcher.RunPending(), 2u);
  EXPECT_EQ(Dispatcher.Errors, (std::vector<std::u16string>{GetParam().Message}));
  EXPECT_EQ(Ran, (std::vector<int>{2}));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TaskErrorTest,
    ::testing::Values(TErrorCase{"ProgramError", [] { throw EOSError(u"Access is denied.", 5); }, u"Access is denied."},
                      TErrorCase{"StandardError", [] { throw std::runtime_error("bad state"); }, u"bad state"},
                      TErrorCase{"AnythingElse", [] { throw 42; }, u"Unknown error"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(TaskQueueTest, ErrorProcedureThatFailsDoesNotStopTheQueue) {
  bool secondRan = false;
  TTaskQueue queue(nullptr, [](const std::u16string&) { throw std::runtime_error("no error box"); });
  queue.Post([] { throw EError(u"first"); });
  queue.Post([&] { secondRan = true; });
  EXPECT_EQ(queue.RunPending(), 2u);
  EXPECT_TRUE(secondRan);
}

TEST_F(DispatcherTest, SendFromAWorkerWaitsUntilTheMainThreadRanIt) {
  std::atomic<bool> sendReturned = false;
  bool sent = false;
  std::thread::id ranOn;
  bool returnedBeforeRun = true;
  TTimedWorker worker([&] {
    sent = Dispatcher.Send([&] {
      ranOn = std::this_thread::get_id();
      returnedBeforeRun = sendReturned;
    });
    sendReturned = true;
  });
  ASSERT_TRUE(Dispatcher.WaitForPending(1));

  EXPECT_EQ(Dispatcher.RunPending(), 1u);
  ASSERT_TRUE(worker.FinishesWithin());
  EXPECT_TRUE(sent);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_FALSE(returnedBeforeRun);
}

TEST_F(DispatcherTest, SendOnTheMainThreadRunsAtOnceAheadOfTheQueue) {
  Dispatcher.Post(Record(1));
  EXPECT_TRUE(Dispatcher.Send(Record(2)));
  EXPECT_EQ(Ran, (std::vector<int>{2}));
  EXPECT_TRUE(Dispatcher.Send([] { throw EError(u"failed"); })); // it ran: the error goes to the report
  EXPECT_EQ(Dispatcher.Errors, (std::vector<std::u16string>{u"failed"}));
}

TEST_F(DispatcherTest, ShutdownFreesQueuedTasksWithoutRunningThem) {
  const TToken token = std::make_shared<int>();
  Dispatcher.Post([this, token] { Ran.push_back(1); });
  Dispatcher.Post([this, token] { Ran.push_back(2); });
  Dispatcher.Shutdown();
  EXPECT_EQ(token.use_count(), 1);
  EXPECT_EQ(Dispatcher.RunPending(), 0u);
  EXPECT_TRUE(Ran.empty());
}

TEST_F(DispatcherTest, AfterShutdownEveryHandOverIsRefusedAtOnce) {
  Dispatcher.Shutdown();
  const TToken token = std::make_shared<int>();
  EXPECT_FALSE(Dispatcher.Post([this, token] { Ran.push_back(1); }));
  EXPECT_FALSE(Dispatcher.Send([this, token] { Ran.push_back(2); }));
  bool sent = true;
  TTimedWorker worker([&] { sent = Dispatcher.Send([this, token] { Ran.push_back(3); }); });
  ASSERT_TRUE(worker.FinishesWithin());
  EXPECT_FALSE(sent);
  EXPECT_EQ(token.use_count(), 1);
  EXPECT_EQ(Dispatcher.RunPending(), 0u);
  EXPECT_TRUE(Ran.empty());
}

// The task is freed before its sender is released: seen from the sender, as it returns,
// and from the task itself, as it goes.
TEST_F(DispatcherTest, SendWaitingDuringShutdownIsReleasedAsDroppedWithItsTaskFreed) {
  struct TOnFree {
    std::function<void()> Action;
    ~TOnFree() { Action(); }
  };
  std::weak_ptr<TOnFree> watch;
  bool sent = true;
  bool freedWhenReleased = false;
  std::size_t waitingWhenFreed = 0;
  TTimedWorker worker([&] {
    auto probe = std::make_shared<TOnFree>([&] { waitingWhenFreed = Dispatcher.WaitingSenders(); });
    watch = probe;
    sent = Dispatcher.Send([this, probe = std::move(probe)] { Ran.push_back(1); });
    freedWhenReleased = watch.expired();
  });
  ASSERT_TRUE(Dispatcher.WaitForPending(1));
  EXPECT_EQ(Dispatcher.WaitingSenders(), 1u);

  Dispatcher.Shutdown();
  ASSERT_TRUE(worker.FinishesWithin());
  EXPECT_FALSE(sent);
  EXPECT_TRUE(freedWhenReleased);
  EXPECT_EQ(waitingWhenFreed, 1u) << "the sender was released before its task was freed";
  EXPECT_EQ(Dispatcher.WaitingSenders(), 0u);
  EXPECT_TRUE(Ran.empty());
}

// Freeing a task may run code that hands work over again (a capture's destructor); at
// Shutdown that must be refused, not deadlock on the queue's lock.
TEST_F(DispatcherTest, TaskFreedAtShutdownMayHandOverWithoutDeadlock) {
  struct TPostsWhenFreed {
    TFakeDispatcher* Target;
    bool* Accepted;
    ~TPostsWhenFreed() {
      *Accepted = Target->Post([] {});
    }
  };
  bool accepted = true;
  {
    const std::shared_ptr<TPostsWhenFreed> capture(new TPostsWhenFreed{&Dispatcher, &accepted});
    Dispatcher.Post([capture] {});
  }

  TTimedWorker closer([&] { Dispatcher.Shutdown(); });
  ASSERT_TRUE(closer.FinishesWithin());
  EXPECT_FALSE(accepted);
}

TEST_F(DispatcherTest, BackgroundTaskRunsOffTheMainThreadAndItsErrorIsReportedThere) {
  std::thread::id ranOn;
  Dispatcher.RunInBackground([&] {
    ranOn = std::this_thread::get_id();
    throw EError(u"No network");
  });
  Dispatcher.JoinBackground();
  EXPECT_NE(ranOn, std::this_thread::get_id());
  EXPECT_TRUE(Dispatcher.Errors.empty());

  Dispatcher.RunPending();
  EXPECT_EQ(Dispatcher.Errors, (std::vector<std::u16string>{u"No network"}));
}

TEST_F(DispatcherTest, BackgroundErrorAfterShutdownIsDropped) {
  bool ran = false;
  Dispatcher.Shutdown();
  Dispatcher.RunInBackground([&] {
    ran = true;
    throw EError(u"late");
  });
  Dispatcher.JoinBackground();
  EXPECT_TRUE(ran);
  EXPECT_EQ(Dispatcher.RunPending(), 0u);
  EXPECT_TRUE(Dispatcher.Errors.empty());
}

} // namespace
} // namespace tarvel
