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
    ids.insert({idCrdMain, idSpeedButton1, idSpnClipboardPage, idSpnClipboardPageUpDown, idTrkSlider, idEdtFind,
                idBtnClearHistory, AImageSelected ? idImage1 : idMemo1, idBtnDeleteEntry, idBtnPinEntry, idBtnSave,
                idLabel1});
    break;
  case 1:
    ids.insert({idCrdSettings, idChkAutostart, idSwtNotifications, idSpnMaxClipentries, idSpnMaxClipentriesUpDown,
                idCmbLanguageOCR, idOcrTextLayoutCaption, idCmbOcrTextLayout, idEdtHotkeyControl, idEdtHotkeyOCR,
                idEdtHotkeyScreenBox, idEdtHotkeyScreentFull, idEdtHotkeySave});
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
  PressChord({VK_SHIFT, VK_TAB});
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
      {"ImageCopiedElsewhere",
       {true, true, true},
       [](WindowTest& ATest) {
         auto& t = static_cast<CardVisibilityTest&>(ATest);
         t.FOther.CopyImage(40, 30);
         EXPECT_TRUE(WaitUntil([&] { return t.Label().find(L"Image 40x30") != std::wstring::npos; }, 10s));
       }},
      {"TextCopiedElsewhere",
       {true, true, true},
       [](WindowTest& ATest) { static_cast<CardVisibilityTest&>(ATest).CopyAndWait(L"copied elsewhere"); }},
      {"CtrlShiftZ", {true, true, true}, hotkey('Z')},
      {"CtrlShiftY", {true, true, true}, hotkey('Y')},
      {"CtrlShiftPlus", {true, true, true}, hotkey(VK_OEM_PLUS)},
      {"SizeTyped",
       {false, true, false},
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
      {"SizeArrowClicked",
       {false, true, false},
       [](WindowTest& ATest) {
         auto& t = static_cast<CardVisibilityTest&>(ATest);
         const RECT arrows = ScreenRect(t.Control(idSpnMaxClipentriesUpDown));
         ClickAt({(arrows.left + arrows.right) / 2, arrows.top + (arrows.bottom - arrows.top) / 4});
         EXPECT_TRUE(WaitUntil([] { return StoredSetting(L"MaxClipEntries") == 13u; }, 10s));
       }},
      {"HiddenAndShownFromTheTray",
       {true, true, true},
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
    // The window may still be finishing what the event started.
    const std::set<int> expected = ExpectedVisible(card, ImageSelected());
    WaitUntil([&] { return VisibleIds() == expected; }, 2s);
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

// The keyboard alone reaches every control of a card, in order, and round again.
struct TTabCase {
  int Card;
  std::vector<int> Order; // after the title strip
};

class TabOrderTest : public WindowTest, public testing::WithParamInterface<TTabCase> {};

TEST_P(TabOrderTest, TabVisitsEveryControlOfTheCardAndShiftTabGoesBack) {
  CopyAndWait(L"an entry");
  const int card = GetParam().Card;
  ShowCard(CardButtons[card], card == 0 ? idMemo1 : (card == 1 ? idEdtHotkeyOCR : idMemoInfoLog));
  std::vector<int> order = TitleStrip;
  order.insert(order.end(), GetParam().Order.begin(), GetParam().Order.end());
  // The card's button has the focus after the click; walk on from there, round once.
  ASSERT_TRUE(FocusOn(CardButtons[card])) << "focus: " << FocusName();
  const auto start = std::find(order.begin(), order.end(), CardButtons[card]) - order.begin();
  for (std::size_t step = 1; step <= order.size(); ++step) {
    PressKey(VK_TAB);
    const int expected = order[(start + step) % order.size()];
    ASSERT_TRUE(FocusOn(expected)) << "Tab " << step << " on the " << CardNames[card] << " card went to " << FocusName()
                                   << ", not " << expected;
  }
  PressShiftTab();
  EXPECT_TRUE(FocusOn(order[(start + order.size() - 1) % order.size()])) << FocusName();
}

INSTANTIATE_TEST_SUITE_P(Cards, TabOrderTest,
                         testing::Values(TTabCase{0,
                                                  {idSpnClipboardPage, idTrkSlider, idEdtFind, idBtnClearHistory,
                                                   idMemo1, idBtnDeleteEntry, idBtnPinEntry, idBtnSave}},
                                         TTabCase{1,
                                                  {idChkAutostart, idSwtNotifications, idSpnMaxClipentries,
                                                   idCmbLanguageOCR, idCmbOcrTextLayout, idEdtHotkeyControl,
                                                   idEdtHotkeyOCR, idEdtHotkeyScreenBox, idEdtHotkeyScreentFull,
                                                   idEdtHotkeySave}},
                                         TTabCase{2, {idSwtShowLog, idBtnShowTutorial, idChkUpdate, idMemoInfoLog}}),
                         [](const auto& AInfo) { return std::string(CardNames[AInfo.param.Card]); });

TEST_F(WindowTest, FromThePreviewTheKeyboardReachesDeletePinAndSaveAndTheFocusShows) {
  CopyAndWait(L"one");
  CopyAndWait(L"two");
  ClickControl(Control(idMemo1));
  ASSERT_TRUE(FocusOn(idMemo1)) << FocusName();
  PressKey(VK_TAB);
  ASSERT_TRUE(FocusOn(idBtnDeleteEntry)) << "Tab stayed in the preview: " << FocusName();
  // The outline of the focus, on the button's left edge, in the light colour of the theme.
  const RECT button = ScreenRect(Control(idBtnDeleteEntry));
  const POINT edge{button.left + 1, (button.top + button.bottom) / 2};
  EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(edge) == FocusColour; }, 5s))
      << "no visible focus on Delete: " << std::hex << ScreenPixel(edge);
  SaveScreenshot(FMain, L"keyboard-focus-on-delete");
  PressKey(VK_TAB);
  ASSERT_TRUE(FocusOn(idBtnPinEntry)) << FocusName();
  EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(edge) != FocusColour; }, 5s)) << "the outline stayed on Delete";
  PressKey(VK_TAB);
  ASSERT_TRUE(FocusOn(idBtnSave)) << FocusName();
  PressShiftTab();
  PressShiftTab();
  ASSERT_TRUE(FocusOn(idBtnDeleteEntry)) << FocusName();
  PressKey(VK_SPACE);
  EXPECT_TRUE(LabelShows(L"1 / 1  ")) << "Space did not delete: " << Label();
  // Enter works on buttons as well: the settings card's button shows its card.
  ClickControl(Control(idBtnCard2));
  ClickControl(Control(idBtnCard1));
  PressKey(VK_TAB);
  ASSERT_TRUE(FocusOn(idBtnCard2)) << FocusName();
  PressKey(VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(Control(idEdtHotkeyOCR)) != FALSE; }, 5s));
  // And Space flips a switch.
  PressKey(VK_TAB);
  PressKey(VK_TAB);
  PressKey(VK_TAB);
  ASSERT_TRUE(FocusOn(idChkAutostart)) << FocusName();
  PressKey(VK_TAB);
  ASSERT_TRUE(FocusOn(idSwtNotifications)) << FocusName();
  PressKey(VK_SPACE);
  EXPECT_TRUE(WaitUntil([] { return StoredSetting(L"ShowNotifications") == 1u; }, 5s));
}

