// Message boxes as the system lays them out: whole on the screen whatever their text.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "WindowChecks.h"
#include "app/win32/Win32Dialogs.h"
#include "core/BoxText.h"
#include "core/win32/Check.h"

namespace tarvel {
namespace {

// Enumeration callbacks are __stdcall on x86, which a lambda cannot be.
BOOL CALLBACK TakeVisibleBox(HWND AWindow, LPARAM AFound) {
  wchar_t name[16] = {};
  GetClassNameW(AWindow, name, 16);
  if (std::wstring(name) != L"#32770" || !IsWindowVisible(AWindow))
    return TRUE;
  *reinterpret_cast<HWND*>(AFound) = AWindow;
  return FALSE;
}

// The message box a thread shows, or null.
HWND BoxOfThread(DWORD AThread) {
  HWND found = nullptr;
  EnumThreadWindows(AThread, TakeVisibleBox, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::wstring TextOf(HWND AWindow) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(AWindow)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(AWindow, text.data(), static_cast<int>(text.size()))));
  return text;
}

BOOL CALLBACK TakeStaticText(HWND AChild, LPARAM AMessage) {
  wchar_t name[16] = {};
  GetClassNameW(AChild, name, 16);
  if (_wcsicmp(name, L"Static") == 0 && GetWindowTextLengthW(AChild) > 0) {
    *reinterpret_cast<std::wstring*>(AMessage) = TextOf(AChild);
    return FALSE;
  }
  return TRUE;
}

// The text a message box shows: that of its static control with a text (the icon's has none).
std::wstring MessageOf(HWND ABox) {
  std::wstring message;
  EnumChildWindows(ABox, TakeStaticText, reinterpret_cast<LPARAM>(&message));
  return message;
}

TEST(DialogsTest, AQuestionWithAnyTextFitsTheScreen) {
  std::u16string lines;
  for (int i = 0; i < 3000; ++i)
    lines += u"line\r\n";
  std::u16string words;
  for (int i = 0; i < 20000; ++i)
    words += u"word ";
  const struct {
    const char* Name;
    std::u16string Text;
  } cases[] = {{"one long word", u"A new version 1.3.0." + std::u16string(100000, u'0') + u" is available."},
               {"many lines", lines},
               {"many words", words}};
  for (const auto& c : cases) {
    std::atomic<TModalResult> answer{mrNone};
    std::atomic<DWORD> threadId{0};
    std::thread shower([&] {
      threadId = GetCurrentThreadId();
      TWin32Dialogs dialogs([] { return HWND{}; });
      answer = dialogs.MessageDlg(c.Text, mtConfirmation, mbYes | mbNo);
    });
    HWND box = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!box && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      if (threadId)
        box = BoxOfThread(threadId);
    }
    if (!box) {
      shower.detach();
      FAIL() << c.Name << ": no box";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(test::InWorkArea(box)) << c.Name;
    for (const int button : {IDYES, IDNO}) {
      const HWND control = GetDlgItem(box, button);
      EXPECT_TRUE(control && IsWindowVisible(control)) << c.Name;
      EXPECT_TRUE(test::InWorkArea(control)) << c.Name << " " << button;
    }
    EXPECT_EQ(MessageOf(box), ToWide(FitBoxText(c.Text))) << c.Name;
    PostMessageW(box, WM_COMMAND, IDNO, 0);
    shower.join();
    EXPECT_EQ(answer, mrNo) << c.Name;
  }
}

} // namespace
} // namespace tarvel
