// The log view with its memo's peer, as the info card shows the log: appended lines leave the
// text a refill of the same lines gives, the view where its reader has it, and on screen what
// drawing the whole view afresh draws; the text is selected and copied as in an edit.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core/Text.h"
#include "core/win32/Check.h"
#include "ui/win32/LogView.h"
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

void Pump(DWORD AMilliseconds) {
  const DWORD end = GetTickCount() + AMilliseconds;
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageW(&msg);
    Sleep(5);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

std::vector<COLORREF> Pixels(HDC ADC, int AWidth, int AHeight) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), AWidth, -AHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<COLORREF> pixels(static_cast<std::size_t>(AWidth * AHeight));
  const HDC memory = CreateCompatibleDC(ADC);
  const HBITMAP bitmap = CreateCompatibleBitmap(ADC, AWidth, AHeight);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, AWidth, AHeight, ADC, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(AHeight), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return pixels;
}

class LogViewTest : public testing::Test {
protected:
  LogViewTest() {
    TLogView::Register(GetModuleHandleW(nullptr));
    FField = CreateWindowExW(0, TLogView::ClassName, L"", WS_POPUP | WS_VISIBLE | WS_VSCROLL, 20, 20, 420, 240, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(FField, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    FPeer = std::make_unique<TLogViewPeer>(FMemo, FField);
  }
  ~LogViewTest() override {
    FPeer.reset();
    DestroyWindow(FField);
  }

  TLogView& View() const { return *TLogView::FromHandle(FField); }

  // Fills the view through the log's two paths: a refill with the first lines, then one line
  // at a time.
  void Fill(int ALines) {
    std::vector<std::u16string> first;
    for (int i = 0; i < 3; ++i)
      first.push_back(LogLine(i));
    FMemo.SetLines(first);
    FMemo.CaretToEnd();
    for (int i = 3; i < ALines; ++i)
      FMemo.AppendLine(LogLine(i), Cap);
  }

  // The scroll bar as the user sees it, once a burst of lines has been drawn.
  bool ScrollBarAtEnd() const {
    Pump(400);
    SCROLLINFO bar{sizeof bar, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    return GetScrollInfo(FField, SB_VERT, &bar) && bar.nPos + static_cast<int>(bar.nPage) > bar.nMax;
  }

  std::u16string TopRowText() const {
    const auto rows = View().Text().Rows(View().TopRow(), 1);
    if (rows.empty())
      return {};
    const std::u16string& line = View().Text().Line(rows[0].Line);
    return line.substr(rows[0].Start, rows[0].End - rows[0].Start);
  }

  POINT RowPoint(int ARowInView, int AX) const {
    TEXTMETRICW metrics{};
    const HDC dc = GetDC(FField);
    const HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(FField, dc);
    return {AX, ARowInView * metrics.tmHeight + metrics.tmHeight / 2};
  }

  // What the view shows now against what it shows when drawn whole, and that it is not blank.
  void ExpectWhatAFullRedrawShows(const char* AWhen) const {
    RECT client{};
    GetClientRect(FField, &client);
    const HDC dc = GetDC(FField);
    const std::vector<COLORREF> incremental = Pixels(dc, client.right, client.bottom);
    InvalidateRect(FField, nullptr, FALSE);
    UpdateWindow(FField);
    const std::vector<COLORREF> whole = Pixels(dc, client.right, client.bottom);
    ReleaseDC(FField, dc);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < whole.size() && i < incremental.size(); ++i)
      wrong += incremental[i] != whole[i];
    EXPECT_EQ(wrong, 0u) << "pixels drawn differently from a full redraw " << AWhen;
    std::size_t differing = 0;
    for (const COLORREF pixel : whole)
      differing += pixel != whole.front();
    EXPECT_GT(differing, 100u) << AWhen;
  }

  TMemo FMemo{u"MemoInfoLog"};
  HWND FField = nullptr;
  std::unique_ptr<TLogViewPeer> FPeer;
};

TEST_F(LogViewTest, AppendedLinesShowWhatARefillShowsBelowAndPastTheCap) {
  for (const int lines : {40, 500, 501, 737}) {
    Fill(lines);
    const std::wstring shown = FieldText(FField);
    EXPECT_EQ(shown, ToWide(FMemo.Text())) << lines << " lines";
    if (lines > static_cast<int>(Cap)) {
      EXPECT_EQ(shown.rfind(ToWide(LogLine(lines - static_cast<int>(Cap))), 0), 0u) << lines << " lines";
      EXPECT_GT(shown.size(), 30000u);
    }
    EXPECT_TRUE(View().AtEnd()) << lines << " lines: the view does not follow the newest line";
    EXPECT_TRUE(ScrollBarAtEnd()) << lines << " lines: the scroll bar does not follow the newest line";
    // The lines wrap inside the view: more rows than lines.
    EXPECT_GT(View().Text().RowCount(), static_cast<int>(View().Text().LineCount()));
  }
}

TEST_F(LogViewTest, AViewScrolledUpKeepsItsRowsWhileOldLinesGo) {
  Fill(520);
  View().ScrollTo(100);
  const std::u16string reading = TopRowText();
  ASSERT_FALSE(reading.empty());
  for (int i = 520; i < 530; ++i)
    FMemo.AppendLine(LogLine(i), Cap);
  EXPECT_EQ(FieldText(FField), ToWide(FMemo.Text()));
  EXPECT_EQ(TopRowText(), reading);
  EXPECT_FALSE(View().AtEnd());
  EXPECT_FALSE(ScrollBarAtEnd());
  // Back at the end, the view follows again.
  SendMessageW(FField, WM_VSCROLL, SB_BOTTOM, 0);
  FMemo.AppendLine(LogLine(530), Cap);
  EXPECT_TRUE(View().AtEnd());
  EXPECT_TRUE(ScrollBarAtEnd());
}

TEST_F(LogViewTest, AViewChangedBehindTheModelIsRefilled) {
  Fill(10);
  SetWindowTextW(FField, L"something else");
  FMemo.AppendLine(LogLine(10), Cap);
  EXPECT_EQ(FieldText(FField), ToWide(FMemo.Text()));
  EXPECT_TRUE(View().AtEnd());
}

// The rows moved on screen and the rows of a burst drawn later add up to the same picture as
// drawing the view whole: no row missing, doubled or left behind. The client area is a whole
// number of rows, or shows a part of one more below them (the usual case).
TEST_F(LogViewTest, WhatIsOnScreenAfterAppendsIsWhatAFullRedrawShows) {
  const int rowHeight = RowPoint(1, 0).y - RowPoint(0, 0).y;
  for (const int part : {0, rowHeight / 2}) {
    SCOPED_TRACE(testing::Message() << "a part row of " << part << " px below 18 rows of " << rowHeight);
    SetWindowPos(FField, nullptr, 0, 0, 420, 18 * rowHeight + part, SWP_NOMOVE | SWP_NOZORDER);
    Fill(60);
    for (int i = 60; i < 76; ++i)
      FMemo.AppendLine(LogLine(i), Cap); // a burst, drawn together
    Pump(300);
    for (int i = 76; i < 80; ++i) {
      FMemo.AppendLine(LogLine(i), Cap);
      Pump(150); // each line on its own: the rows are moved and the new one drawn
    }
    ExpectWhatAFullRedrawShows("after lines were added");
    // Scrolled a row at a time, back and forth.
    for (const WPARAM key : {VK_UP, VK_UP, VK_UP, VK_DOWN}) {
      SendMessageW(FField, WM_KEYDOWN, key, 0);
      Pump(50);
    }
    ExpectWhatAFullRedrawShows("after scrolling by rows");
  }
}

TEST_F(LogViewTest, AResizeWrapsAgainAndKeepsTheEndInSight) {
  // All in sight, then too little room: the end stays in sight.
  Fill(4);
  ASSERT_EQ(View().TopRow(), 0);
  SetWindowPos(FField, nullptr, 0, 0, 200, 60, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_GT(View().TopRow(), 0);
  EXPECT_TRUE(View().AtEnd());
  SetWindowPos(FField, nullptr, 0, 0, 420, 240, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(View().TopRow(), 0);
  Fill(100);
  const int rows = View().Text().RowCount();
  SetWindowPos(FField, nullptr, 0, 0, 900, 240, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_LT(View().Text().RowCount(), rows);
  EXPECT_TRUE(View().AtEnd());
  SetWindowPos(FField, nullptr, 0, 0, 200, 240, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_GT(View().Text().RowCount(), rows);
  EXPECT_TRUE(View().AtEnd());
}

TEST_F(LogViewTest, TheMouseSelectsAndTheKeysAndMenuCopy) {
  FMemo.SetLines({u"alpha beta", u"gamma delta"});
  // Press on the first row's start, drag to the second row's far right, let go.
  const POINT from = RowPoint(0, 0);
  const POINT to = RowPoint(1, 400);
  SendMessageW(FField, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
  SendMessageW(FField, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
  SendMessageW(FField, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
  EXPECT_EQ(View().SelectedText(), u"alpha beta\r\ngamma delta");
  EXPECT_EQ(GetFocus(), FField);

  // A double click takes the word.
  const POINT word = RowPoint(1, 60);
  SendMessageW(FField, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(word.x, word.y));
  SendMessageW(FField, WM_LBUTTONUP, 0, MAKELPARAM(word.x, word.y));
  EXPECT_EQ(View().SelectedText(), u"delta");

  // Ctrl+A, then Ctrl+C: the whole text on the clipboard.
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(FField, WM_KEYDOWN, 'A', 0);
  SendMessageW(FField, WM_KEYDOWN, 'C', 0);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(View().SelectedText(), u"alpha beta\r\ngamma delta");
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HANDLE data = GetClipboardData(CF_UNICODETEXT);
  std::wstring copied;
  if (const auto* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr) {
    copied = text;
    GlobalUnlock(data);
  }
  CloseClipboard();
  EXPECT_EQ(copied, L"alpha beta\r\ngamma delta");

  // Lines that go take a selection on them along.
  FMemo.AppendLine(u"epsilon", 1);
  EXPECT_EQ(View().SelectedText(), u"");
  EXPECT_EQ(FieldText(FField), L"epsilon");
}

} // namespace
} // namespace tarvel
