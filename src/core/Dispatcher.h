#pragma once

#include "core/TaskQueue.h"

namespace tarvel {

// How work crosses between the main (user-interface) thread and the workers. Every window,
// control and piece of main-window state belongs to the main thread; a worker reaches them
// only through Post and Send.
//
// Any thread may call Post, Send and RunInBackground. Shutdown belongs to the main thread:
// it is called when the main window starts to be destroyed, and from then on nothing
// handed over runs, so a late result can never reach a window that is going away.
class IDispatcher {
public:
  virtual ~IDispatcher() = default;

  // Queues ATask to run later on the main thread, after the tasks queued before it; false
  // when refused (after Shutdown), the task then freed without running.
  virtual bool Post(TTask ATask) = 0;
  // Runs ATask on the main thread and waits until it has run: true when it ran (an error
  // it raised goes to the error report, not to the caller), false when it was dropped,
  // refused after Shutdown or discarded by a Shutdown while the caller waited. On the main
  // thread it runs at once, ahead of the queued tasks. The main thread must never wait
  // for a worker that may Send.
  virtual bool Send(TTask ATask) = 0;
  // Runs ATask on another thread; the task may use this dispatcher for as long as it
  // runs. What escapes the task is handed to the main thread and reported there like a
  // failing task's error (dropped after Shutdown); it never ends the process.
  virtual void RunInBackground(TTask ATask) = 0;
  // Frees the queued tasks without running them, releases every waiting Send with
  // "dropped" and refuses all later Posts and Sends. Background tasks still start; what
  // they hand over is refused.
  virtual void Shutdown() = 0;
};

} // namespace tarvel