// Every control of a card lies inside the window and clear of the others, at the design
// size and at the smallest size the window can be dragged to; the status label has the
// room its first line needs.
TEST_F(WindowTest, EveryCardFitsAtTheDesignAndTheSmallestSize) {
  CopyAndWait(L"a text that is longer than the room beside the two buttons, so that it has to be cut");
  FOther.CopyImage(120, 60);
  ASSERT_TRUE(WaitUntil([&] { return Label().find(L"Image 120x60") != std::wstring::npos; }, 10s));
  const SIZE firstLine = TextExtent(L"2 / 2  2026-12-10 13:34:15");
  for (const bool smallest : {false, true}) {
    if (smallest) {
      // The system holds the window to its minimum tracking size.
      SetWindowPos(FMain, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
      Sleep(300);
      RECT frame = ScreenRect(FMain);
      ASSERT_LE(frame.right - frame.left, 440) << "the window did not shrink";
    }
    for (int card = 0; card < 3; ++card) {
      ShowCard(CardButtons[card], card == 0 ? idImage1 : (card == 1 ? idEdtHotkeyOCR : idMemoInfoLog));
      // The new card comes up before the old one goes.
      ASSERT_TRUE(WaitUntil(
          [&] {
            for (int other = 0; other < 3; ++other)
              if (other != card && IsWindowVisible(Control(idCrdMain + other)))
                return false;
            return true;
          },
          5s));
      RECT client;
      GetClientRect(FMain, &client);
      MapWindowPoints(FMain, nullptr, reinterpret_cast<POINT*>(&client), 2);
      std::vector<std::pair<int, RECT>> shown;
      for (HWND h : Descendants(FMain)) {
        const int id = GetDlgCtrlID(h);
        if (IsWindowVisible(h) && id != idCrdMain && id != idCrdSettings && id != idCrdInfo)
          shown.emplace_back(id, ScreenRect(h));
      }
      const std::string where = std::string(smallest ? "smallest" : "design") + " size, " + CardNames[card] + " card";
      for (const auto& [id, r] : shown) {
        EXPECT_TRUE(r.left >= client.left && r.top >= client.top && r.right <= client.right &&
                    r.bottom <= client.bottom)
            << "control " << id << " is cut off at the " << where;
        for (const auto& [other, o] : shown) {
          RECT overlap;
          // The combo box's window reaches down over its drop-down list's room.
          if (other > id && id != idCmbLanguageOCR && other != idCmbLanguageOCR) {
            EXPECT_FALSE(IntersectRect(&overlap, &r, &o)) << id << " overlaps " << other << " at the " << where;
          }
        }
      }
      const std::string name = std::string("layout-") + (smallest ? "smallest-" : "design-") + CardNames[card];
      SaveScreenshot(FMain, std::wstring(name.begin(), name.end()));
    }
    const RECT label = ScreenRect(Control(idLabel1));
    EXPECT_GE(label.right - label.left, firstLine.cx) << (smallest ? "smallest" : "design") << " size";
    EXPECT_GE(label.bottom - label.top, 2 * firstLine.cy) << (smallest ? "smallest" : "design") << " size";
  }
}

TEST_F(WindowTest, BothSwitchThumbsAreGreyWhenOff) {
  ShowCard(idBtnCard2, idSwtNotifications);
  for (const int id : {idChkAutostart, idSwtNotifications}) {
    const RECT r = ScreenRect(Control(id));
    // The thumb of a switch that is off sits at the left end of its track.
    const int height = r.bottom - r.top;
    const int pill = std::min(height - 4, MulDiv(20, height, 28));
    const POINT thumb{r.left + 2 + pill / 2, (r.top + r.bottom) / 2};
    // The card is up before its controls have painted.
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(thumb) == ThumbGrey; }, 5s))
        << "switch " << id << ": " << std::hex << ScreenPixel(thumb);
  }
}

