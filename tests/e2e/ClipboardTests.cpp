// Copies made by another program (this one) land in Tarvel's history exactly once, and
// Tarvel's own writes are not taken again.
#include <windows.h>

#include <cstring>

#include "Scenario.h"

namespace tarvel::e2e {
namespace {

using ClipboardTest = TClipboardScenario;

TEST_F(ClipboardTest, TextImageAndFilesEachBecomeOneEntry) {
  FOther.CopyText(L"Hello from another program");
  ASSERT_TRUE(LabelShows(L"1 / 1  ")) << "label: " << Label();
  EXPECT_NE(Label().find(L"Hello from another program"), std::wstring::npos);

  FOther.CopyImage(40, 30);
  ASSERT_TRUE(LabelShows(L"2 / 2  ")) << "label: " << Label();
  EXPECT_NE(Label().find(L"Image 40x30"), std::wstring::npos);

  FOther.CopyFiles({L"C:\\windows\\win.ini", L"C:\\windows\\system.ini"});
  ASSERT_TRUE(LabelShows(L"3 / 3  ")) << "label: " << Label();

  const std::wstring log = Log();
  EXPECT_EQ(Occurrences(log, L" - External clipboard captured: text Hello from another program"), 1u) << log;
  EXPECT_EQ(Occurrences(log, L" - External clipboard captured: image 40x30"), 1u) << log;
  EXPECT_EQ(Occurrences(log, L" - External clipboard captured: 2 file(s): C:\\windows\\win.ini"), 1u) << log;
  EXPECT_EQ(Occurrences(log, L"External clipboard captured"), 3u) << log;
}

// The system's CF_DIBV5 of a palette image has no colour table; the copy is still taken.
TEST_F(ClipboardTest, PaletteImagesAreCaptured) {
  FOther.CopyPaletteImage(13, 5, 1);
  ASSERT_TRUE(LabelShows(L"1 / 1  ")) << "label: " << Label() << "\nlog: " << Log();
  FOther.CopyPaletteImage(20, 9, 8);
  ASSERT_TRUE(LabelShows(L"2 / 2  ")) << "label: " << Label() << "\nlog: " << Log();
  const std::wstring log = Log();
  EXPECT_EQ(Occurrences(log, L" - External clipboard captured: image 13x5"), 1u) << log;
  EXPECT_EQ(Occurrences(log, L" - External clipboard captured: image 20x9"), 1u) << log;
  EXPECT_EQ(Occurrences(log, L"External clipboard read error"), 0u) << log;
}

// As a password manager copies: the text with a mark that asks monitors to keep out.
TEST_F(ClipboardTest, CopiesMarkedPrivateAreNotKept) {
  const std::pair<const wchar_t*, std::vector<std::uint8_t>> marks[] = {
      {L"ExcludeClipboardContentFromMonitorProcessing", {0}},
      {L"CanIncludeInClipboardHistory", {0, 0, 0, 0}},
      {L"Clipboard Viewer Ignore", {0}},
  };
  std::size_t skipped = 0;
  for (const auto& [mark, value] : marks) {
    const std::wstring secret = L"hunter" + std::to_wstring(skipped);
    std::vector<std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(secret.c_str()),
                                    reinterpret_cast<const std::uint8_t*>(secret.c_str() + secret.size() + 1));
    FOther.CopyFormats({{CF_UNICODETEXT, bytes}, {RegisterClipboardFormatW(mark), value}});
    ++skipped;
    ASSERT_TRUE(WaitUntil(
        [&] { return Occurrences(Log(), L"External clipboard skipped: marked private by its source") == skipped; },
        10s))
        << Log();
    EXPECT_EQ(FOther.Text(), secret) << "the copy stays on the clipboard";
  }
  EXPECT_TRUE(LabelShows(L"0 / 0")) << Label();
  EXPECT_EQ(Log().find(L"hunter"), std::wstring::npos) << Log();
  FOther.CopyText(L"an ordinary copy");
  EXPECT_TRUE(LabelShows(L"1 / 1")) << Label();
}

TEST_F(ClipboardTest, TheSameTextCopiedTwiceIsOneEntry) {
  FOther.CopyText(L"twice");
  ASSERT_TRUE(LabelShows(L"1 / 1  "));
  FOther.CopyText(L"twice");
  // Messages are handled in order: once the next copy shows, the second one was seen.
  FOther.CopyText(L"after");
  ASSERT_TRUE(LabelShows(L"2 / 2  ")) << "label: " << Label();
  EXPECT_NE(Label().find(L"after"), std::wstring::npos);
  EXPECT_EQ(Occurrences(Log(), L"captured: text twice"), 1u);
}

// The copying program holds the clipboard for a moment after its copy: Tarvel waits for it.
TEST_F(ClipboardTest, AClipboardHeldForAMomentIsWaitedFor) {
  FOther.CopyTextAndHold(L"held for a moment", 300);
  ASSERT_TRUE(LabelShows(L"1 / 1  ")) << "label: " << Label() << "\nlog: " << Log();
  EXPECT_NE(Label().find(L"held for a moment"), std::wstring::npos) << Label();
  const std::wstring log = Log();
  EXPECT_EQ(Occurrences(log, L"External clipboard captured: text held for a moment"), 1u) << log;
  EXPECT_EQ(Occurrences(log, L"External clipboard read error"), 0u) << log;
}

TEST_F(ClipboardTest, AClipboardHeldOpenGivesOneErrorLineAndTarvelGoesOn) {
  // Held for 3 s, far past Tarvel's second of retries. Should Tarvel ever read before the
  // clipboard is opened again, the copy is captured instead and the attempt is repeated.
  bool held = false;
  for (int attempt = 0; attempt < 5 && !held; ++attempt) {
    FOther.CopyTextAndHold(L"held " + std::to_wstring(attempt), 3000);
    held = WaitUntil([&] { return Log().find(L"External clipboard read error: ") != std::wstring::npos; }, 1s);
  }
  ASSERT_TRUE(held) << Log();
  const std::wstring log = Log();
  EXPECT_EQ(Occurrences(log, L"External clipboard read error: "), 1u) << log;
  EXPECT_NE(log.find(L"External clipboard read error: EClipboardError: Cannot open clipboard: "), std::wstring::npos)
      << log;
  EXPECT_TRUE(FTarvel.Running());
  const int before = Label().rfind(L"0 / 0", 0) == 0 ? 0 : 1;
  FOther.CopyText(L"after the error");
  EXPECT_TRUE(WaitUntil([&] { return Label().find(L"after the error") != std::wstring::npos; }, 10s))
      << "label: " << Label() << " (entries before: " << before << ")";
  EXPECT_EQ(Occurrences(Log(), L"External clipboard read error: "), 1u) << Log();
}

TEST_F(ClipboardTest, TarvelsOwnPublicationIsNotCapturedAgain) {
  FOther.CopyText(L"first");
  ASSERT_TRUE(LabelShows(L"1 / 1  "));
  FOther.CopyText(L"second");
  ASSERT_TRUE(LabelShows(L"2 / 2  "));
  // The user types 1 into the position field: entry 1 goes back on the clipboard.
  SendMessageW(Control(idSpnClipboardPage), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1"));
  ASSERT_TRUE(LabelShows(L"1 / 2  ")) << "label: " << Label();
  ASSERT_TRUE(WaitUntil([&] { return FOther.Text() == L"first"; }, 10s)) << "clipboard: " << FOther.Text();
  ASSERT_TRUE(WaitUntil(
      [&] { return Log().find(L"History selection copied to clipboard: first") != std::wstring::npos; }, 10s));
  // An outside copy after the own write is captured; the own write was not.
  FOther.CopyText(L"third");
  ASSERT_TRUE(LabelShows(L"3 / 3  ")) << "label: " << Label();
  const std::wstring log = Log();
  EXPECT_EQ(Occurrences(log, L"External clipboard captured: text first"), 1u) << log;
  EXPECT_EQ(Occurrences(log, L"External clipboard captured"), 3u) << log;
  EXPECT_NE(log.find(L"System clipboard updated: text first"), std::wstring::npos) << log;
}

TEST_F(ClipboardTest, AnErrorNoCommandCatchesIsShownInABoxAndTarvelGoesOn) {
  FOther.CopyText(L"one");
  ASSERT_TRUE(LabelShows(L"1 / 1  "));
  FOther.CopyText(L"two");
  ASSERT_TRUE(LabelShows(L"2 / 2  "));
  // With the clipboard held by this program, putting entry 1 back on it must fail.
  FOther.Open();
  // The box is shown while Tarvel still handles the text change, so this must not wait.
  SendMessageTimeoutW(Control(idSpnClipboardPage), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1"), SMTO_NORMAL, 500,
                      nullptr);
  HWND box = nullptr;
  const bool shown = WaitUntil([&] { return (box = FindMessageBox(FTarvel.Id())) != nullptr; }, 10s);
  CloseClipboard();
  ASSERT_TRUE(shown) << "no error box";
  EXPECT_EQ(TextOf(box), L"Tarvel");
  bool named = false;
  for (const auto& text : ChildTexts(box))
    named = named || text.rfind(L"Cannot open clipboard: ", 0) == 0;
  EXPECT_TRUE(named) << "the box does not show the clipboard error";
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return FindMessageBox(FTarvel.Id()) == nullptr; }, 10s));
  // The program carries on: the next copy is captured.
  FOther.CopyText(L"three");
  EXPECT_TRUE(LabelShows(L"3 / 3  ")) << "label: " << Label();
  EXPECT_TRUE(FTarvel.Running());
}

} // namespace
} // namespace tarvel::e2e
