// The nine hotkeys against the system's RegisterHotKey under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include "hotkeys/uHotkeys.h"
#include "hotkeys/win32/Win32Hotkeys.h"

namespace tarvel {
namespace {

HWND MakeWindow() {
  return CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

const UINT Keys[] = {'C', VK_OEM_PLUS, 'I', 'X', 'Z', 'Y', 'R', 'F', 'S'};

// Whether a third party could take every one of the nine combinations now.
bool AllNineFree() {
  const HWND probe = MakeWindow();
  bool free = true;
  for (int i = 0; i < 9; ++i) {
    if (RegisterHotKey(probe, 1 + i, MOD_CONTROL | MOD_SHIFT | MOD_NOREPEAT, Keys[i]))
      UnregisterHotKey(probe, 1 + i);
    else
      free = false;
  }
  DestroyWindow(probe);
  return free;
}

class Win32HotkeyTest : public testing::Test {
protected:
  void SetUp() override { FWindow = MakeWindow(); }
  void TearDown() override {
    UnregisterAppHotkeys(FHotkeys);
    DestroyWindow(FWindow);
  }
  HWND FWindow = nullptr;
  TWin32Hotkeys FHotkeys{[this] { return FWindow; }};
};

TEST_F(Win32HotkeyTest, AllNineAreHeldUntilReleased) {
  ASSERT_TRUE(AllNineFree());
  ASSERT_TRUE(RegisterAppHotkeys(FHotkeys, {u'C', u'X', u'R', u'F', u'S'}));
  const HWND other = MakeWindow();
  for (const UINT key : Keys)
    EXPECT_FALSE(RegisterHotKey(other, 7, MOD_CONTROL | MOD_SHIFT | MOD_NOREPEAT, key)) << key;
  DestroyWindow(other);
  UnregisterAppHotkeys(FHotkeys);
  EXPECT_TRUE(AllNineFree());
}

TEST_F(Win32HotkeyTest, AnotherProgramOwningCtrlShiftILeavesNoneActive) {
  const HWND other = MakeWindow();
  ASSERT_TRUE(RegisterHotKey(other, 42, MOD_CONTROL | MOD_SHIFT, 'I'));
  EXPECT_FALSE(RegisterAppHotkeys(FHotkeys, {u'C', u'X', u'R', u'F', u'S'}));
  UnregisterHotKey(other, 42);
  DestroyWindow(other);
  EXPECT_TRUE(AllNineFree()) << "the ids registered before the refusal were not released";
}

} // namespace
} // namespace tarvel