// The save dialog opened from the tray menu while the window is hidden; with the window on
// screen it opens over the window.
TEST_F(WindowTest, TheSaveDialogOpensCentred) {
  CopyAndWait(L"to be saved");
  for (const bool hidden : {true, false}) {
    if (hidden) {
      PostMessageW(FMain, WM_CLOSE, 0, 0);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(FMain); }, 10s));
      ChooseTrayMenuItem(tmSaveClipboard);
    } else {
      ShowApp();
      ClickControl(Control(idBtnSave));
    }
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = FindMessageBox(FTarvel.Id())) != nullptr; }, 10s)) << "no dialog";
    Sleep(300);
    const RECT r = ScreenRect(dialog);
    RECT area{};
    if (hidden)
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    else
      area = ScreenRect(FMain);
    SaveScreenshot(GetDesktopWindow(), hidden ? L"save-dialog-window-hidden" : L"save-dialog-window-shown");
    EXPECT_NEAR((r.left + r.right) / 2, (area.left + area.right) / 2, 8) << (hidden ? "hidden" : "shown");
    EXPECT_NEAR((r.top + r.bottom) / 2, (area.top + area.bottom) / 2, 8) << (hidden ? "hidden" : "shown");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return FindMessageBox(FTarvel.Id()) == nullptr; }, 10s));
  }
}

