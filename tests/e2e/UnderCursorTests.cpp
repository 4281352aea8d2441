// Ctrl+Shift+C and Ctrl+Shift+I with the mouse over controls of another program. Their
// accessibility answers come from the UI Automation double registered in the test prefix;
// Tarvel's own COM code is the real one.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CaptureScenario.h"
#include "uia_double/UiaScript.h"
#include "win32/ControlWindow.h"

namespace tarvel::e2e {
namespace {

using test::GrabScreen;
using test::SameColours;
using test::TControlWindow;
using uia_double::TUiaDoubleRegistration;
using uia_double::TUiaScript;

constexpr RECT Frame{300, 300, 800, 600};

std::wstring SizeText(const RECT& ARect) {
  return std::to_wstring(ARect.right - ARect.left) + L"x" + std::to_wstring(ARect.bottom - ARect.top);
}

class UnderCursorTest : public TCaptureScenario {
protected:
  // The mouse to the middle of the control, as the user moves it there.
  void PointAt(const TControlWindow& AWindow) {
    MoveMouse(AWindow.ControlCentre());
    Sleep(100);
  }
  // The image on the clipboard is what the screen shows of the control.
  void ExpectImageOfControl(const TControlWindow& AWindow) {
    const RECT r = AWindow.ControlOnScreen();
    const std::optional<TBitmap32> pasted = FOther.Image();
    ASSERT_TRUE(pasted);
    int at = -1;
    EXPECT_TRUE(SameColours(*pasted, GrabScreen(r), &at)) << "first difference at pixel " << at;
  }

