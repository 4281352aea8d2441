#include "ui/win32/LogView.h"

#include <windowsx.h>

#include <algorithm>
#include <cwctype>
#include <utility>

#include "core/Text.h"
#include "core/win32/Windowing.h"

namespace tarvel {
namespace {

const wchar_t* Chars(const std::u16string& AText, std::size_t AFrom = 0) {
  return reinterpret_cast<const wchar_t*>(AText.data() + AFrom);
}

// Lines this long are measured in part: whatever lies beyond does not fit on a row anyway.
constexpr std::size_t MeasuredChars = 4096;

// Characters below this one are drawn one after the other at their own widths.
constexpr UINT SimpleChars = 0x300;

// Letters and digits of every script (as the system classes them) and '_'.
bool IsWordChar(char16_t AChar) {
  return std::iswalnum(static_cast<wint_t>(AChar)) || AChar == u'_';
}

enum : UINT_PTR { cmdCopy = 1, cmdSelectAll };

constexpr UINT_PTR BurstTimerId = 1;
// While lines keep coming, the view shows them this often.
constexpr UINT BurstPause = 100; // ms
constexpr int ScrollBarTicks = 3;

} // namespace

void TLogView::Register(HINSTANCE AInstance) {
  RegisterWindowClassOnce(AInstance, ClassName, OwnedObjectWindowProc<TLogView, &TLogView::HandleMessage>, CS_DBLCLKS,
                          IDC_IBEAM);
}

TLogView* TLogView::FromHandle(HWND AWindow) noexcept {
  wchar_t name[32] = {};
  if (!AWindow || !GetClassNameW(AWindow, name, 32) || std::wstring_view(name) != ClassName)
    return nullptr;
  return WindowObject<TLogView>(AWindow);
}

TLogView::TLogView(HWND AHandle)
    : FHandle(AHandle), FMeasure(CreateCompatibleDC(nullptr)),
      FText([this](std::u16string_view AText, int AWidth) { return Fit(AText, AWidth); }) {
  SetFont(nullptr);
}

std::size_t TLogView::Fit(std::u16string_view AText, int AWidth) {
  // Text of the first scripts (Latin and its neighbours) is as wide as its characters' widths
  // added up, which are known for the font: no call into the font engine per line.
  int used = 0;
  std::size_t i = 0;
  for (; i < AText.size() && AText[i] < FCharWidths.size(); ++i) {
    used += FCharWidths[AText[i]];
    if (used > AWidth)
      return i;
  }
  if (i == AText.size())
    return i;
  int fit = 0;
  SIZE size{};
  const auto length = static_cast<int>(std::min(AText.size(), MeasuredChars));
  if (!GetTextExtentExPointW(FMeasure.Get(), reinterpret_cast<const wchar_t*>(AText.data()), length, AWidth, &fit,
                             nullptr, &size))
    return AText.size();
  return static_cast<std::size_t>(std::max(fit, 0));
}

void TLogView::SetFont(HFONT AFont) {
  FFont = AFont;
  SelectObject(FMeasure.Get(), FFont ? static_cast<HGDIOBJ>(FFont) : GetStockObject(SYSTEM_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(FMeasure.Get(), &metrics);
  FRowHeight = std::max<int>(metrics.tmHeight, 1);
  FCharWidths.assign(SimpleChars, 0);
  if (!GetCharWidth32W(FMeasure.Get(), 0, SimpleChars - 1, FCharWidths.data()))
    FCharWidths.clear();
  Relayout(true);
}

void TLogView::Relayout(bool AFontChanged) {
  RECT client{};
  GetClientRect(FHandle, &client);
  const bool atEnd = AtEnd();
  // The row in sight at the top stays there.
  TTextPosition first{};
  if (const auto rows = FText.Rows(FTop, 1); !rows.empty())
    first = {rows[0].Line, rows[0].Start};
  FPageRows = std::max<int>(client.bottom / FRowHeight, 1);
  if (AFontChanged)
    FText.SetWidth(-1);
  FText.SetWidth(std::max<int>(client.right - 2 * Margin(), 1));
  FTop = atEnd ? MaxTop() : std::min(FText.RowOf(first), MaxTop());
  UpdateScrollBar();
  InvalidateRect(FHandle, nullptr, FALSE);
}

int TLogView::MaxTop() const noexcept {
  return std::max(FText.RowCount() - PageRows(), 0);
}

void TLogView::UpdateScrollBar() {
  // Redrawing the bar is dear (under Wine a few milliseconds for a tall one), and a full log
  // at its end mostly keeps the same rows and position: only a change is set.
  const TScrollState state{std::max(FText.RowCount() - 1, 0), PageRows(), FTop};
  if (state == FScrollState)
    return;
  FScrollState = state;
  SCROLLINFO bar{sizeof bar, SIF_ALL | SIF_DISABLENOSCROLL, 0, state.Max, static_cast<UINT>(state.Page), state.Pos, 0};
  SetScrollInfo(FHandle, SB_VERT, &bar, TRUE);
}

void TLogView::BurstTick() {
  // The rows follow the burst at every tick, the scroll bar (dearer to draw, and nothing one
  // reads) at every third, and both once it is over.
  ++FBurstTicks;
  if (FBurstStale) {
    FBurstStale = false;
    FScrollBarStale = true;
    InvalidateRect(FHandle, nullptr, FALSE);
  } else {
    KillTimer(FHandle, BurstTimerId);
    FBurst = false;
  }
  if (FScrollBarStale && (!FBurst || FBurstTicks % ScrollBarTicks == 0)) {
    FScrollBarStale = false;
    UpdateScrollBar();
  }
}

void TLogView::Assign(const std::vector<std::u16string>& ALines) {
  FText.Assign(ALines);
  FTop = 0;
  FAnchor = FCaret = {};
  FSelecting = false;
  UpdateScrollBar();
  InvalidateRect(FHandle, nullptr, FALSE);
}

void TLogView::Append(std::u16string ALine, std::size_t ADropFront) {
  const bool atEnd = AtEnd();
  // The rows in sight, counted in the rows that stay.
  const int shownTop = FTop - FText.DropFront(ADropFront);
  // The selection moves with its lines; where they went, it goes too.
  bool selectionLost = false;
  for (TTextPosition* p : {&FAnchor, &FCaret}) {
    selectionLost = selectionLost || (p->Line < ADropFront && FAnchor != FCaret);
    *p = p->Line >= ADropFront ? TTextPosition{p->Line - ADropFront, p->Offset} : TTextPosition{};
  }
  FText.Append(std::move(ALine));
  FTop = atEnd ? MaxTop() : std::max(shownTop, 0);
  // Drawing costs more than the line did (the scroll bar under Wine about as much as a whole
  // capture): a line on its own is drawn at once, the lines of a burst together once per
  // BurstPause.
  if (FBurst) {
    FBurstStale = true;
    return;
  }
  FBurst = SetTimer(FHandle, BurstTimerId, BurstPause, nullptr) != 0;
  FBurstTicks = 0;
  UpdateScrollBar();
  // What is drawn moves up by the rows the view moved: those already drawn are moved, and
  // only the new ones are drawn. A view scrolled up shows the same rows as before.
  const int moved = FTop - shownTop;
  if (selectionLost || shownTop < 0 || FText.RowCount() <= PageRows() || moved >= PageRows())
    InvalidateRect(FHandle, nullptr, FALSE);
  else if (moved > 0)
    MoveRows(moved);
}

void TLogView::MoveRows(int AMoved) {
  ScrollWindowEx(FHandle, 0, -AMoved * FRowHeight, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
  if (AMoved <= 0)
    return;
  // The client area is seldom a whole number of rows: below the last whole row a part of the
  // next one shows (or nothing, at the end). What the scroll uncovers starts that part's
  // height below the first row that comes into sight, so the rows are drawn from their top.
  RECT client{};
  GetClientRect(FHandle, &client);
  const RECT coming{0, (PageRows() - AMoved) * FRowHeight, client.right, client.bottom};
  InvalidateRect(FHandle, &coming, FALSE);
}

void TLogView::ScrollToEnd() {
  ScrollTo(MaxTop());
}

void TLogView::ScrollTo(int ATopRow) {
  ATopRow = std::clamp(ATopRow, 0, MaxTop());
  if (ATopRow == FTop)
    return;
  const int moved = ATopRow - FTop;
  FTop = ATopRow;
  UpdateScrollBar();
  if (std::abs(moved) < PageRows() && !FBurstStale)
    MoveRows(moved);
  else
    InvalidateRect(FHandle, nullptr, FALSE);
}

void TLogView::Select(TTextPosition AAnchor, TTextPosition ACaret) {
  AAnchor = FText.Clamp(AAnchor);
  ACaret = FText.Clamp(ACaret);
  if (AAnchor == FAnchor && ACaret == FCaret)
    return;
  FAnchor = AAnchor;
  FCaret = ACaret;
  InvalidateRect(FHandle, nullptr, FALSE);
}

TTextPosition TLogView::PositionAt(POINT APoint) {
  if (FText.RowCount() == 0)
    return {};
  const int below = APoint.y < 0 ? -1 : static_cast<int>(APoint.y) / FRowHeight;
  const int rowIndex = std::clamp(FTop + below, 0, FText.RowCount() - 1);
  const TWrappedText::TRow row = FText.Rows(rowIndex, 1).front();
  const std::u16string& line = FText.Line(row.Line);
  const int x = static_cast<int>(APoint.x) - Margin();
  const auto length = static_cast<int>(std::min(row.End - row.Start, MeasuredChars));
  if (x <= 0 || length == 0)
    return {row.Line, row.Start};
  std::vector<int> extents(static_cast<std::size_t>(length));
  int fit = 0;
  SIZE size{};
  GetTextExtentExPointW(FMeasure.Get(), Chars(line, row.Start), length, x, &fit, extents.data(), &size);
  // The nearer edge of the character the point is on.
  if (fit < length) {
    const int left = fit > 0 ? extents[static_cast<std::size_t>(fit - 1)] : 0;
    if (x - left > (extents[static_cast<std::size_t>(fit)] - left) / 2)
      ++fit;
  }
  return {row.Line, row.Start + static_cast<std::size_t>(fit)};
}

void TLogView::Paint(HDC ADC, const RECT& AUpdate) {
  RECT client{};
  GetClientRect(FHandle, &client);
  const int width = client.right;
  const int height = AUpdate.bottom - AUpdate.top;
  if (width <= 0 || height <= 0)
    return;
  // Drawn off screen, then shown at once: no flicker while lines come in. The buffer is
  // kept from paint to paint.
  if (FBufferSize.cx < width || FBufferSize.cy < height) {
    FBuffer.Reset(
        CreateCompatibleBitmap(ADC, std::max<int>(width, FBufferSize.cx), std::max<int>(height, FBufferSize.cy)));
    FBufferSize = {std::max<int>(width, FBufferSize.cx), std::max<int>(height, FBufferSize.cy)};
  }
  const TUniqueMemoryDC buffer(CreateCompatibleDC(ADC));
  const HDC dc = buffer.Get();
  const auto bitmap = SelectScoped(dc, FBuffer.Get());
  SetWindowOrgEx(dc, 0, AUpdate.top, nullptr);
  // The parent's colours, as a read-only edit gets them.
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(FHandle), WM_CTLCOLORSTATIC,
                                                     reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(FHandle)));
  if (!brush)
    brush = GetSysColorBrush(COLOR_WINDOW);
  const RECT area{0, AUpdate.top, width, AUpdate.bottom};
  FillRect(dc, &area, brush);
  const COLORREF text = GetTextColor(dc);
  const COLORREF back = GetBkColor(dc);
  const auto font = SelectScoped(dc, FFont ? static_cast<HGDIOBJ>(FFont) : GetStockObject(SYSTEM_FONT));
  SetBkMode(dc, TRANSPARENT);
  const TTextPosition from = std::min(FAnchor, FCaret);
  const TTextPosition to = std::max(FAnchor, FCaret);
  const int firstRow = AUpdate.top / FRowHeight;
  const int lastRow = (AUpdate.bottom + FRowHeight - 1) / FRowHeight;
  const int x = Margin();
  int y = firstRow * FRowHeight;
  for (const TWrappedText::TRow& row : FText.Rows(FTop + firstRow, lastRow - firstRow)) {
    const std::u16string& line = FText.Line(row.Line);
    const auto length = static_cast<int>(std::min(row.End - row.Start, MeasuredChars));
    TextOutW(dc, x, y, Chars(line, row.Start), length);
    // The selected part of the row, drawn again over the highlight.
    const TTextPosition rowStart{row.Line, row.Start};
    const TTextPosition rowEnd{row.Line, row.End};
    if (from < to && from < rowEnd && rowStart < to) {
      const std::size_t s = from < rowStart ? row.Start : from.Offset;
      const std::size_t e = rowEnd < to ? row.End : to.Offset;
      SIZE before{}, selected{};
      GetTextExtentPoint32W(dc, Chars(line, row.Start), static_cast<int>(s - row.Start), &before);
      GetTextExtentPoint32W(dc, Chars(line, s), static_cast<int>(e - s), &selected);
      // A selection running on into the next line shows its line break as a blank.
      if (rowEnd < to && row.End == line.size())
        selected.cx += FRowHeight / 3;
      const RECT mark{x + before.cx, y, x + before.cx + selected.cx, y + FRowHeight};
      SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      ExtTextOutW(dc, mark.left, y, ETO_OPAQUE | ETO_CLIPPED, &mark, Chars(line, s), static_cast<UINT>(e - s), nullptr);
      SetBkColor(dc, back);
      SetTextColor(dc, text);
    }
    y += FRowHeight;
  }
  BitBlt(ADC, 0, AUpdate.top, width, height, dc, 0, AUpdate.top, SRCCOPY);
}

void TLogView::Scroll(int ACode) {
  SCROLLINFO bar{sizeof bar, SIF_TRACKPOS, 0, 0, 0, 0, 0};
  GetScrollInfo(FHandle, SB_VERT, &bar);
  switch (ACode) {
  case SB_LINEUP: ScrollTo(FTop - 1); break;
  case SB_LINEDOWN: ScrollTo(FTop + 1); break;
  case SB_PAGEUP: ScrollTo(FTop - PageRows()); break;
  case SB_PAGEDOWN: ScrollTo(FTop + PageRows()); break;
  case SB_TOP: ScrollTo(0); break;
  case SB_BOTTOM: ScrollToEnd(); break;
  case SB_THUMBTRACK:
  case SB_THUMBPOSITION: ScrollTo(bar.nTrackPos); break;
  default: break;
  }
}

void TLogView::Wheel(int ADelta) {
  UINT lines = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  FWheelRest += ADelta;
  const int notches = FWheelRest / WHEEL_DELTA;
  FWheelRest %= WHEEL_DELTA;
  if (notches == 0)
    return;
  const int step = lines == WHEEL_PAGESCROLL ? PageRows() : static_cast<int>(lines);
  ScrollTo(FTop - notches * step);
}

bool TLogView::Key(WPARAM AKey) {
  const bool control = GetKeyState(VK_CONTROL) < 0;
  switch (AKey) {
  case VK_UP: ScrollTo(FTop - 1); return true;
  case VK_DOWN: ScrollTo(FTop + 1); return true;
  case VK_PRIOR: ScrollTo(FTop - PageRows()); return true;
  case VK_NEXT: ScrollTo(FTop + PageRows()); return true;
  case VK_HOME: ScrollTo(0); return true;
  case VK_END: ScrollToEnd(); return true;
  case 'A':
    if (control)
      Select({}, FText.End());
    return control;
  case 'C':
  case VK_INSERT:
    if (control)
      Copy();
    return control;
  default: return false;
  }
}

void TLogView::Copy() {
  const std::u16string text = SelectedText();
  if (text.empty())
    return;
  // As an edit's copy, without a word when it fails. The block is made before the clipboard
  // is opened, so that memory running out leaves the content as it was; a block the system
  // refuses is freed here. (The clipboard layer sits above the controls; the view needs only
  // this much of it.)
  const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
  TUniqueHGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory)
    return;
  {
    const auto lock = LockScoped(memory.Get());
    if (!lock.Get().Data)
      return;
    std::copy_n(text.c_str(), text.size() + 1, static_cast<char16_t*>(lock.Get().Data));
  }
  const TUniqueOpenClipboard open(OpenClipboard(FHandle) != FALSE);
  if (!open || !EmptyClipboard())
    return;
  if (SetClipboardData(CF_UNICODETEXT, memory.Get()))
    memory.Release(); // the clipboard's now
}

void TLogView::SelectWordAt(TTextPosition APosition) {
  const auto [start, end] = FText.WordAt(APosition, IsWordChar);
  Select(start, end);
}

void TLogView::ContextMenu(POINT AScreen) {
  if (AScreen.x == -1 && AScreen.y == -1) {
    // From the keyboard: at the view's top-left corner.
    AScreen = {Margin(), 0};
    ClientToScreen(FHandle, &AScreen);
  }
  const HMENU menu = CreatePopupMenu();
  if (!menu)
    return;
  AppendMenuW(menu, MF_STRING | (FAnchor == FCaret ? MF_GRAYED : 0), cmdCopy, L"&Copy");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING | (FText.Length() == 0 ? MF_GRAYED : 0), cmdSelectAll, L"Select &All");
  const auto chosen = static_cast<UINT_PTR>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, AScreen.x, AScreen.y, 0, FHandle, nullptr));
  DestroyMenu(menu);
  if (chosen == cmdCopy)
    Copy();
  else if (chosen == cmdSelectAll)
    Select({}, FText.End());
}

