#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "Driver.h"
#include "Process.h"

namespace tarvel::e2e {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t MutexName[] = L"Local\\Tarvel.SingleInstance";
constexpr wchar_t ApplicationWindowClass[] = L"TarvelApplication";

bool InstanceMutexExists() {
  TUniqueHandle m(OpenMutexW(SYNCHRONIZE, FALSE, MutexName));
  return m.Valid();
}

HWND ApplicationWindowOf(DWORD AProcessId) {
  for (HWND w : TopLevelWindowsOf(AProcessId)) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (lstrcmpW(cls, ApplicationWindowClass) == 0)
      return w;
  }
  return nullptr;
}

class SingleInstanceTest : public testing::Test {
protected:
  void StartFirst() {
    StoreSetting(L"DontShowTutorial", 1); // a start without the first-run tutorial
    StoreUpdateUrl(ClosedUpdateUrl);
    FFirst = TProcess::Start(TarvelExePath());
    ASSERT_TRUE(WaitUntil([&] { return ApplicationWindowOf(FFirst.Id()) != nullptr; }, 30s))
        << "tarvel.exe did not come up";
  }
  TProcess FFirst;
};

TEST_F(SingleInstanceTest, StartsHiddenHoldingTheSessionMutex) {
  StartFirst();
  EXPECT_TRUE(InstanceMutexExists());
  EXPECT_TRUE(FFirst.Running());
  for (HWND w : TopLevelWindowsOf(FFirst.Id()))
    EXPECT_FALSE(IsWindowVisible(w)) << "a window of Tarvel is visible after start";
}

TEST_F(SingleInstanceTest, SecondStartExitsAtOnceWithZeroAndLeavesOneProcess) {
  StartFirst();
  const auto started = std::chrono::steady_clock::now();
  TProcess second = TProcess::Start(TarvelExePath());
  // A second start must end at once: it never waits for or signals the first.
  const bool exitedWithinASecond = second.WaitForExit(1000);
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  std::printf("[ info     ] second instance exited after %lld ms\n", static_cast<long long>(elapsed.count()));
  ASSERT_TRUE(exitedWithinASecond) << "the second instance was still running after a second";
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_TRUE(TopLevelWindowsOf(second.Id()).empty());
  EXPECT_TRUE(FFirst.Running());
  EXPECT_EQ(CountProcesses(L"tarvel.exe"), 1);
}

TEST_F(SingleInstanceTest, SessionEndReleasesTheMutexAndExitsWithZero) {
  StartFirst();
  SendMessageW(ApplicationWindowOf(FFirst.Id()), WM_QUERYENDSESSION, 0, 0);
  PostMessageW(ApplicationWindowOf(FFirst.Id()), WM_ENDSESSION, TRUE, 0);
  ASSERT_TRUE(FFirst.WaitForExit(10000));
  EXPECT_EQ(FFirst.ExitCode(), 0u);
  EXPECT_FALSE(InstanceMutexExists());

  // The next start is a first instance again.
  TProcess again = TProcess::Start(TarvelExePath());
  EXPECT_TRUE(WaitUntil([&] { return ApplicationWindowOf(again.Id()) != nullptr; }, 30s));
  EXPECT_TRUE(again.Running());
}

} // namespace
} // namespace tarvel::e2e
