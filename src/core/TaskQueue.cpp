#include "core/TaskQueue.h"

#include <exception>
#include <utility>

#include "core/Errors.h"
#include "core/Text.h"

namespace tarvel {

std::u16string CurrentErrorMessage() {
  try {
    throw;
  } catch (const EError& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return FromUtf8(e.what());
  } catch (...) {
    return u"Unknown error";
  }
}

bool RunGuarded(const TTask& ATask, const TErrorProc& AOnError) noexcept {
  try {
    ATask();
    return true;
  } catch (...) {
    try {
      const std::u16string message = CurrentErrorMessage();
      if (AOnError)
        AOnError(message);
    } catch (...) {
      // The report itself failed (no memory for the text, or the error box could not be
      // shown): there is nothing left to tell it with.
    }
    return false;
  }
}

TTaskQueue::TTaskQueue(TWakeProc AWake, TErrorProc AOnError)
    : FOwner(std::this_thread::get_id()), FWake(std::move(AWake)), FOnError(std::move(AOnError)) {}

TTaskQueue::~TTaskQueue() {
  Shutdown();
}

bool TTaskQueue::Post(TTask ATask) {
  std::lock_guard lock(FMutex);
  if (FShutDown)
    return false;
  Enqueue({std::move(ATask), nullptr});
  return true;
}

bool TTaskQueue::Send(TTask ATask) {
  if (IsOwnerThread()) {
    if (IsShutDown())
      return false;
    RunGuarded(ATask, FOnError);
    return true;
  }
  TSendState state;
  std::unique_lock lock(FMutex);
  if (FShutDown)
    return false;
  Enqueue({std::move(ATask), &state});
  ++FWaitingSenders;
  FSendDone.wait(lock, [&state] { return state.Done; });
  return state.Ran;
}

void TTaskQueue::Shutdown() noexcept {
  std::deque<TEntry> dropped;
  {
    std::lock_guard lock(FMutex);
    if (FShutDown)
      return;
    FShutDown = true;
    dropped.swap(FEntries);
  }
  // Freed outside the lock: a task's captures may post or send on their way out (and are
  // refused), which would deadlock under it. Freed before the senders wake, so a sender
  // finds its task gone when Send returns, as it does after a run.
  for (TEntry& entry : dropped)
    entry.Task = nullptr;
  {
    std::lock_guard lock(FMutex);
    for (TEntry& entry : dropped)
      if (entry.Sender) {
        entry.Sender->Done = true;
        --FWaitingSenders;
      }
  }
  FSendDone.notify_all();
}

std::size_t TTaskQueue::RunPending() noexcept {
  std::size_t ran = 0;
  {
    std::lock_guard lock(FMutex);
    FWakePending = false;
  }
  for (;;) {
    TEntry entry;
    {
      std::lock_guard lock(FMutex);
      if (FEntries.empty())
        return ran;
      entry = std::move(FEntries.front());
      FEntries.pop_front();
      // A task may open a modal loop (a message box) that does not return for a long
      // time; with a wake-up outstanding, that loop runs the tasks behind it, as it
      // dispatches every other message.
      if (!FEntries.empty())
        RequestWake();
    }
    RunGuarded(entry.Task, FOnError);
    entry.Task = nullptr;
    ++ran;
    if (entry.Sender) {
      {
        std::lock_guard lock(FMutex);
        entry.Sender->Done = true;
        entry.Sender->Ran = true;
        --FWaitingSenders;
      }
      FSendDone.notify_all();
    }
  }
}

bool TTaskQueue::IsShutDown() const {
  std::lock_guard lock(FMutex);
  return FShutDown;
}

std::size_t TTaskQueue::PendingCount() const {
  std::lock_guard lock(FMutex);
  return FEntries.size();
}

std::size_t TTaskQueue::WaitingSenders() const {
  std::lock_guard lock(FMutex);
  return FWaitingSenders;
}

// Called with FMutex held.
void TTaskQueue::Enqueue(TEntry AEntry) {
  FEntries.push_back(std::move(AEntry));
  RequestWake();
}

// Called with FMutex held. A wake-up that could not be sent is asked for again by the
// next task queued.
void TTaskQueue::RequestWake() {
  if (FWakePending)
    return;
  try {
    FWakePending = !FWake || FWake();
  } catch (...) {
    FWakePending = false;
  }
}

void RunBackgroundTask(TTask& ATask, TTaskQueue& AQueue) noexcept {
  try {
    ATask();
  } catch (...) {
    try {
      AQueue.Post([error = std::current_exception()] { std::rethrow_exception(error); });
    } catch (...) {
      // No memory even for the report.
    }
  }
  // Freed on its own thread, before that thread lets go of what keeps the queue alive.
  ATask = nullptr;
}

} // namespace tarvel
