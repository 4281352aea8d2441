#pragma once

#include <windows.h>

#include <memory>

#include "core/Dispatcher.h"
#include "core/win32/Handles.h"
#include "core/win32/Messages.h"

namespace tarvel {

// The dispatcher of the program: a hidden message-only window of the main thread runs
// the queued tasks when its wake-up message arrives, so they run from the message loop,
// modal loops included, like any other message.
//
// Create it on the main thread, before anything can hand work to it; call Shutdown on
// that thread when the main window starts to be destroyed. It is shared: the thread of a
// background task holds a reference until the task ends, so a task that outlives the main
// window still finds the dispatcher (refusing everything) and the last reference may go
// on that thread.
//
// A background task gets a new detached thread of its own: the workers are few (an update
// check, one text recognition at a time), each frees itself when done, and nothing waits
// for them when the program ends.
class TWin32Dispatcher final : public IDispatcher, public std::enable_shared_from_this<TWin32Dispatcher> {
public:
  // The one message the window handles: "tasks are queued".
  static constexpr UINT WakeMessage = pmDispatch;

  // AOnError shows what a task let through (the application-wide error box); it runs on
  // the main thread. Raises EOSError when the window cannot be created.
  static std::shared_ptr<TWin32Dispatcher> Create(HINSTANCE AInstance, TErrorProc AOnError);
  ~TWin32Dispatcher() override;

  bool Post(TTask ATask) override;
  bool Send(TTask ATask) override;
  // Raises std::system_error when no thread can be started.
  void RunInBackground(TTask ATask) override;
  // Also destroys the window (main thread only); a second call does nothing.
  void Shutdown() override;

private:
  explicit TWin32Dispatcher(HINSTANCE AInstance, TErrorProc AOnError);
  LRESULT HandleMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);

  TUniqueWindow FWindow;
  std::shared_ptr<TTaskQueue> FQueue;
};

} // namespace tarvel