  std::optional<TUiaDoubleRegistration> FDouble{std::in_place};
};

TEST_F(UnderCursorTest, CtrlShiftCOverAButtonCopiesItsNameEachTime) {
  const TControlWindow button(Frame, L"BUTTON", L"OK", {40, 40, 160, 80});
  TUiaScript script(button.Control());
  script.Name(L"OK");
  PointAt(button);
  PressCtrlShift('C');
  ASSERT_TRUE(LogHas(L"UIA text captured: OK")) << Log();
  EXPECT_TRUE(LabelShows(L"1 / 1")) << Label();
  EXPECT_EQ(FOther.Text(), L"OK");

  PressCtrlShift('C');
  EXPECT_TRUE(LabelShows(L"2 / 2")) << Label();
  EXPECT_EQ(Occurrences(Log(), L"UIA text captured: OK"), 2u) << Log();
  EXPECT_EQ(Log().find(L"Image captured"), std::wstring::npos) << Log();
}

TEST_F(UnderCursorTest, AnUnnamedEditGivesItsValueWithItsSpaces) {
  const TControlWindow edit(Frame, L"EDIT", L"  hello  ", {40, 40, 240, 70}, WS_BORDER);
  TUiaScript script(edit.Control());
  script.Value(L"  hello  ");
  PointAt(edit);
  PressCtrlShift('C');
  ASSERT_TRUE(LogHas(L"UIA text captured: ")) << Log();
  EXPECT_EQ(FOther.Text(), L"  hello  ");
}

TEST_F(UnderCursorTest, APasswordFieldIsNotReadButCopiedAsAnImage) {
  const TControlWindow password(Frame, L"EDIT", L"secret", {40, 40, 240, 70}, WS_BORDER | ES_PASSWORD);
  TUiaScript script(password.Control());
  script.Password().Name(L"Password").Value(L"secret").Text(L"secret");
  PointAt(password);
  PressCtrlShift('C');
  ASSERT_TRUE(LogHas(L"Image captured: " + SizeText(password.ControlOnScreen()))) << Log();
  EXPECT_TRUE(script.PasswordAsked());
  EXPECT_FALSE(script.NameAsked());
  EXPECT_FALSE(script.ValueAsked());
  EXPECT_FALSE(script.TextAsked());
  EXPECT_EQ(Log().find(L"secret"), std::wstring::npos) << Log();
  ExpectImageOfControl(password);
  EXPECT_TRUE(LabelShows(L"1 / 1")) << Label();
}

TEST_F(UnderCursorTest, AControlWithoutTextIsCopiedAsAnImageOfItsSize) {
  const TControlWindow picture(Frame, L"STATIC", L"", {20, 20, 420, 220}, SS_BLACKFRAME);
  PointAt(picture);
  PressCtrlShift('C');
  ASSERT_TRUE(LogHas(L"Image captured: 400x200")) << Log();
  ExpectImageOfControl(picture);
}

TEST_F(UnderCursorTest, CtrlShiftIOverAButtonTakesItsImageNotItsName) {
  const TControlWindow button(Frame, L"BUTTON", L"OK", {40, 40, 160, 80});
  TUiaScript script(button.Control());
  script.Name(L"OK");
  PointAt(button);
  PressCtrlShift('I');
  ASSERT_TRUE(LogHas(L"Forced image captured: 120x40")) << Log();
  EXPECT_TRUE(script.BoundsAsked());
  EXPECT_FALSE(script.NameAsked());
  ExpectImageOfControl(button);
}

TEST_F(UnderCursorTest, WithoutTheAutomationClassTheWindowUnderTheCursorIsCopied) {
  FDouble.reset(); // as on a system without the class
  const TControlWindow button(Frame, L"BUTTON", L"OK", {40, 40, 160, 80});
  PointAt(button);
  PressCtrlShift('C');
  ASSERT_TRUE(LogHas(L"Image captured: 120x40")) << Log();
  ExpectImageOfControl(button);
  PressCtrlShift('I');
  ASSERT_TRUE(LogHas(L"Forced image captured: 120x40")) << Log();
  Sleep(300);
  EXPECT_EQ(FindMessageBox(FTarvel.Id()), nullptr) << "an error box came up";
}

// How long a text takes from the hot key to the clipboard, for the record: the first press
// (the process loads the automation class) and the median of the 20 after it.
TEST_F(UnderCursorTest, TimeFromTheHotKeyToTheClipboardForAText) {
  const TControlWindow button(Frame, L"BUTTON", L"OK", {40, 40, 160, 80});
  TUiaScript script(button.Control());
  script.Name(L"OK");
  PointAt(button);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> times;
  for (int i = 0; i < 21; ++i) {
    INPUT keys[6]{};
    const WORD order[6] = {VK_CONTROL, VK_SHIFT, 'C', 'C', VK_SHIFT, VK_CONTROL};
    for (int k = 0; k < 6; ++k) {
      keys[k].type = INPUT_KEYBOARD;
      keys[k].ki.wVk = order[k];
      keys[k].ki.dwFlags = k < 3 ? 0 : KEYEVENTF_KEYUP;
    }
    const DWORD before = GetClipboardSequenceNumber();
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    SendInput(6, keys, sizeof(INPUT));
    do {
      // The clipboard's owner is this thread's window: Tarvel's write waits for it to answer.
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
      QueryPerformanceCounter(&now);
    } while (GetClipboardSequenceNumber() == before && now.QuadPart - start.QuadPart < 10 * frequency.QuadPart);
    ASSERT_NE(GetClipboardSequenceNumber(), before) << "the text did not reach the clipboard";
    times.push_back(1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                    static_cast<double>(frequency.QuadPart));
    ASSERT_TRUE(WaitUntil([&] { return Occurrences(Log(), L"UIA text captured: OK") == i + 1u; }, 10s)) << Log();
  }
  EXPECT_EQ(FOther.Text(), L"OK");
  const double first = times.front();
  times.erase(times.begin());
  std::sort(times.begin(), times.end());
  std::printf("[ info     ] text under the cursor to the clipboard: first %.1f ms; then median %.1f ms of 20 "
              "(%.1f to %.1f ms)\n",
              first, (times[9] + times[10]) / 2, times.front(), times.back());
}

// Programs that ship with Wine, not scripted by anyone: whatever the accessibility layer
// says or does not say about them, a hot key gives an entry and never an error box.
TEST_F(UnderCursorTest, ProgramsThatShipWithWineGiveAnEntryWithAndWithoutTheClass) {
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  TProcess notepad = TProcess::Start(std::wstring(system) + L"\\notepad.exe");
  HWND editor = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        const HWND main = FindWindowOfProcess(notepad.Id(), L"Notepad");
        editor = main ? FindWindowExW(main, nullptr, L"Edit", nullptr) : nullptr;
        return editor && IsWindowVisible(editor);
      },
      10s))
      << "Notepad did not come up";
  RECT box{};
  GetWindowRect(editor, &box);
  std::thread asking([] { MessageBoxW(nullptr, L"Point here", L"Tarvel e2e", MB_OKCANCEL | MB_TOPMOST); });
  HWND message = nullptr;
  HWND okButton = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        message = FindWindowW(L"#32770", L"Tarvel e2e");
        okButton = message ? GetDlgItem(message, IDOK) : nullptr;
        return okButton && IsWindowVisible(okButton);
      },
      10s));
  RECT okRect{};
  GetWindowRect(okButton, &okRect);

  struct TTarget {
    const wchar_t* Name;
    POINT At;
  };
  const TTarget targets[] = {
      {L"Notepad's editor", {box.left + 30, box.top + 30}},
      {L"the message box's OK button", {(okRect.left + okRect.right) / 2, (okRect.top + okRect.bottom) / 2}}};
  int entries = 0;
  for (const bool withClass : {true, false}) {
    if (!withClass)
      FDouble.reset();
    for (const TTarget& t : targets) {
      SCOPED_TRACE(testing::Message() << (withClass ? "with" : "without") << " the class, over "
                                      << std::string(t.Name, t.Name + wcslen(t.Name)));
      MoveMouse(t.At);
      Sleep(100);
      const std::size_t lines = Occurrences(Log(), L"captured: ");
      PressCtrlShift('C');
      ++entries;
      ASSERT_TRUE(LabelShows(std::to_wstring(entries) + L" / ")) << Log();
      ASSERT_TRUE(WaitUntil([&] { return Occurrences(Log(), L"captured: ") > lines; }, 10s));
      const std::wstring log = Log();
      const std::size_t at = log.rfind(L" - ");
      std::printf("[ info     ] %s the class, Ctrl+Shift+C over %ls: %ls", withClass ? "with" : "without", t.Name,
                  log.substr(at + 3, log.find_first_of(L"\r\n", at) - at - 3).c_str());
      std::printf("\n");
    }
  }
  EXPECT_EQ(FindMessageBox(FTarvel.Id()), nullptr) << "an error box came up";
  EXPECT_TRUE(notepad.Running());
  PostMessageW(message, WM_COMMAND, IDCANCEL, 0);
  asking.join();
}

} // namespace
} // namespace tarvel::e2e
