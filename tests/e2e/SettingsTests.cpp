// Stored settings as Tarvel reads them at start, and the activity log on the info card.
#include <windows.h>

#include <optional>
#include <regex>

#include "Scenario.h"

namespace tarvel::e2e {
namespace {

std::vector<std::wstring> Lines(const std::wstring& AText) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = AText.find(L"\r\n", start);
    lines.push_back(AText.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos)
      return lines;
    start = end + 2;
  }
}

using TSettingsTest = TScenario;

TEST_F(TSettingsTest, StoredShowLogShowsTheStartLineWithItsTimeStamp) {
  StoreSetting(L"ShowLog", 1);
  SYSTEMTIME before;
  GetLocalTime(&before);
  StartTarvel();
  ShowApp();
  ShowCard(idBtnCard3, idMemoInfoLog);

  std::wstring text;
  ASSERT_TRUE(WaitUntil(
      [&] { return (text = TextOf(Control(idMemoInfoLog))).find(L"Tarvel started") != std::wstring::npos; }, 10s))
      << "the info card's log does not show the start line; it shows:\n"
      << text;
  const std::vector<std::wstring> lines = Lines(WithoutUpdateCheckLines(text));
  ASSERT_FALSE(lines.empty());
  // A fresh start writes the OCR languages it found, then its start line, and nothing else.
  for (std::size_t i = 0; i + 1 < lines.size(); ++i)
    EXPECT_TRUE(lines[i].find(L" - [OCR] ") != std::wstring::npos ||
                lines[i].find(L" - Available OCR languages: en-US") != std::wstring::npos)
        << lines[i];
  std::wsmatch m;
  ASSERT_TRUE(std::regex_match(lines.back(), m,
                               std::wregex(LR"((\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2}) - Tarvel started)")))
      << lines.back();
  // The stamp is the local time of the start, to the second.
  FILETIME stampFile, beforeFile;
  SYSTEMTIME stamp{};
  stamp.wYear = static_cast<WORD>(std::stoi(m[1]));
  stamp.wMonth = static_cast<WORD>(std::stoi(m[2]));
  stamp.wDay = static_cast<WORD>(std::stoi(m[3]));
  stamp.wHour = static_cast<WORD>(std::stoi(m[4]));
  stamp.wMinute = static_cast<WORD>(std::stoi(m[5]));
  stamp.wSecond = static_cast<WORD>(std::stoi(m[6]));
  before.wMilliseconds = 0;
  ASSERT_TRUE(SystemTimeToFileTime(&stamp, &stampFile));
  ASSERT_TRUE(SystemTimeToFileTime(&before, &beforeFile));
  const auto ticks = [](const FILETIME& AF) {
    return static_cast<long long>(ULARGE_INTEGER{{AF.dwLowDateTime, AF.dwHighDateTime}}.QuadPart);
  };
  const long long seconds = (ticks(stampFile) - ticks(beforeFile)) / 10'000'000;
  EXPECT_GE(seconds, 0);
  EXPECT_LE(seconds, 30);
  // Loading stores nothing back.
  EXPECT_FALSE(StoredSetting(L"MaxClipEntries").has_value());
}

TEST_F(TSettingsTest, TimeStampsUseTheRegionalTimeSeparator) {
  // The user's regional settings, as the control panel stores them; put back afterwards.
  wchar_t previous[8] = L":";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, previous, 8);
  ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, L"."));
  StoreSetting(L"ShowLog", 1);
  StartTarvel();
  ShowApp();
  ShowCard(idBtnCard3, idMemoInfoLog);
  std::wstring text;
  const bool shown = WaitUntil(
      [&] { return (text = TextOf(Control(idMemoInfoLog))).find(L"Tarvel started") != std::wstring::npos; }, 10s);
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, previous);
  ASSERT_TRUE(shown) << text;
  // Every stamp: the start line's and the OCR diagnostics' before it.
  const std::vector<std::wstring> lines = Lines(WithoutUpdateCheckLines(text));
  EXPECT_TRUE(std::regex_match(lines.back(), std::wregex(LR"(\d{4}-\d{2}-\d{2} \d{2}\.\d{2}\.\d{2} - Tarvel started)")))
      << lines.back();
  EXPECT_TRUE(std::regex_match(
      lines.front(), std::wregex(LR"(\d{4}-\d{2}-\d{2} \d{2}\.\d{2}\.\d{2} - \[OCR\] \d{2}\.\d{2}\.\d{2}\.\d{3} .*)")))
      << lines.front();
}

