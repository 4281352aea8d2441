// The global hotkeys pressed as a user does (SendInput): history navigation, merge, save.
#include <windows.h>

#include <shlobj.h>

#include <regex>

#include "Scenario.h"

namespace tarvel::e2e {
namespace {

class HotkeyTest : public TClipboardScenario {
protected:
  void TearDown() override {
    for (const auto& file : FSaved)
      DeleteFileW(file.c_str());
    TClipboardScenario::TearDown();
  }

  void CopyAndWait(const std::wstring& AText, const std::wstring& ALabel) {
    FOther.CopyText(AText);
    ASSERT_TRUE(LabelShows(ALabel)) << "label: " << Label();
  }

  // Presses the save hotkey and returns the file the log names.
  std::wstring SaveWithHotkey(const std::wstring& ALogText) {
    const std::size_t before = Occurrences(Log(), ALogText);
    PressCtrlShift('S');
    std::wstring path;
    const bool saved = WaitUntil(
        [&] {
          const std::wstring log = Log();
          if (Occurrences(log, ALogText) == before)
            return false;
          const std::size_t at = log.rfind(ALogText) + ALogText.size();
          path = log.substr(at, log.find(L"\r\n", at) - at);
          return true;
        },
        10s);
    EXPECT_TRUE(saved) << "no save line in the log:\n" << Log();
    if (!path.empty())
      FSaved.push_back(path);
    return path;
  }

  static std::string ReadAll(const std::wstring& APath) {
    TUniqueFile file(CreateFileW(APath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string data;
    if (!file)
      return data;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
      data.append(buffer, read);
    return data;
  }

  static std::wstring DesktopFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
  }

  std::vector<std::wstring> FSaved;
};

TEST_F(HotkeyTest, ZAndYPutThePreviousAndNextEntryOnTheClipboardWithoutAddingOne) {
  CopyAndWait(L"alpha", L"1 / 1  ");
  CopyAndWait(L"beta", L"2 / 2  ");
  CopyAndWait(L"gamma", L"3 / 3  ");
  PressCtrlShift('Z');
  ASSERT_TRUE(LabelShows(L"2 / 3  ")) << "label: " << Label();
  EXPECT_TRUE(WaitUntil([&] { return FOther.Text() == L"beta"; }, 10s)) << FOther.Text();
  PressCtrlShift('Z');
  ASSERT_TRUE(LabelShows(L"1 / 3  ")) << "label: " << Label();
  EXPECT_TRUE(WaitUntil([&] { return FOther.Text() == L"alpha"; }, 10s)) << FOther.Text();
  PressCtrlShift('Y');
  ASSERT_TRUE(LabelShows(L"2 / 3  ")) << "label: " << Label();
  EXPECT_TRUE(WaitUntil([&] { return FOther.Text() == L"beta"; }, 10s)) << FOther.Text();
  // Nothing was added: the next outside copy is the fourth entry.
  CopyAndWait(L"delta", L"4 / 4  ");
  EXPECT_EQ(Occurrences(Log(), L"External clipboard captured"), 4u) << Log();
}

// Another program holds the clipboard for 300 ms as Ctrl+Shift+Z is pressed: the entry
// goes back once it lets go, no error box comes up, and the window answers meanwhile.
TEST_F(HotkeyTest, ZWhileAnotherProgramHoldsTheClipboardForAMoment) {
  CopyAndWait(L"alpha", L"1 / 1  ");
  CopyAndWait(L"beta", L"2 / 2  ");
  FOther.Open();
  PressCtrlShift('Z');
  const auto until = std::chrono::steady_clock::now() + 300ms;
  bool boxSeen = false;
  bool answered = true;
  while (std::chrono::steady_clock::now() < until) {
    boxSeen = boxSeen || FindMessageBox(FTarvel.Id()) != nullptr;
    answered = answered && SendMessageTimeoutW(FMain, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 250, nullptr) != 0;
    Sleep(20);
  }
  CloseClipboard();
  EXPECT_FALSE(boxSeen) << "an error box while the clipboard was held";
  EXPECT_TRUE(answered) << "the window did not answer while it waited";
  ASSERT_TRUE(LabelShows(L"1 / 2  ")) << "label: " << Label();
  EXPECT_TRUE(WaitUntil([&] { return FOther.Text() == L"alpha"; }, 10s)) << FOther.Text();
  EXPECT_TRUE(
      WaitUntil([&] { return Log().find(L"History selection copied to clipboard: alpha") != std::wstring::npos; }, 10s))
      << Log();
  EXPECT_EQ(FindMessageBox(FTarvel.Id()), nullptr) << "an error box after the clipboard was let go";
  EXPECT_EQ(Occurrences(Log(), L"External clipboard captured"), 2u) << Log();
}

TEST_F(HotkeyTest, CtrlShiftPlusMergesTheTextEntries) {
  CopyAndWait(L"first part", L"1 / 1  ");
  CopyAndWait(L"second part", L"2 / 2  ");
  PressCtrlShift(VK_OEM_PLUS);
  ASSERT_TRUE(LabelShows(L"3 / 3  ")) << "label: " << Label();
  EXPECT_TRUE(WaitUntil([&] { return FOther.Text() == L"first part\r\nsecond part"; }, 10s)) << FOther.Text();
  EXPECT_NE(Log().find(L"Text merge: first part second part"), std::wstring::npos) << Log();
}

TEST_F(HotkeyTest, CtrlShiftSWritesTextHtmlAndImagesToTheDesktop) {
  const std::wstring desktop = DesktopFolder();
  ASSERT_FALSE(desktop.empty());
  const std::wregex name(LR"(clipboard-\d{8}_\d{6}_\d{3}\.(txt|htm|jpg))");

  // Text.
  FOther.CopyText(L"Plain text, caf\u00e9\r\nsecond line");
  std::wstring path = SaveWithHotkey(L"Clipboard saved: ");
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.substr(0, desktop.size()), desktop);
  EXPECT_TRUE(std::regex_match(path.substr(path.find_last_of(L'\\') + 1), name)) << path;
  EXPECT_EQ(path.substr(path.size() - 4), L".txt");
  EXPECT_EQ(ReadAll(path), "\xEF\xBB\xBFPlain text, caf\xC3\xA9\r\nsecond line");