// Deleting while another program holds the clipboard: the write fails with its error box,
// and the card shows the history as it now is, with or without entries left.
class FailedDeleteTest : public WindowTest, public testing::WithParamInterface<bool> {};

TEST_P(FailedDeleteTest, StillShowsTheHistoryAsItIs) {
  const bool othersLeft = GetParam();
  if (othersLeft)
    CopyAndWait(L"kept");
  CopyAndWait(L"deleted");
  FOther.Open();
  ClickControl(Control(idBtnDeleteEntry));
  HWND box = nullptr;
  const bool boxShown = WaitUntil([&] { return (box = FindMessageBox(FTarvel.Id())) != nullptr; }, 10s);
  CloseClipboard();
  ASSERT_TRUE(boxShown) << "no error box";
  EXPECT_TRUE(LabelShows(othersLeft ? L"1 / 1  " : L"0 / 0")) << Label();
  EXPECT_EQ(TextOf(Control(idMemo1)), othersLeft ? L"kept" : L"");
  EXPECT_EQ(IsWindowEnabled(Control(idBtnDeleteEntry)) != FALSE, othersLeft);
  SaveScreenshot(GetDesktopWindow(), othersLeft ? L"failed-delete-others-left" : L"failed-delete-of-the-only-entry");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

INSTANTIATE_TEST_SUITE_P(Entries, FailedDeleteTest, testing::Bool(),
                         [](const auto& AInfo) { return AInfo.param ? "OthersLeft" : "TheOnlyOne"; });

// A 10 MB text: the card shows its beginning and a note; selecting it again stays quick.
// The times are printed for the record, not asserted.
TEST_F(WindowTest, AHugeTextIsShownInPart) {
  const std::wstring huge(10u << 20, L'w');
  const auto t0 = std::chrono::steady_clock::now();
  FOther.CopyText(huge);
  ASSERT_TRUE(WaitUntil([&] { return Label().rfind(L"1 / 1  ", 0) == 0; }, 60s)) << Label();
  const auto t1 = std::chrono::steady_clock::now();
  CopyAndWait(L"short");
  const auto t2 = std::chrono::steady_clock::now();
  PressCtrlShift('Z');
  ASSERT_TRUE(WaitUntil([&] { return Label().rfind(L"1 / 2  ", 0) == 0; }, 60s)) << Label();
  const auto t3 = std::chrono::steady_clock::now();
  PressCtrlShift('Y');
  ASSERT_TRUE(WaitUntil([&] { return Label().rfind(L"2 / 2  ", 0) == 0; }, 60s)) << Label();
  const auto t4 = std::chrono::steady_clock::now();
  PressCtrlShift('Z');
  ASSERT_TRUE(WaitUntil([&] { return Label().rfind(L"1 / 2  ", 0) == 0; }, 60s)) << Label();
  const auto t5 = std::chrono::steady_clock::now();
  const std::wstring memo = TextOf(Control(idMemo1));
  EXPECT_LT(memo.size(), 70000u);
  EXPECT_NE(memo.find(L"more characters are not shown here; the entry keeps the whole text]"), std::wstring::npos);
  EXPECT_EQ(FOther.Text().size(), huge.size()) << "the clipboard got less than the whole text";
  const auto ms = [](auto AFrom, auto ATo) {
    return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(ATo - AFrom).count());
  };
  std::printf("[ info     ] 10 MB text: captured and shown in %lld ms; selected again in %lld ms and %lld ms "
              "(a short text: %lld ms)\n",
              ms(t0, t1), ms(t2, t3), ms(t4, t5), ms(t3, t4));
}

