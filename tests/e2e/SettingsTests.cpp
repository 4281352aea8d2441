// Stored settings as Tarvel reads them at start, and the activity log on the info card.
#include <windows.h>

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
  const std::vector<std::wstring> lines = Lines(text);
  ASSERT_EQ(lines.size(), 1u) << "the log of a fresh start holds only its start line";
  std::wsmatch m;
  ASSERT_TRUE(std::regex_match(lines[0], m,
                               std::wregex(LR"((\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2}) - Tarvel started)")))
      << lines[0];
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

} // namespace
} // namespace tarvel::e2e
