#pragma once

// Checks of windows on the screen that the Windows tests and the end-to-end scenarios share.
#include <windows.h>

#include <gtest/gtest.h>

namespace tarvel::test {

// A window lies whole within the work area of the monitor it is on.
inline ::testing::AssertionResult InWorkArea(HWND AWindow) {
  RECT r{};
  GetWindowRect(AWindow, &r);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(AWindow, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  if (r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "window " << r.left << "," << r.top << " to " << r.right << "," << r.bottom
                                       << " is beyond the work area " << work.left << "," << work.top << " to "
                                       << work.right << "," << work.bottom;
}

} // namespace tarvel::test
