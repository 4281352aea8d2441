#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "app/win32/Win32ProgramHost.h"
#include "core/win32/Messages.h"
#include "ocr_double/OcrScript.h"

namespace tarvel {
namespace {

// The real main window fills its OCR language list as it is created: the test's runtime
// classes stand in for the system's, with one language, so that no warning box waits.
class ProgramHostTest : public testing::Test {
protected:
  ocr_double::TOcrDoubleRegistration FOcr;
  ocr_double::TOcrScript FLanguages;
};

// The tests run as their own process, so the mutex they take is not the one of a
// running Tarvel (no Tarvel runs inside the test prefix while this tier runs).
TEST_F(ProgramHostTest, SecondAcquireInTheSameSessionIsRefusedUntilTheFirstReleases) {
  TWin32Services services(GetModuleHandleW(nullptr));
  TWin32ProgramHost first(GetModuleHandleW(nullptr), services);
  TWin32ProgramHost second(GetModuleHandleW(nullptr), services);
  ASSERT_TRUE(first.AcquireSingleInstance());
  EXPECT_FALSE(second.AcquireSingleInstance());
  first.ReleaseSingleInstance();
  EXPECT_TRUE(second.AcquireSingleInstance());
  second.ReleaseSingleInstance();
}

// A window gets a taskbar button when it is shown and has no owner (or asks for one with
// WS_EX_APPWINDOW). The application window is never shown, and owns the main window.
TEST_F(ProgramHostTest, NoWindowOfTheProgramCanGetATaskbarButton) {
  TWin32Services services(GetModuleHandleW(nullptr));
  TWin32ProgramHost host(GetModuleHandleW(nullptr), services);
  host.InitializeApplication();
  host.CreateMainWindow();
  host.HideApplicationWindow();
  const HWND application = host.ApplicationWindow();
  ASSERT_NE(application, nullptr);
  ASSERT_NE(host.MainWindow(), nullptr);
  const HWND main = host.MainWindow()->Handle();
  EXPECT_FALSE(IsWindowVisible(application));
  EXPECT_EQ(GetWindow(main, GW_OWNER), application);
  EXPECT_EQ(GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
}

// The update check will wait on the main thread for its log lines and boxes; a user who
// quits meanwhile must not leave it hanging, and nothing it hands over may run any more.
TEST_F(ProgramHostTest, AWorkerWaitingOnTheMainWindowIsReleasedWhenTheWindowGoes) {
  TWin32Services services(GetModuleHandleW(nullptr));
  TWin32ProgramHost host(GetModuleHandleW(nullptr), services);
  host.InitializeApplication();
  host.CreateMainWindow();
  std::atomic<bool> ran = false;
  std::promise<bool> sent;
  std::future<bool> result = sent.get_future();
  std::thread worker([&] { sent.set_value(services.Dispatcher->Send([&] { ran = true; })); });
  // The task is queued once its wake-up message waits in this thread's queue.
  MSG message;
  for (int i = 0; i < 500 && !PeekMessageW(&message, nullptr, pmDispatch, pmDispatch, PM_NOREMOVE); ++i)
    Sleep(10);
  DestroyWindow(host.MainWindow()->Handle());
  if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    worker.detach();
    FAIL() << "the worker still waits after the main window was destroyed";
  }
  worker.join();
  EXPECT_FALSE(result.get()) << "Send did not say the task was dropped";
  EXPECT_FALSE(ran);
  EXPECT_FALSE(services.Dispatcher->Post([] {})) << "new tasks are still taken";
}

TEST_F(ProgramHostTest, SessionEndLeavesTheMessageLoop) {
  TWin32Services services(GetModuleHandleW(nullptr));
  TWin32ProgramHost host(GetModuleHandleW(nullptr), services);
  host.InitializeApplication();
  SendMessageW(host.ApplicationWindow(), WM_CLOSE, 0, 0); // ignored: only a quit ends the loop
  EXPECT_TRUE(IsWindow(host.ApplicationWindow()));
  PostMessageW(host.ApplicationWindow(), WM_ENDSESSION, TRUE, 0);
  host.RunMessageLoop(); // returns only because of the WM_ENDSESSION
  SUCCEED();
}

} // namespace
} // namespace tarvel