// ---------------------------------------------------------------------------------------------
// Finding, pinning and clearing with the keyboard alone

class HistoryToolsTest : public WindowTest {
protected:
  void TypeText(const std::wstring& AText) {
    for (wchar_t c : AText)
      PressKey(static_cast<WORD>(VkKeyScanW(c) & 0xFF));
  }
  bool LabelHas(const std::wstring& AText) {
    return WaitUntil([&] { return Label().find(AText) != std::wstring::npos; }, 10s);
  }
  // Ctrl+F, then Tab ATabs times: the keyboard's way to the controls after the search field.
  void FocusFromFind(int ATabs, int AId) {
    PressChord({VK_CONTROL, 'F'});
    ASSERT_TRUE(FocusOn(idEdtFind)) << FocusName();
    for (int i = 0; i < ATabs; ++i)
      PressKey(VK_TAB);
    ASSERT_TRUE(FocusOn(AId)) << FocusName();
  }
  HWND WaitForMessageBox() {
    HWND box = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (box = FindMessageBox(FTarvel.Id())) != nullptr; }, 10s)) << "no message box";
    return box;
  }
};

TEST_F(HistoryToolsTest, CtrlFTypingAndEscapeFindEntriesAndShowTheWholeHistoryAgain) {
  CopyAndWait(L"apple pie");
  CopyAndWait(L"Banana");
  CopyAndWait(L"apple juice");
  CopyAndWait(L"cherry");
  const std::wstring whole = Label();
  // From another card, Ctrl+F comes back to the clipboard card's search field.
  ShowCard(idBtnCard2, idEdtHotkeyOCR);
  PressChord({VK_CONTROL, 'F'});
  ASSERT_TRUE(FocusOn(idEdtFind)) << FocusName();
  EXPECT_TRUE(IsWindowVisible(Control(idMemo1)));
  TypeText(L"APPLE");
  ASSERT_TRUE(LabelShows(L"2 / 2 of 4  ")) << Label();
  EXPECT_NE(Label().find(L"apple juice"), std::wstring::npos) << Label();
  EXPECT_EQ(TextOf(Control(idMemo1)), L"apple juice");
  EXPECT_EQ(FOther.Text(), L"cherry") << "typing publishes nothing";
  SaveScreenshot(FMain, L"history-find-typed");
  // The hot keys walk the matches and publish them.
  PressCtrlShift('Z');
  ASSERT_TRUE(LabelShows(L"1 / 2 of 4  ")) << Label();
  EXPECT_TRUE(WaitUntil([&] { return FOther.Text() == L"apple pie"; }, 10s)) << FOther.Text();
  TypeText(L"x");
  ASSERT_TRUE(LabelShows(L"0 / 0 of 4  No matching entries")) << Label();
  EXPECT_FALSE(IsWindowEnabled(Control(idBtnDeleteEntry)));
  SaveScreenshot(FMain, L"history-find-no-match");
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return TextOf(Control(idEdtFind)).empty(); }, 5s));
  // The entry chosen during the search stays selected.
  ASSERT_TRUE(LabelShows(L"1 / 4  ")) << Label();
  EXPECT_TRUE(FocusOn(idEdtFind)) << FocusName();
  // A second Escape has nothing left to do and leaves the window as it is.
  PressKey(VK_ESCAPE);
  Sleep(300);
  EXPECT_TRUE(IsWindowVisible(FMain));
  EXPECT_EQ(Label().substr(0, 7), L"1 / 4  ");
  // Typing and emptying the field again goes back to where the search started.
  TypeText(L"banana");
  ASSERT_TRUE(LabelShows(L"1 / 1 of 4  ")) << Label();
  for (int i = 0; i < 6; ++i)
    PressKey(VK_BACK);
  EXPECT_TRUE(LabelShows(L"1 / 4  ")) << Label();
  EXPECT_EQ(whole.substr(0, 7), L"4 / 4  ");
}

