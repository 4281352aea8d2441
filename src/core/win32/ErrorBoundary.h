#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "core/TaskQueue.h"

namespace tarvel {

// What a window procedure, a subclass procedure, a hook or a thread's task lets through is
// never passed on into the system: it goes to the program's error handler, which shows it
// (the application-wide error box), and the program carries on with the next message.
using TErrorHandler = std::function<void(HWND AWindow, const std::u16string& AMessage)>;

// Installed once at start, before any other thread runs; without one, a plain message box.
void SetErrorHandler(TErrorHandler AHandler);
void ReportError(HWND AWindow, const std::u16string& AMessage) noexcept;

// Runs ABody and returns what it returns; whatever it throws is reported for AWindow and
// AFailed is returned instead.
template <class TBody>
auto Guarded(HWND AWindow, TBody&& ABody, decltype(ABody()) AFailed = {}) noexcept -> decltype(ABody()) {
  try {
    return ABody();
  } catch (...) {
    try {
      ReportError(AWindow, CurrentErrorMessage());
    } catch (...) {
      // No memory even for the message: nothing is left to tell it with.
    }
  }
  return AFailed;
}

} // namespace tarvel