void TLogView::NotifyParent(WORD ACode) {
  const auto id = static_cast<WORD>(GetDlgCtrlID(FHandle));
  SendMessageW(GetParent(FHandle), WM_COMMAND, MAKEWPARAM(id, ACode), reinterpret_cast<LPARAM>(FHandle));
}

LRESULT TLogView::HandleMessage(HWND, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
  case WM_SETFONT:
    SetFont(reinterpret_cast<HFONT>(AWParam));
    if (LOWORD(ALParam))
      InvalidateRect(FHandle, nullptr, FALSE);
    return 0;
  case WM_GETFONT: return reinterpret_cast<LRESULT>(FFont);
  case WM_SIZE: Relayout(false); return 0;
  case WM_ERASEBKGND: return 1;
  case WM_PAINT: {
    const TPaintScope paint(FHandle);
    if (paint.DC())
      Paint(paint.DC(), paint.Area());
    return 0;
  }
  case WM_GETTEXTLENGTH: return static_cast<LRESULT>(FText.Length());
  case WM_GETTEXT: {
    if (AWParam == 0 || ALParam == 0)
      return 0;
    const std::u16string text = FText.Text();
    const std::size_t n = std::min<std::size_t>(text.size(), AWParam - 1);
    auto* out = reinterpret_cast<char16_t*>(ALParam);
    std::copy_n(text.data(), n, out);
    out[n] = u'\0';
    return static_cast<LRESULT>(n);
  }
  case WM_SETTEXT: {
    std::vector<std::u16string> lines;
    if (ALParam)
      for (const std::u16string_view line : SplitLines(reinterpret_cast<const char16_t*>(ALParam)))
        lines.emplace_back(line);
    Assign(lines);
    return TRUE;
  }
  case WM_GETDLGCODE: return DLGC_WANTARROWS;
  case WM_VSCROLL: Scroll(LOWORD(AWParam)); return 0;
  case WM_MOUSEWHEEL: Wheel(GET_WHEEL_DELTA_WPARAM(AWParam)); return 0;
  case WM_KEYDOWN:
    if (Key(AWParam))
      return 0;
    break;
  case WM_COPY: Copy(); return 0;
  case WM_SETFOCUS: NotifyParent(EN_SETFOCUS); return 0;
  case WM_KILLFOCUS: NotifyParent(EN_KILLFOCUS); return 0;
  case WM_LBUTTONDOWN: {
    SetFocus(FHandle);
    const TTextPosition at = PositionAt({GET_X_LPARAM(ALParam), GET_Y_LPARAM(ALParam)});
    Select((AWParam & MK_SHIFT) ? FAnchor : at, at);
    FSelecting = true;
    SetCapture(FHandle);
    return 0;
  }
  case WM_LBUTTONDBLCLK: SelectWordAt(PositionAt({GET_X_LPARAM(ALParam), GET_Y_LPARAM(ALParam)})); return 0;
  case WM_MOUSEMOVE:
    if (FSelecting) {
      POINT at{GET_X_LPARAM(ALParam), GET_Y_LPARAM(ALParam)};
      // Dragging past the top or the bottom scrolls.
      if (at.y < 0)
        ScrollTo(FTop - 1);
      else if (at.y >= PageRows() * FRowHeight)
        ScrollTo(FTop + 1);
      Select(FAnchor, PositionAt(at));
    }
    return 0;
  case WM_LBUTTONUP:
    if (FSelecting) {
      FSelecting = false;
      ReleaseCapture();
    }
    return 0;
  case WM_CAPTURECHANGED: FSelecting = false; return 0;
  case WM_TIMER:
    if (AWParam != BurstTimerId)
      break;
    BurstTick();
    return 0;
  case WM_CONTEXTMENU: ContextMenu({GET_X_LPARAM(ALParam), GET_Y_LPARAM(ALParam)}); return 0;
  default: break;
  }
  return DefWindowProcW(FHandle, AMessage, AWParam, ALParam);
}

} // namespace tarvel
