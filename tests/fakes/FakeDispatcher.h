#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/Dispatcher.h"

namespace tarvel {

// The program's queue without a message loop: the thread that creates the fake is the
// main thread, and queued tasks run only when the test calls RunPending there. A Send
// from a worker therefore blocks until the test runs the queue (or shuts it down).
// Background tasks run on real threads, joined by JoinBackground and by the destructor,
// which shuts the queue down first so that no worker is left waiting in Send.
class TFakeDispatcher final : public IDispatcher {
public:
  // Messages of the errors that tasks let through, in order.
  std::vector<std::u16string> Errors;
  // How many wake-ups the queue asked for (from whichever thread queued).
  std::atomic<int> Wakes = 0;

  TFakeDispatcher()
      : FQueue(
            [this] {
              ++Wakes;
              return true;
            },
            [this](const std::u16string& AMessage) { Errors.push_back(AMessage); }) {}
  ~TFakeDispatcher() override {
    Shutdown();
    JoinBackground();
  }

  bool Post(TTask ATask) override { return FQueue.Post(std::move(ATask)); }
  bool Send(TTask ATask) override { return FQueue.Send(std::move(ATask)); }
  void RunInBackground(TTask ATask) override {
    FWorkers.emplace_back([this, task = std::move(ATask)]() mutable { RunBackgroundTask(task, FQueue); });
  }
  void Shutdown() override { FQueue.Shutdown(); }

  // Runs what is queued, on the calling (main) thread; returns how many tasks ran.
  std::size_t RunPending() { return FQueue.RunPending(); }
  std::size_t PendingCount() const { return FQueue.PendingCount(); }
  std::size_t WaitingSenders() const { return FQueue.WaitingSenders(); }
  // Waits until at least ACount tasks are queued (a worker's Send or Post has arrived);
  // false after ATimeout, so a worker that never hands over fails the test, not the run.
  bool WaitForPending(std::size_t ACount, std::chrono::milliseconds ATimeout = std::chrono::seconds(10)) const {
    const auto deadline = std::chrono::steady_clock::now() + ATimeout;
    while (FQueue.PendingCount() < ACount) {
      if (std::chrono::steady_clock::now() >= deadline)
        return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  void JoinBackground() {
    for (std::thread& worker : FWorkers)
      if (worker.joinable())
        worker.join();
    FWorkers.clear();
  }

private:
  TTaskQueue FQueue;
  std::vector<std::thread> FWorkers;
};

// A worker thread that a test can wait for with a time-out, so that a hang fails the test
// instead of blocking the run. One still running when it goes is left detached.
class TTimedWorker {
public:
  explicit TTimedWorker(std::function<void()> ABody) {
    std::packaged_task<void()> job(std::move(ABody));
    FFinished = job.get_future();
    FThread = std::thread(std::move(job));
  }
  TTimedWorker(const TTimedWorker&) = delete;
  TTimedWorker& operator=(const TTimedWorker&) = delete;
  ~TTimedWorker() {
    if (FThread.joinable()) {
      if (HasFinished())
        FThread.join();
      else
        FThread.detach();
    }
  }

  bool HasFinished() const { return FFinished.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }
  // True when the worker ended within ATimeout; it is then joined.
  bool FinishesWithin(std::chrono::milliseconds ATimeout = std::chrono::seconds(10)) {
    if (FFinished.wait_for(ATimeout) != std::future_status::ready)
      return false;
    FThread.join();
    return true;
  }

private:
  std::future<void> FFinished;
  std::thread FThread;
};

} // namespace tarvel