TEST_F(HistoryToolsTest, ThePinButtonAndThePreviewMenuPinWithTheKeyboard) {
  CopyAndWait(L"one");
  CopyAndWait(L"two");
  FocusFromFind(4, idBtnPinEntry);
  PressKey(VK_SPACE);
  ASSERT_TRUE(LabelHas(L"Pinned \u00B7 two")) << Label();
  EXPECT_EQ(TextOf(Control(idBtnPinEntry)), L"Unpin");
  EXPECT_TRUE(FocusOn(idBtnPinEntry)) << FocusName();
  SaveScreenshot(FMain, L"history-pinned");
  // The preview's context menu, from the keyboard: its first item unpins.
  FocusFromFind(2, idMemo1);
  PressChord({VK_SHIFT, VK_F10});
  ASSERT_TRUE(WaitUntil([] { return FindPopupMenu() != nullptr; }, 10s)) << "no context menu";
  SaveScreenshot(GetDesktopWindow(), L"history-preview-menu");
  PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return Label().find(L"Pinned") == std::wstring::npos; }, 10s)) << Label();
  EXPECT_EQ(TextOf(Control(idBtnPinEntry)), L"Pin");
}

TEST_F(HistoryToolsTest, ClearHistoryAsksThenKeepsThePinnedEntryAndTheClipboard) {
  CopyAndWait(L"one");
  CopyAndWait(L"two");
  CopyAndWait(L"three");
  PressCtrlShift('Z');
  ASSERT_TRUE(LabelShows(L"2 / 3  ")) << Label();
  FocusFromFind(4, idBtnPinEntry);
  PressKey(VK_SPACE);
  ASSERT_TRUE(LabelHas(L"Pinned \u00B7 two")) << Label();
  // From the card's button; Enter answers the default, No. (The tray menu's item runs the same
  // command, MainFormTest and the clipboard card's tests choose it; on Wine's own window
  // management a tray click right after a key on the card may lose the menu it opens.)
  FocusFromFind(1, idBtnClearHistory);
  PressKey(VK_SPACE);
  HWND box = WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_TRUE(HasChildText(box, L"Are you sure you want to clear the clipboard history?\r\n\r\n2 entries will be "
                                L"removed. The pinned entry stays in the history.\r\nWhat is on the clipboard now "
                                L"stays there."));
  SaveScreenshot(GetDesktopWindow(), L"history-clear-confirmation");
  PressKey(VK_RETURN);
  ASSERT_TRUE(WaitUntil([&] { return FindMessageBox(FTarvel.Id()) == nullptr; }, 10s));
  EXPECT_TRUE(LabelShows(L"2 / 3  ")) << "No cleared the history: " << Label();
  // From the card's button; Y answers Yes.
  FocusFromFind(1, idBtnClearHistory);
  PressKey(VK_SPACE);
  ASSERT_TRUE(WaitForMessageBox());
  PressKey('Y');
  ASSERT_TRUE(LabelShows(L"1 / 1  ")) << Label();
  EXPECT_NE(Label().find(L"Pinned \u00B7 two"), std::wstring::npos) << Label();
  EXPECT_EQ(FOther.Text(), L"two") << "clearing changed the clipboard";
  EXPECT_TRUE(WaitUntil(
      [&] { return Log().find(L"History cleared: 2 entries removed, 1 pinned entry kept") != std::wstring::npos; },
      10s))
      << Log();
  EXPECT_FALSE(IsWindowEnabled(Control(idBtnClearHistory))) << "nothing left to clear";
  SaveScreenshot(FMain, L"history-cleared");
}

} // namespace
} // namespace tarvel::e2e