  // Text with "HTML Format": exactly the bytes between StartHTML and EndHTML.
  const std::string document = "<html><body><!--StartFragment--><b>bold</b><!--EndFragment--></body></html>";
  std::string header = "Version:0.9\r\nStartHTML:0000000000\r\nEndHTML:0000000000\r\n";
  char numbers[11];
  std::snprintf(numbers, sizeof numbers, "%010zu", header.size());
  header.replace(header.find("StartHTML:") + 10, 10, numbers);
  std::snprintf(numbers, sizeof numbers, "%010zu", header.size() + document.size());
  header.replace(header.find("EndHTML:") + 8, 10, numbers);
  const std::string data = header + document;
  std::vector<std::uint8_t> html(data.begin(), data.end());
  html.push_back(0);
  const std::wstring text = L"bold";
  std::vector<std::uint8_t> unicode(reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                    reinterpret_cast<const std::uint8_t*>(text.c_str() + text.size() + 1));
  FOther.CopyFormats({{CF_UNICODETEXT, unicode}, {RegisterClipboardFormatW(L"HTML Format"), html}});
  path = SaveWithHotkey(L"Clipboard saved: ");
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.substr(path.size() - 4), L".htm");
  EXPECT_EQ(ReadAll(path), "\xEF\xBB\xBF" + document);

  // An image: a 24-bit JPEG of its size.
  FOther.CopyImage(64, 40);
  path = SaveWithHotkey(L"Clipboard image saved: ");
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.substr(path.size() - 4), L".jpg");
  const std::string jpeg = ReadAll(path);
  ASSERT_GT(jpeg.size(), 100u);
  EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
  const std::size_t sof = jpeg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  const auto byte = [&](std::size_t AAt) { return static_cast<unsigned char>(jpeg[sof + AAt]); };
  EXPECT_EQ(byte(5) << 8 | byte(6), 40); // height
  EXPECT_EQ(byte(7) << 8 | byte(8), 64); // width
  EXPECT_EQ(byte(9), 3);                 // three components: 24 bits
}

} // namespace
} // namespace tarvel::e2e
