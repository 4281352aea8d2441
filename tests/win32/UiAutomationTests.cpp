// The text and the rectangle under the cursor through the real COM calls: the automation
// class is the test double registered in the test prefix, answering for real windows of this
// test that are scripted with what an accessibility provider would say.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <thread>

#include "capture/TextUnderCursor.h"
#include "capture/win32/Win32Screen.h"
#include "capture/win32/Win32UiAutomation.h"
#include "uia_double/UiaScript.h"
#include "win32/ControlWindow.h"

namespace tarvel {
namespace {

using uia_double::TUiaDoubleRegistration;
using uia_double::TUiaScript;

TRect ScreenRect(const RECT& ARect) {
  return {ARect.left, ARect.top, ARect.right, ARect.bottom};
}

// One control under the cursor, scripted by each test.
class Win32UiAutomationTest : public testing::Test {
protected:
  Win32UiAutomationTest() { PointAt(FWindow); }

  static void PointAt(const test::TControlWindow& AWindow) {
    const POINT p = AWindow.ControlCentre();
    SetCursorPos(p.x, p.y);
  }
  bool ReadText() { return GetTextUnderCursor(FUia, FScreen, FText, FRect); }

  std::optional<TUiaDoubleRegistration> FRegistration{std::in_place};
  TWin32UiaSystem FUia;
  TWin32Screen FScreen;
  test::TControlWindow FWindow{{200, 200, 600, 500}, L"EDIT", L"", {50, 40, 250, 70}};
  TUiaScript FScript{FWindow.Control()};
  std::u16string FText = u"stale";
  TRect FRect;
};

struct TScriptCase {
  const char* Name;
  void (*Script)(TUiaScript&);
  bool Found;
  std::u16string Text;
  uia_double::TFlags Unasked; // bits the lookup must not have asked for
};

void PrintTo(const TScriptCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class Win32TextUnderCursorTest : public Win32UiAutomationTest, public testing::WithParamInterface<TScriptCase> {};

TEST_P(Win32TextUnderCursorTest, ReadsTheElementAtTheCursor) {
  const TScriptCase& c = GetParam();
  c.Script(FScript);
  EXPECT_EQ(ReadText(), c.Found);
  EXPECT_EQ(FText, c.Text);
  EXPECT_EQ(FRect, ScreenRect(FWindow.ControlOnScreen()));
  EXPECT_TRUE(FScript.BoundsAsked());
  EXPECT_FALSE((c.Unasked & uia_double::HasName) && FScript.NameAsked());
  EXPECT_FALSE((c.Unasked & uia_double::HasValue) && FScript.ValueAsked());
  EXPECT_FALSE((c.Unasked & uia_double::HasText) && FScript.TextAsked());
}

const std::u16string LongDocument = u"first line\r\n" + std::u16string(6000, u'w') + u"\r\nlast line \r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, Win32TextUnderCursorTest,
    testing::Values(
        TScriptCase{"a name", [](TUiaScript& s) { s.Name(L"OK").Value(L"not this"); }, true, u"OK",
                    uia_double::TFlags(uia_double::HasValue | uia_double::HasText)},
        TScriptCase{"a value with its spaces", [](TUiaScript& s) { s.Value(L"  hello  "); }, true, u"  hello  ",
                    uia_double::HasText},
        TScriptCase{"a failing name falls through to the value",
                    [](TUiaScript& s) { s.Name(L"label").FailName().Value(L"v"); }, true, u"v", uia_double::TFlags(0)},
        TScriptCase{"a long document, whole",
                    [](TUiaScript& s) {
                      s.Text(std::wstring(reinterpret_cast<const wchar_t*>(LongDocument.c_str()), LongDocument.size()));
                    },
                    true, LongDocument, uia_double::TFlags(0)},
        TScriptCase{"a password field is not read",
                    [](TUiaScript& s) { s.Password().Name(L"Password").Value(L"secret").Text(L"secret"); }, false, u"",
                    uia_double::TFlags(uia_double::HasName | uia_double::HasValue | uia_double::HasText)},
        TScriptCase{"blank everywhere", [](TUiaScript& s) { s.Name(L" \t").Value(L"\r\n").Text(L" "); }, false, u"",
                    uia_double::TFlags(0)},
        TScriptCase{"failing value and text calls",
                    [](TUiaScript& s) { s.Value(L"v").FailValue().Text(L"t").FailText(); }, false, u"",
                    uia_double::TFlags(0)}));

TEST_F(Win32UiAutomationTest, WithoutTheClassEverythingIsAPlainFalse) {
  FScript.Name(L"OK");
  FRegistration.reset();
  EXPECT_FALSE(ReadText());
  EXPECT_EQ(FText, u"");
  EXPECT_EQ(FRect, TRect{});
  EXPECT_FALSE(GetElementRectUnderCursor(FUia, FScreen, FRect));
  EXPECT_EQ(FRect, TRect{});
  EXPECT_EQ(FScript.Asked(), 0);
}

TEST_F(Win32UiAutomationTest, TheRectangleIsUsableFromEightPixels) {
  FScript.Name(L"OK");
  EXPECT_TRUE(GetElementRectUnderCursor(FUia, FScreen, FRect));
  EXPECT_EQ(FRect, ScreenRect(FWindow.ControlOnScreen()));
  EXPECT_FALSE(FScript.NameAsked());

  const test::TControlWindow thin({700, 200, 900, 260}, L"STATIC", L"", {10, 10, 190, 15});
  PointAt(thin);
  EXPECT_FALSE(GetElementRectUnderCursor(FUia, FScreen, FRect));
  EXPECT_EQ(FRect.Height(), 5);
  EXPECT_EQ(FRect, ScreenRect(thin.ControlOnScreen()));
}

// The lookup leaves the thread in the apartment it found it in, whatever that was.
TEST_F(Win32UiAutomationTest, TheThreadsApartmentIsLeftAsItWas) {
  FScript.Name(L"OK");
  struct TCase {
    const char* Name;
    DWORD Joined; // the apartment the thread is in before the lookup; 0: none
  };
  for (const TCase c : {TCase{"none", 0}, TCase{"single-threaded", COINIT_APARTMENTTHREADED},
                        TCase{"multithreaded", COINIT_MULTITHREADED}}) {
    SCOPED_TRACE(c.Name);
    bool found = false;
    HRESULT afterwards = E_FAIL;
    std::thread([&] {
      if (c.Joined)
        CoInitializeEx(nullptr, c.Joined);
      std::u16string text;
      TRect rect;
      found = GetTextUnderCursor(FUia, FScreen, text, rect);
      // Joining the same apartment again tells whether the thread is still in it: S_FALSE
      // when it is, S_OK when the lookup left it.
      afterwards = CoInitializeEx(nullptr, c.Joined ? c.Joined : DWORD{COINIT_APARTMENTTHREADED});
      CoUninitialize();
      if (c.Joined)
        CoUninitialize();
    }).join();
    EXPECT_TRUE(found);
    EXPECT_EQ(afterwards, c.Joined ? S_FALSE : S_OK);
  }
}

} // namespace
} // namespace tarvel
