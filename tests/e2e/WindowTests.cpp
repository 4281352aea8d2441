// The main window as the user sees it: which controls are on screen after each kind of
// event, where they are, where the keyboard focus goes and how it shows, and where the
// window's dialogs open.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Scenario.h"

namespace tarvel::e2e {
namespace {

using namespace std::chrono_literals;

// The colours of the theme that the tests look for on screen.
constexpr COLORREF FocusColour = RGB(0xE6, 0xEA, 0xEE);
constexpr COLORREF ThumbGrey = RGB(0x80, 0x80, 0x80);

const std::vector<int> TitleStrip = {idBtnCard1, idBtnCard2, idBtnCard3, idBtnQuit};
const int CardButtons[3] = {idBtnCard1, idBtnCard2, idBtnCard3};
const char* const CardNames[3] = {"clipboard", "settings", "info"};

// What the user sees on each card; on the clipboard card either the text field or the
// picture, by the kind of entry selected.
std::set<int> ExpectedVisible(int ACard, bool AImageSelected) {
  std::set<int> ids(TitleStrip.begin(), TitleStrip.end());
  switch (ACard) {
  case 0:
    ids.insert({idCrdMain, idSpeedButton1, idSpnClipboardPage, idSpnClipboardPageUpDown, idTrkSlider,
                AImageSelected ? idImage1 : idMemo1, idBtnDeleteEntry, idBtnSave, idLabel1});
    break;
  case 1:
    ids.insert({idCrdSettings, idChkAutostart, idSwtNotifications, idSpnMaxClipentries, idSpnMaxClipentriesUpDown,
                idCmbLanguageOCR, idEdtHotkeyControl, idEdtHotkeyOCR, idEdtHotkeyScreenBox, idEdtHotkeyScreentFull,
                idEdtHotkeySave});
    for (int i = 0; i < 10; ++i)
      ids.insert(idSettingsCaption0 + i);
    break;
  default:
    ids.insert({idCrdInfo, idImage2, idLblAppInfo, idSwtShowLog, idBtnShowTutorial, idChkUpdate, idMemoInfoLog});
    break;
  }
  return ids;
}

std::string Describe(const std::set<int>& AIds) {
  std::string r;
  for (int id : AIds)
    r += std::to_string(id) + " ";
  return r;
}

void PressShiftTab() {
  INPUT in[4]{};
  const WORD keys[2] = {VK_SHIFT, VK_TAB};
  for (int i = 0; i < 2; ++i) {
    in[i].type = INPUT_KEYBOARD;
    in[i].ki.wVk = keys[i];
    in[3 - i] = in[i];
    in[3 - i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  SendInput(4, in, sizeof(INPUT));
  Sleep(50);
}

RECT ScreenRect(HWND AWindow) {
  RECT r{};
  GetWindowRect(AWindow, &r);
  return r;
}

class WindowTest : public TClipboardScenario {
protected:
  std::set<int> VisibleIds() const {
    std::set<int> ids;
    for (HWND h : Descendants(FMain))
      if (IsWindowVisible(h))
        ids.insert(GetDlgCtrlID(h));
    return ids;
  }
  // The label's preview part says "Image WxH" for an image entry.
  bool ImageSelected() {
    const std::wstring label = Label();
    const std::size_t last = label.rfind(L"  ");
    return last != std::wstring::npos && label.compare(last + 2, 6, L"Image ") == 0;
  }
  void CopyAndWait(const std::wstring& AText) {
    FOther.CopyText(AText);
    ASSERT_TRUE(WaitUntil([&] { return Label().find(AText) != std::wstring::npos; }, 10s)) << Label();
  }
  // Waits until the label's position ("2 / 3") changes from what it was.
  bool PositionChanges(const std::wstring& ABefore) {
    const auto position = [](const std::wstring& ALabel) { return ALabel.substr(0, ALabel.find(L"  ")); };
    return WaitUntil([&] { return position(Label()) != position(ABefore); }, 10s);
  }
  HWND Focus() const { return FocusOf(FMain); }
  bool FocusOn(int AId) {
    return WaitUntil([&] { return Focus() == Control(AId); }, 5s);
  }
  std::string FocusName() const { return std::to_string(GetDlgCtrlID(Focus())); }
};

// One kind of event, with the cards it can happen on.
struct TWindowEvent {
  const char* Name;
  bool OnCard[3];
  std::function<void(WindowTest&)> Act;
};

class CardVisibilityTest : public WindowTest, public testing::WithParamInterface<int> {
public:
  // Makes the test's protected helpers reachable from the event table.
  using WindowTest::Control;
  using WindowTest::CopyAndWait;
  using WindowTest::FMain;
  using WindowTest::FOther;
  using WindowTest::Label;
  using WindowTest::PositionChanges;
  using WindowTest::ShowApp;
};

std::vector<TWindowEvent> Events() {
  auto hotkey = [](WORD AKey) {
    return [AKey](WindowTest& ATest) {
      auto& t = static_cast<CardVisibilityTest&>(ATest);
      const std::wstring before = t.Label();
      PressCtrlShift(AKey);
      EXPECT_TRUE(t.PositionChanges(before)) << "the hotkey did nothing: " << before;
    };
  };
  return {
      {"ImageCopiedElsewhere", {true, true, true},
       [](WindowTest& ATest) {
         auto& t = static_cast<CardVisibilityTest&>(ATest);
         t.FOther.CopyImage(40, 30);
         EXPECT_TRUE(WaitUntil([&] { return t.Label().find(L"Image 40x30") != std::wstring::npos; }, 10s));
       }},
      {"TextCopiedElsewhere", {true, true, true},
       [](WindowTest& ATest) { static_cast<CardVisibilityTest&>(ATest).CopyAndWait(L"copied elsewhere"); }},
      {"CtrlShiftZ", {true, true, true}, hotkey('Z')},
      {"CtrlShiftY", {true, true, true}, hotkey('Y')},
      {"CtrlShiftPlus", {true, true, true}, hotkey(VK_OEM_PLUS)},
      {"SizeTyped", {false, true, false},
       [](WindowTest& ATest) {
         auto& t = static_cast<CardVisibilityTest&>(ATest);
         ClickControl(t.Control(idSpnMaxClipentries));
         PressKey(VK_END);
         PressKey(VK_BACK);
         PressKey(VK_BACK);
         PressKey('1');
         PressKey('2');
         PressKey(VK_RETURN);
         EXPECT_TRUE(WaitUntil([] { return StoredSetting(L"MaxClipEntries") == 12u; }, 10s));
       }},
      {"SizeArrowClicked", {false, true, false},
       [](WindowTest& ATest) {
         auto& t = static_cast<CardVisibilityTest&>(ATest);
         const RECT arrows = ScreenRect(t.Control(idSpnMaxClipentriesUpDown));
         ClickAt({(arrows.left + arrows.right) / 2, arrows.top + (arrows.bottom - arrows.top) / 4});
         EXPECT_TRUE(WaitUntil([] { return StoredSetting(L"MaxClipEntries") == 13u; }, 10s));
       }},
      {"HiddenAndShownFromTheTray", {true, true, true},
       [](WindowTest& ATest) {
         auto& t = static_cast<CardVisibilityTest&>(ATest);
         PostMessageW(t.FMain, WM_CLOSE, 0, 0);
         ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(t.FMain); }, 10s));
         t.ShowApp();
       }},
  };
}

TEST_P(CardVisibilityTest, OnlyTheActiveCardsControlsAreEverVisible) {
  const int card = GetParam();
  CopyAndWait(L"first");
  ShowCard(CardButtons[card], card == 0 ? idMemo1 : (card == 1 ? idEdtHotkeyOCR : idMemoInfoLog));
  auto expectOnlyTheCard = [&](const std::string& AAfter) {
    // Let the window finish what the event started.
    Sleep(200);
    const std::set<int> expected = ExpectedVisible(card, ImageSelected());
    EXPECT_EQ(VisibleIds(), expected) << "after " << AAfter << " on the " << CardNames[card]
                                      << " card; expected ids: " << Describe(expected);
  };
  expectOnlyTheCard("showing the card");
  for (const TWindowEvent& event : Events()) {
    if (!event.OnCard[card])
      continue;
    event.Act(*this);
    expectOnlyTheCard(event.Name);
    const std::string name = std::string("card-") + CardNames[card] + "-after-" + event.Name;
    SaveScreenshot(FMain, std::wstring(name.begin(), name.end()));
  }
  // Clicking the card's button again changes nothing.
  ClickControl(Control(CardButtons[card]));
  expectOnlyTheCard("clicking its button again");
}

INSTANTIATE_TEST_SUITE_P(Cards, CardVisibilityTest, testing::Values(0, 1, 2),
                         [](const auto& AInfo) { return std::string(CardNames[AInfo.param]); });

} // namespace
} // namespace tarvel::e2e
