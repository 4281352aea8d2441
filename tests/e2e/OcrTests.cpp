// Ctrl+Shift+X as a user presses it: a rectangle dragged over a window of the driver, the
// text recognized by the test's runtime classes (Wine has none of its own), scripted with
// what the engine finds and recording what it was given.
#include <windows.h>

#include <string>
#include <vector>

#include "CaptureScenario.h"
#include "ocr_double/OcrScript.h"
#include "png/PngDecode.h"

namespace tarvel::e2e {
namespace {

using ocr_double::TOcrScript;

constexpr POINT From{100, 100};
constexpr POINT To{400, 220}; // 300 x 120

std::vector<std::uint8_t> ReadWholeFile(const std::wstring& APath) {
  std::vector<std::uint8_t> bytes;
  const HANDLE file = CreateFileW(APath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!bytes.empty())
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

// The text after APrefix on the log line that has it.
std::wstring AfterPrefix(const std::wstring& ALog, const std::wstring& APrefix) {
  const std::size_t at = ALog.find(APrefix);
  if (at == std::wstring::npos)
    return {};
  const std::size_t start = at + APrefix.size();
  return ALog.substr(start, ALog.find_first_of(L"\r\n", start) - start);
}

int CountOf(const std::wstring& AText, const std::wstring& APart) {
  int count = 0;
  for (std::size_t at = AText.find(APart); at != std::wstring::npos; at = AText.find(APart, at + APart.size()))
    ++count;
  return count;
}

class OcrTest : public TCaptureScenario {
protected:
  // Made before Tarvel starts, which inherits where to find it; rewritten by each test.
  TOcrScript FScript;

  void SetUp() override {
    FScript.Lines({L"Hello OCR"});
    TCaptureScenario::SetUp();
  }
  void OpenOverlay() {
    PressCtrlShift('X');
    ASSERT_TRUE(OverlayOpens()) << "no overlay after Ctrl+Shift+X\n" << Log();
    Sleep(300);
  }
  bool Recorded(const std::string& APrefix) const {
    for (const std::string& line : FScript.Records())
      if (line.rfind(APrefix, 0) == 0)
        return true;
    return false;
  }
  bool LogHasWithin(const std::wstring& AText, std::chrono::milliseconds ATimeout) {
    return WaitUntil([&] { return Log().find(AText) != std::wstring::npos; }, ATimeout);
  }
};

TEST_F(OcrTest, TheTextUnderADraggedRectangleLandsOnTheClipboardAndInTheHistory) {
  const test::TPatternWindow board({60, 60, 460, 300}, 0, RGB(230, 230, 230));
  OpenOverlay();
  Drag(From, To);
  ASSERT_TRUE(LogHas(L"OCR completed: Hello OCR")) << Log();
  EXPECT_EQ(FOther.Text(), L"Hello OCR");
  EXPECT_EQ(Label().rfind(L"1 / 1", 0), 0u) << Label();

  // The log tells the run in order.
  const std::wstring log = Log();
  const wchar_t* const order[] = {L"OCR selection: left=100 top=100 right=400 bottom=220 size=300x120",
                                  L"OCR screenshot debug: ",
                                  L"[OCR] ",
                                  L"Preprocess OCR: source=300x120 scale=3 target=900x360",
                                  L"OCR preprocessed debug: ",
                                  L"OCR started: source=300x120 ocr=900x360 Auto - Windows profile",
                                  L"RecognizeBitmap begin preprocess=False",
                                  L"RecognizeBitmap end",
                                  L"System clipboard updated: text Hello OCR",
                                  L"OCR completed: Hello OCR"};
  std::size_t at = 0;
  for (const wchar_t* step : order) {
    const std::size_t found = log.find(step, at);
    ASSERT_NE(found, std::wstring::npos) << "missing or out of order: " << std::string(step, step + wcslen(step))
                                         << "\n"
                                         << log;
    at = found;
  }

  // The engine got three times the selection, grey and opaque, as Bgra8 with its alpha ignored.
  EXPECT_TRUE(Recorded("bitmap width=900 height=360 format=87 alpha=2 length=1296000 "))
      << testing::PrintToString(FScript.Records());
  for (const std::string& line : FScript.Records())
    if (line.rfind("bitmap ", 0) == 0) {
      EXPECT_EQ(ocr_double::OcrRecordField(line, "grey"), "1");
      EXPECT_EQ(ocr_double::OcrRecordField(line, "opaque"), "1");
    }

  // The two debug images are the selection and what the engine got.
  const TBitmap32 source = DecodePng(ReadWholeFile(AfterPrefix(log, L"OCR screenshot debug: ")));
  EXPECT_EQ(source.Width(), 300);
  EXPECT_EQ(source.Height(), 120);
  EXPECT_EQ(source.Pixel(150, 60) & 0xFFFFFF, 0xE6E6E6u);
  const TBitmap32 prepared = DecodePng(ReadWholeFile(AfterPrefix(log, L"OCR preprocessed debug: ")));
  EXPECT_EQ(prepared.Width(), 900);
  EXPECT_EQ(prepared.Height(), 360);
}

TEST_F(OcrTest, EscapeSaysOnlyThatAndTheHotKeyWorksAgain) {
  OpenOverlay();
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(OverlayCloses());
  ASSERT_TRUE(LogHas(L"OCR selection cancelled")) << Log();
  Sleep(300);
  // After the start, that one line and nothing else.
  const std::wstring log = WithoutUpdateCheckLines(Log());
  const std::wstring since = log.substr(log.find(L"Tarvel started"));
  EXPECT_EQ(Occurrences(since, L" - "), 1u) << log;
  EXPECT_NE(since.find(L" - OCR selection cancelled"), std::wstring::npos) << log;
  OpenOverlay();
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(OverlayCloses());
}

TEST_F(OcrTest, TheHotKeyAgainOverTheOverlayIsTurnedAway) {
  OpenOverlay();
  const HWND first = Overlay();
  PressCtrlShift('X');
  ASSERT_TRUE(LogHas(L"OCR ignored: processing already in progress")) << Log();
  EXPECT_EQ(Overlay(), first);
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(OverlayCloses());
}

TEST_F(OcrTest, TheWindowAnswersWhileARecognitionRuns) {
  FScript.Delay(3000);
  OpenOverlay();
  Drag(From, To);
  ASSERT_TRUE(LogHas(L"OCR started: ")) << Log();
  DWORD_PTR result = 0;
  const DWORD start = GetTickCount();
  EXPECT_NE(SendMessageTimeoutW(FMain, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result), 0);
  EXPECT_LT(GetTickCount() - start, 1000u);
  EXPECT_EQ(Log().find(L"OCR completed"), std::wstring::npos) << "the recognition should still run";
  ASSERT_TRUE(LogHasWithin(L"OCR completed: Hello OCR", 15s)) << Log();
}

TEST_F(OcrTest, QuittingWhileARecognitionRunsEndsCleanly) {
  FScript.Delay(10000);
  OpenOverlay();
  Drag(From, To);
  ASSERT_TRUE(LogHas(L"OCR started: ")) << Log();
  ChooseTrayMenuItem(tmQuit);
  AnswerQuit(IDYES);
  ASSERT_TRUE(FTarvel.WaitForExit(10000)) << "Tarvel did not quit";
  EXPECT_EQ(FTarvel.ExitCode(), 0u);
}

TEST_F(OcrTest, ChoosingALanguageStoresItsTag) {
  ShowApp();
  ShowCard(idBtnCard2, idCmbLanguageOCR);
  const HWND combo = Control(idCmbLanguageOCR);
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2); // Auto and en-US
  ClickControl(combo);
  PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  ASSERT_TRUE(LogHas(L"OCR language set: en-US | English (United States)")) << Log();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Nusk\\Tarvel", 0, KEY_READ, &key), ERROR_SUCCESS);
  wchar_t tag[64] = {};
  DWORD size = sizeof tag;
  EXPECT_EQ(RegQueryValueExW(key, L"OcrLanguageTag", nullptr, nullptr, reinterpret_cast<BYTE*>(tag), &size),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(std::wstring(tag), L"en-US");
}

// A selection whose prepared image is wider than the engine takes used to fail with "Invalid
// parameter". It is read in two strips that fit; the double finds its scripted line in each,
// and the two land side by side on one line.
TEST_F(OcrTest, ASelectionWiderThanTheEngineTakesGivesText) {
  const test::TPatternWindow board({60, 60, 560, 200}, 0, RGB(230, 230, 230));
  FScript.MaxImageDimension(1000);
  OpenOverlay();
  Drag(From, {500, 140}); // 400 x 40, prepared at three times: 1200 x 120
  ASSERT_TRUE(LogHas(L"OCR completed: Hello OCR Hello OCR")) << Log();
  EXPECT_EQ(FOther.Text(), L"Hello OCR Hello OCR");
  EXPECT_EQ(Log().find(L"OCR error"), std::wstring::npos) << Log();
  int bitmaps = 0;
  for (const std::string& line : FScript.Records())
    if (line.rfind("bitmap ", 0) == 0) {
      ++bitmaps;
      EXPECT_LE(std::stoi(*ocr_double::OcrRecordField(line, "width")), 1000) << line;
      EXPECT_EQ(ocr_double::OcrRecordField(line, "height"), "120") << line;
    }
  EXPECT_EQ(bitmaps, 2);
}

TEST_F(OcrTest, ChoosingATextLayoutStoresIt) {
  ShowApp();
  ShowCard(idBtnCard2, idCmbOcrTextLayout);
  const HWND combo = Control(idCmbOcrTextLayout);
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 4);
  EXPECT_EQ(TextOf(combo), L"Lines");
  EXPECT_EQ(TextOf(Control(idOcrTextLayoutCaption)), L"OCR text layout");
  ClickControl(combo);
  PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  ASSERT_TRUE(LogHas(L"OCR text layout set: Paragraphs")) << Log();
  EXPECT_EQ(TextOf(combo), L"Paragraphs");
  EXPECT_EQ(FocusOf(FMain), combo) << "the list keeps the keyboard";
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Nusk\\Tarvel", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD layout = 0;
  DWORD size = sizeof layout;
  EXPECT_EQ(RegQueryValueExW(key, L"OcrTextLayout", nullptr, nullptr, reinterpret_cast<BYTE*>(&layout), &size),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(layout, 1u);
}

// A paragraph, a list and a table as a screen shows them, recognized in each text layout:
// what lands on the clipboard, and the log line that names the layout.
struct TLayoutCase {
  const char* Name;
  DWORD Stored; // the layout's number in the settings
  const wchar_t* Logged;
  std::wstring Paragraph, List, Table;
};

class OcrTextLayoutTest : public OcrTest, public testing::WithParamInterface<TLayoutCase> {
protected:
  void StoreSettings() override { StoreSetting(L"OcrTextLayout", GetParam().Stored); }
};

TEST_P(OcrTextLayoutTest, ThePageLandsOnTheClipboardLaidOut) {
  const TLayoutCase& c = GetParam();
  const test::TPatternWindow board({60, 60, 460, 300}, 0, RGB(230, 230, 230));
  const std::vector<std::wstring> paragraph = {L"Tarvel reads the words of the", L"screen and joins the lines of",
                                               L"one paragraph.", L"", L"A second one."};
  const std::vector<std::wstring> list = {L"- Install the new", L"  version now", L"- Restart the program",
                                          L"- Check the log file", L"  for errors"};
  const std::vector<std::wstring> table = {L"Name         Size     Type", L"report.pdf   12 KB    PDF file",
                                           L"notes.txt    3 KB     Text"};
  int runs = 0;
  for (const auto& [rows, expected] :
       {std::pair{&paragraph, &c.Paragraph}, std::pair{&list, &c.List}, std::pair{&table, &c.Table}}) {
    SCOPED_TRACE(testing::PrintToString(*rows));
    FScript.Page(*rows);
    OpenOverlay();
    Drag(From, To);
    ++runs;
    ASSERT_TRUE(WaitUntil([&] { return CountOf(Log(), L"OCR completed") == runs; }, 15s)) << Log();
    EXPECT_EQ(FOther.Text(), *expected);
    EXPECT_NE(Log().find(std::wstring(c.Logged)), std::wstring::npos) << Log();
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachLayout, OcrTextLayoutTest,
    testing::Values(
        TLayoutCase{
            "Lines", 0, L"OCR completed: Tarvel reads",
            L"Tarvel reads the words of the\r\nscreen and joins the lines of\r\none paragraph.\r\nA second one.",
            L"- Install the new\r\nversion now\r\n- Restart the program\r\n- Check the log file\r\nfor errors",
            L"Name Size Type\r\nreport.pdf 12 KB PDF file\r\nnotes.txt 3 KB Text"},
        TLayoutCase{"Paragraphs", 1, L"OCR completed (paragraphs): Tarvel reads",
                    L"Tarvel reads the words of the screen and joins the lines of one paragraph.\r\n\r\nA second one.",
                    L"- Install the new version now\r\n- Restart the program\r\n- Check the log file for errors",
                    L"Name Size Type\r\nreport.pdf 12 KB PDF file\r\nnotes.txt 3 KB Text"},
        TLayoutCase{"OneLine", 2, L"OCR completed (one line): Tarvel reads",
                    L"Tarvel reads the words of the screen and joins the lines of one paragraph. A second one.",
                    L"- Install the new version now - Restart the program - Check the log file for errors",
                    L"Name Size Type report.pdf 12 KB PDF file notes.txt 3 KB Text"},
        TLayoutCase{
            "Table", 3, L"OCR completed (table): Tarvel reads",
            L"Tarvel reads the words of the\r\nscreen and joins the lines of\r\none paragraph.\r\nA second one.",
            L"- Install the new\r\nversion now\r\n- Restart the program\r\n- Check the log file\r\nfor errors",
            L"Name\tSize\tType\r\nreport.pdf\t12 KB\tPDF file\r\nnotes.txt\t3 KB\tText"}),
    [](const testing::TestParamInfo<TLayoutCase>& AInfo) { return std::string(AInfo.param.Name); });

// Without any recognizer language the start shows how to install one, once.
class OcrWithoutLanguagesTest : public TScenario {
protected:
  TOcrScript FScript;
};

TEST_F(OcrWithoutLanguagesTest, TheStartShowsTheInstallWarningOnceAndTheListHoldsOnlyAuto) {
  FScript.Languages({});
  StoreSetting(L"ShowLog", 1);
  FTarvel = TProcess::Start(TarvelExePath());
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(FTarvel.Id())) != nullptr; }, 30s)) << "no warning";
  EXPECT_EQ(TextOf(box), L"Warning");
  EXPECT_TRUE(HasChildText(
      box, L"Tarvel found no OCR languages installed or available for Windows.\r\n\r\n"
           L"To use Ctrl+Shift+X install at least one Windows OCR capability.\r\n\r\n"
           L"Open PowerShell as administrator and check status with:\r\n"
           L"Get-WindowsCapability -Online | Where-Object { $_.Name -like 'Language.OCR*' } | Select-Object Name, "
           L"State\r\n\r\nTo install Italian OCR:\r\nAdd-WindowsCapability -Online -Name "
           L"Language.OCR~~~it-IT~0.0.1.0\r\n\r\nTo install English OCR:\r\nAdd-WindowsCapability -Online -Name "
           L"Language.OCR~~~en-US~0.0.1.0\r\n\r\nRestart Tarvel after installation."));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return (FMain = FindWindowOfProcess(FTarvel.Id(), MainWindowClass)) != nullptr; }, 30s));
  ASSERT_TRUE(WaitUntil([&] { return TrayIconRegistered(FMain); }, 10s));
  const HWND combo = Control(idCmbLanguageOCR);
  ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
  wchar_t item[64] = {};
  SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
  EXPECT_EQ(std::wstring(item), L"Auto - Windows profile");
  Sleep(500);
  EXPECT_EQ(FindMessageBox(FTarvel.Id()), nullptr) << "a second warning";
  const std::wstring log = TextOf(Control(idMemoInfoLog));
  EXPECT_NE(log.find(L"Available OCR languages: none"), std::wstring::npos) << log;
  EXPECT_EQ(Occurrences(log, L"No OCR language available: showing installation instructions"), 1u) << log;
}

} // namespace
} // namespace tarvel::e2e
