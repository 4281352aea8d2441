// The memo's peer on a real edit control, styled as the info card's: appended lines leave the
// text a refill of the same lines gives, and the view where its reader has it.
#include <gtest/gtest.h>

#include <windows.h>

#include <iterator>
#include <memory>
#include <string>

#include "core/Text.h"
#include "core/win32/Check.h"
#include "ui/win32/Peers.h"

namespace tarvel {
namespace {

constexpr std::size_t Cap = 500;

std::wstring FieldText(HWND AField) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(AField)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(AField, text.data(), static_cast<int>(text.size()))));
  return text;
}

// A log line as long as a capture's, with its number in front.
std::u16string LogLine(int AIndex) {
  return u"2026-03-01 14:05:09 - External clipboard captured: text line " + IntToStr(AIndex) +
         u" of a copy made in another program, cut at eighty...";
}

class MemoPeerTest : public testing::Test {
protected:
  MemoPeerTest() {
    FField = CreateWindowExW(0, L"EDIT", L"",
                             WS_POPUP | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, 20, 20,
                             420, 240, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    FPeer = std::make_unique<TMemoPeer>(FMemo, FField);
  }
  ~MemoPeerTest() override {
    FPeer.reset();
    DestroyWindow(FField);
  }

  // Fills the field through the log's two paths: a refill with the first lines, then one
  // line at a time.
  void Fill(int ALines) {
    std::vector<std::u16string> first;
    for (int i = 0; i < 3; ++i)
      first.push_back(LogLine(i));
    FMemo.SetLines(first);
    FMemo.CaretToEnd();
    for (int i = 3; i < ALines; ++i)
      FMemo.AppendLine(LogLine(i), Cap);
  }

  bool ViewAtEnd() const {
    SCROLLINFO bar{sizeof bar, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    return GetScrollInfo(FField, SB_VERT, &bar) && bar.nPos + static_cast<int>(bar.nPage) > bar.nMax;
  }

  std::wstring FirstVisibleLine() const {
    wchar_t buffer[512] = {};
    buffer[0] = static_cast<wchar_t>(std::size(buffer) - 1);
    const auto line = SendMessageW(FField, EM_GETFIRSTVISIBLELINE, 0, 0);
    const auto n = SendMessageW(FField, EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer));
    return std::wstring(buffer, static_cast<std::size_t>(n));
  }

  TMemo FMemo{u"MemoInfoLog"};
  HWND FField = nullptr;
  std::unique_ptr<TMemoPeer> FPeer;
};

TEST_F(MemoPeerTest, AppendedLinesShowWhatARefillShowsBelowAndPastTheCap) {
  for (const int lines : {40, 500, 501, 737}) {
    Fill(lines);
    const std::wstring shown = FieldText(FField);
    EXPECT_EQ(shown, ToWide(FMemo.Text())) << lines << " lines";
    // Past the cap: the newest 500, more than the edit control's default limit holds.
    if (lines > static_cast<int>(Cap)) {
      EXPECT_EQ(shown.rfind(ToWide(LogLine(lines - static_cast<int>(Cap))), 0), 0u) << lines << " lines";
      EXPECT_GT(shown.size(), 30000u);
    }
    EXPECT_EQ(shown.substr(shown.size() - ToWide(LogLine(lines - 1)).size()), ToWide(LogLine(lines - 1)));
    EXPECT_TRUE(ViewAtEnd()) << lines << " lines: the view does not follow the newest line";
    DWORD start = 0, end = 0;
    SendMessageW(FField, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, shown.size());
    EXPECT_EQ(end, shown.size());
  }
}

TEST_F(MemoPeerTest, AViewScrolledUpKeepsItsLinesWhileOldOnesGo) {
  Fill(520);
  SendMessageW(FField, EM_LINESCROLL, 0, 100 - SendMessageW(FField, EM_GETFIRSTVISIBLELINE, 0, 0));
  const std::wstring reading = FirstVisibleLine();
  ASSERT_FALSE(reading.empty());
  for (int i = 520; i < 530; ++i)
    FMemo.AppendLine(LogLine(i), Cap);
  EXPECT_EQ(FieldText(FField), ToWide(FMemo.Text()));
  EXPECT_EQ(FirstVisibleLine(), reading);
  EXPECT_FALSE(ViewAtEnd());
  // Back at the end, the view follows again.
  SendMessageW(FField, WM_VSCROLL, SB_BOTTOM, 0);
  FMemo.AppendLine(LogLine(530), Cap);
  EXPECT_TRUE(ViewAtEnd());
}

TEST_F(MemoPeerTest, AFieldChangedBehindTheModelIsRefilled) {
  Fill(10);
  SetWindowTextW(FField, L"something else");
  FMemo.AppendLine(LogLine(10), Cap);
  EXPECT_EQ(FieldText(FField), ToWide(FMemo.Text()));
  EXPECT_TRUE(ViewAtEnd());
}

} // namespace
} // namespace tarvel