TEST_F(TSettingsTest, StoredClipboardSizeAboveTheRangeComesBackAs100) {
  StoreSetting(L"MaxClipEntries", 500);
  StartTarvel();
  ShowApp();
  ShowCard(idBtnCard2, idSpnMaxClipentries);
  EXPECT_EQ(TextOf(Control(idSpnMaxClipentries)), L"100");
  EXPECT_EQ(StoredSetting(L"MaxClipEntries"), 500u);
}

TEST_F(TSettingsTest, ShowLogSwitchStoresItsStateAndShowsTheLog) {
  StartTarvel();
  ShowApp();
  ShowCard(idBtnCard3, idMemoInfoLog);
  EXPECT_NE(TextOf(Control(idMemoInfoLog)).find(L"Tray-resident utility"), std::wstring::npos);
  ClickControl(Control(idSwtShowLog));
  EXPECT_TRUE(WaitUntil([&] { return StoredSetting(L"ShowLog") == 1u; }, 10s)) << "the switch was not stored";
  EXPECT_TRUE(
      WaitUntil([&] { return TextOf(Control(idMemoInfoLog)).find(L" - Tarvel started") != std::wstring::npos; }, 10s));
  // The whole record is stored with it.
  EXPECT_EQ(StoredSetting(L"MaxClipEntries"), 10u);
}

std::optional<std::wstring> StoredText(const wchar_t* AName) {
  wchar_t value[64] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Nusk\\Tarvel", AName, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(value);
}

// Whether another program could take Ctrl+Shift+key now.
bool CombinationFree(UINT AKey) {
  if (!RegisterHotKey(nullptr, 0xBEEF, MOD_CONTROL | MOD_SHIFT | MOD_NOREPEAT, AKey))
    return false;
  UnregisterHotKey(nullptr, 0xBEEF);
  return true;
}

TEST_F(TSettingsTest, AHotkeyHeldByAnotherProgramLeavesNoneButStartUpCompletes) {
  StoreSetting(L"ShowLog", 1);
  ASSERT_TRUE(RegisterHotKey(nullptr, 0x1234, MOD_CONTROL | MOD_SHIFT, 'I'));
  StartTarvel();
  ShowApp();
  ShowCard(idBtnCard3, idMemoInfoLog);
  const bool started =
      WaitUntil([&] { return TextOf(Control(idMemoInfoLog)).find(L" - Tarvel started") != std::wstring::npos; }, 10s);
  UnregisterHotKey(nullptr, 0x1234);
  EXPECT_TRUE(started) << "no start line";
  EXPECT_NE(TextOf(Control(idMemoInfoLog)).find(L" - Hotkeys unavailable: Ctrl+Shift+I is taken by another program"),
            std::wstring::npos)
      << TextOf(Control(idMemoInfoLog));
  // All or none: the hotkeys registered before Ctrl+Shift+I were released again.
  for (const UINT key : {UINT{'C'}, UINT{VK_OEM_PLUS}, UINT{'X'}, UINT{'S'}}) {
    EXPECT_TRUE(RegisterHotKey(nullptr, 0x1235, MOD_CONTROL | MOD_SHIFT | MOD_NOREPEAT, key)) << key;
    UnregisterHotKey(nullptr, 0x1235);
  }
}

class SettingsCardTest : public TScenario {
protected:
  void SetUp() override {
    TScenario::SetUp();
    StartTarvel();
    ShowApp();
    ShowCard(idBtnCard2, idEdtHotkeyOCR);
  }
  // Clicks into a letter field, types a key and leaves the field with a click elsewhere.
  void TypeLetter(int AField, WORD AKey) {
    ClickControl(Control(AField));
    PressKey(AKey);
    ClickControl(Control(idSpnMaxClipentries));
  }
};

TEST_F(SettingsCardTest, ANewHotkeyLetterIsStoredAndRegisteredInsteadOfTheOld) {
  ASSERT_FALSE(CombinationFree('X')) << "Tarvel should hold Ctrl+Shift+X";
  TypeLetter(idEdtHotkeyOCR, 'Q');
  ASSERT_TRUE(WaitUntil([] { return StoredText(L"HotkeyOCR") == L"Q"; }, 10s)) << "the letter was not stored";
  EXPECT_EQ(TextOf(Control(idEdtHotkeyOCR)), L"Q");
  EXPECT_TRUE(WaitUntil([] { return CombinationFree('X'); }, 10s)) << "Ctrl+Shift+X is still held";
  EXPECT_FALSE(CombinationFree('Q')) << "Ctrl+Shift+Q is not held";
}

