#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tarvel {

// A piece of work handed from one thread to another.
using TTask = std::function<void()>;
// Receives the message of an error that a task let through; called on the main thread.
using TErrorProc = std::function<void(const std::u16string& AMessage)>;
// Asks the main thread to call RunPending soon; true when the request went out. Called
// with the queue's lock held, so it must neither block nor call back into the queue.
using TWakeProc = std::function<bool()>;

// The message of the exception being handled: an EError's message, a std::exception's
// what(), or "Unknown error" for anything else. Call it only inside a catch block.
std::u16string CurrentErrorMessage();

// Runs ATask; what escapes it is passed to AOnError instead, and an AOnError that fails
// in turn is ignored, so nothing leaves this call. True when the task ended normally.
bool RunGuarded(const TTask& ATask, const TErrorProc& AOnError) noexcept;

// The hand-over from any thread to the main thread: the thread that creates the queue is
// its owner (the main thread) and the only one that runs its tasks, in the order they
// were queued. The platform supplies the wake-up that makes the owner call RunPending.
//
// Shutdown is final: queued tasks are freed without running, waiting senders are released
// with "dropped", and every later Post or Send is refused.
class TTaskQueue {
public:
  TTaskQueue(TWakeProc AWake, TErrorProc AOnError);
  TTaskQueue(const TTaskQueue&) = delete;
  TTaskQueue& operator=(const TTaskQueue&) = delete;
  ~TTaskQueue();

  // Queues ATask for the owner and returns at once; false (the task freed unrun) after
  // Shutdown. Any thread.
  bool Post(TTask ATask);
  // Runs ATask on the owner and waits for it: true once it has run (even if it failed:
  // its error went to the error procedure), false when it was refused or dropped by
  // Shutdown. On the owner thread it runs at once, ahead of queued tasks, because
  // waiting there could never end. Any thread.
  bool Send(TTask ATask);
  // Frees what is queued without running it, releases waiting senders and refuses
  // everything from now on. Any thread; a second call does nothing.
  void Shutdown() noexcept;
  // Runs the queued tasks, each guarded, until none is left, including those queued
  // meanwhile; returns how many ran. Owner thread only; a task may call it again (a
  // nested message loop does).
  std::size_t RunPending() noexcept;

  bool IsShutDown() const;
  std::size_t PendingCount() const;
  // How many Sends from other threads wait to be released: their tasks queued, running,
  // or dropped by Shutdown and not yet released.
  std::size_t WaitingSenders() const;
  bool IsOwnerThread() const noexcept { return std::this_thread::get_id() == FOwner; }

private:
  // Lives on the stack of the thread blocked in Send; guarded by FMutex.
  struct TSendState {
    bool Done = false;
    bool Ran = false;
  };
  struct TEntry {
    TTask Task;
    TSendState* Sender = nullptr;
  };

  void Enqueue(TEntry AEntry);
  void RequestWake();

  const std::thread::id FOwner;
  TWakeProc FWake;
  TErrorProc FOnError;
  mutable std::mutex FMutex;
  std::condition_variable FSendDone;
  std::deque<TEntry> FEntries;
  // A wake-up has been requested and the owner has not yet taken it.
  bool FWakePending = false;
  std::size_t FWaitingSenders = 0;
  bool FShutDown = false;
};

// The body of a background thread: runs ATask, then frees it; what escapes the task is
// handed to AQueue, whose owner reports it as it reports a failing task (after Shutdown
// the report is dropped).
void RunBackgroundTask(TTask& ATask, TTaskQueue& AQueue) noexcept;

} // namespace tarvel
