#include "core/win32/Win32Dispatcher.h"

#include <thread>
#include <utility>

#include "core/win32/Check.h"
#include "core/win32/Windowing.h"

namespace tarvel {

namespace {

constexpr const wchar_t* DispatcherClassName = L"TarvelDispatcher";

} // namespace

std::shared_ptr<TWin32Dispatcher> TWin32Dispatcher::Create(HINSTANCE AInstance, TErrorProc AOnError) {
  return std::shared_ptr<TWin32Dispatcher>(new TWin32Dispatcher(AInstance, std::move(AOnError)));
}

TWin32Dispatcher::TWin32Dispatcher(HINSTANCE AInstance, TErrorProc AOnError) {
  RegisterWindowClassOnce(AInstance, DispatcherClassName,
                          ObjectWindowProc<TWin32Dispatcher, &TWin32Dispatcher::HandleMessage>);
  FWindow.Reset(
      CheckWin32(CreateWindowExW(0, DispatcherClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, AInstance, this),
                 "CreateWindowExW"));
  // The wake-up holds the handle, not the dispatcher: it runs on workers, and the queue
  // stops calling it at Shutdown, before the window goes.
  const HWND window = FWindow.Get();
  FQueue = std::make_shared<TTaskQueue>([window] { return PostMessageW(window, WakeMessage, 0, 0) != FALSE; },
                                        std::move(AOnError));
}

TWin32Dispatcher::~TWin32Dispatcher() {
  Shutdown();
}

bool TWin32Dispatcher::Post(TTask ATask) {
  return FQueue->Post(std::move(ATask));
}

bool TWin32Dispatcher::Send(TTask ATask) {
  return FQueue->Send(std::move(ATask));
}

void TWin32Dispatcher::RunInBackground(TTask ATask) {
  std::thread([self = shared_from_this(), task = std::move(ATask)]() mutable {
    RunBackgroundTask(task, *self->FQueue);
  }).detach();
}

void TWin32Dispatcher::Shutdown() {
  FQueue->Shutdown();
  if (FWindow) {
    // Unhooked first: when the last reference goes on a worker (the owner never shut the
    // dispatcher down), the window cannot be destroyed from there and outlives this
    // object until the main thread ends.
    DetachWindowObject(FWindow.Get());
    FWindow.Reset();
  }
}

LRESULT TWin32Dispatcher::HandleMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage != WakeMessage)
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  if (FQueue) {
    // Held here because a task may let go of the dispatcher itself; every task runs
    // guarded, so nothing crosses this procedure.
    const std::shared_ptr<TTaskQueue> queue = FQueue;
    queue->RunPending();
  }
  return 0;
}

} // namespace tarvel