TEST_F(SettingsCardTest, AReservedLetterIsRefusedWithAWarning) {
  TypeLetter(idEdtHotkeySave, 'Z');
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(FTarvel.Id())) != nullptr; }, 10s)) << "no warning";
  EXPECT_EQ(TextOf(box), L"Warning");
  EXPECT_TRUE(HasChildText(box, L"This shortcut is reserved. Restoring the previous value."));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return TextOf(Control(idEdtHotkeySave)) == L"S"; }, 10s))
      << TextOf(Control(idEdtHotkeySave));
  EXPECT_FALSE(StoredText(L"HotkeySave").has_value()) << "nothing is stored";
}

class TypedSizeTest : public SettingsCardTest, public testing::WithParamInterface<WORD> {};

// The user clears the field and types 2, 5, 0: nothing applies on the way (2 would have cut
// the history), and the commit (Enter, or Tab out of the field) applies 100.
TEST_P(TypedSizeTest, AppliesOnlyWhenCommittedAndIsCorrected) {
  ClickControl(Control(idSpnMaxClipentries));
  PressKey(VK_END);
  for (int i = 0; i < 3; ++i)
    PressKey(VK_BACK);
  for (const WORD key : {'2', '5', '0'})
    PressKey(key);
  // A committed change would be stored within a message round; give it several.
  Sleep(500);
  EXPECT_FALSE(StoredSetting(L"MaxClipEntries").has_value()) << "a keystroke was applied";
  EXPECT_EQ(TextOf(Control(idSpnMaxClipentries)), L"250");
  PressKey(GetParam());
  EXPECT_TRUE(WaitUntil([] { return StoredSetting(L"MaxClipEntries") == 100u; }, 10s))
      << "stored: " << StoredSetting(L"MaxClipEntries").value_or(0);
  EXPECT_TRUE(WaitUntil([&] { return TextOf(Control(idSpnMaxClipentries)) == L"100"; }, 10s))
      << TextOf(Control(idSpnMaxClipentries));
}

INSTANTIATE_TEST_SUITE_P(Commit, TypedSizeTest, testing::Values(WORD{VK_RETURN}, WORD{VK_TAB}),
                         [](const auto& AInfo) { return AInfo.param == VK_RETURN ? "Enter" : "Tab"; });

TEST_F(SettingsCardTest, OneArrowClickAppliesOneStep) {
  RECT arrows;
  GetWindowRect(Control(idSpnMaxClipentriesUpDown), &arrows);
  ClickAt({(arrows.left + arrows.right) / 2, arrows.top + (arrows.bottom - arrows.top) / 4});
  EXPECT_TRUE(WaitUntil([] { return StoredSetting(L"MaxClipEntries") == 11u; }, 10s))
      << "stored: " << StoredSetting(L"MaxClipEntries").value_or(0);
  EXPECT_EQ(TextOf(Control(idSpnMaxClipentries)), L"11");
}

TEST_F(SettingsCardTest, ALetterAnotherProgramHoldsIsRefusedAndTheOldOneKeepsWorking) {
  ASSERT_TRUE(RegisterHotKey(nullptr, 0x1236, MOD_CONTROL | MOD_SHIFT | MOD_NOREPEAT, 'Q'));
  TypeLetter(idEdtHotkeyOCR, 'Q');
  HWND box = nullptr;
  const bool warned = WaitUntil([&] { return (box = FindMessageBox(FTarvel.Id())) != nullptr; }, 10s);
  UnregisterHotKey(nullptr, 0x1236);
  ASSERT_TRUE(warned) << "no warning";
  EXPECT_TRUE(HasChildText(box, L"This hotkey is already in use. Restoring the previous value."));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return TextOf(Control(idEdtHotkeyOCR)) == L"X"; }, 10s))
      << TextOf(Control(idEdtHotkeyOCR));
  EXPECT_TRUE(WaitUntil([] { return !CombinationFree('X'); }, 10s)) << "Ctrl+Shift+X is not held again";
  EXPECT_FALSE(CombinationFree('S')) << "the other hotkeys were lost";
}

TEST_F(SettingsCardTest, StartWithWindowsWritesAndRemovesTheRunValue) {
  ClickControl(Control(idChkAutostart));
  ASSERT_TRUE(WaitUntil([] { return RunValue().has_value(); }, 10s)) << "no Run value";
  const std::wstring value = *RunValue();
  const std::wstring expected = L"\"" + TarvelExePath() + L"\"";
  EXPECT_EQ(CompareStringOrdinal(value.c_str(), -1, expected.c_str(), -1, TRUE), CSTR_EQUAL) << value;
  ClickControl(Control(idChkAutostart));
  EXPECT_TRUE(WaitUntil([] { return !RunValue().has_value(); }, 10s)) << "the Run value stayed";
}

} // namespace
} // namespace tarvel::e2e
