#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/win32/Handles.h"
#include "ui/WrappedText.h"

namespace tarvel {

// A read-only view of many lines, wrapped at its width, as the activity log needs it: a line
// added at the end and the oldest dropped at the start cost those lines only, and a paint
// draws only the rows in sight. A view at its end follows new lines; one scrolled up keeps
// the rows its reader is on. The text is selected with the mouse (Shift extends, a double
// click takes a word), Ctrl+A selects all, and Ctrl+C, Ctrl+Insert or the context menu copy.
// It answers WM_GETTEXT with the whole text, lines joined with CR LF, as an edit would, and
// tells its parent of focus changes with EN_SETFOCUS and EN_KILLFOCUS; the parent colours
// it through WM_CTLCOLORSTATIC, as for a read-only edit.
class TLogView {
public:
  static constexpr const wchar_t* ClassName = L"TarvelLogView";
  // Once per module, before the first view is created.
  static void Register(HINSTANCE AInstance);
  // The view of a window of the class, or nothing.
  static TLogView* FromHandle(HWND AWindow) noexcept;

  // Made by its window when it is created, destroyed after it went (OwnedObjectWindowProc).
  explicit TLogView(HWND AHandle);
  LRESULT HandleMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);

  void Assign(const std::vector<std::u16string>& ALines);
  // Adds ALine at the end after dropping the first ADropFront lines.
  void Append(std::u16string ALine, std::size_t ADropFront);
  void ScrollToEnd();
  void ScrollTo(int ATopRow);

  const TWrappedText& Text() const noexcept { return FText; }
  int TopRow() const noexcept { return FTop; }
  // Whole rows in sight.
  int PageRows() const noexcept { return FPageRows; }
  bool AtEnd() const noexcept { return FTop >= MaxTop(); }
  TTextPosition Anchor() const noexcept { return FAnchor; }
  TTextPosition Caret() const noexcept { return FCaret; }
  void Select(TTextPosition AAnchor, TTextPosition ACaret);
  std::u16string SelectedText() const { return FText.TextBetween(FAnchor, FCaret); }
  // The position under a point of the client area.
  TTextPosition PositionAt(POINT APoint);

private:
  std::size_t Fit(std::u16string_view AText, int AWidth);
  void SetFont(HFONT AFont);
  // Lays the lines out for the view's size (and, when it changed, the font).
  void Relayout(bool AFontChanged);
  int MaxTop() const noexcept;
  int Margin() const noexcept { return FRowHeight / 3; }
  // Moves what is drawn by AMoved rows (up for more than 0) and has the rows that come into
  // sight drawn.
  void MoveRows(int AMoved);
  void UpdateScrollBar();
  // Draws what a burst of lines left undrawn.
  void BurstTick();
  void Paint(HDC ADC, const RECT& AUpdate);
  void Scroll(int ACode);
  void Wheel(int ADelta);
  bool Key(WPARAM AKey);
  void ContextMenu(POINT AScreen);
  void Copy();
  void SelectWordAt(TTextPosition APosition);
  void NotifyParent(WORD ACode);

  HWND FHandle;
  HFONT FFont = nullptr;
  // Where text is measured: the font is kept selected into it.
  TUniqueMemoryDC FMeasure;
  TUniqueBitmap FBuffer;
  SIZE FBufferSize{};
  int FRowHeight = 16;
  // The widths of the characters Fit adds up, in the font.
  std::vector<int> FCharWidths;
  TWrappedText FText;
  int FTop = 0;
  // As laid out for the size the view had at its last WM_SIZE.
  int FPageRows = 1;
  TTextPosition FAnchor;
  TTextPosition FCaret;
  bool FSelecting = false;
  int FWheelRest = 0;
  // What the scroll bar was last given.
  struct TScrollState {
    int Max = -1;
    int Page = 0;
    int Pos = 0;
    friend bool operator==(const TScrollState&, const TScrollState&) = default;
  };
  TScrollState FScrollState;
  // Lines are coming in a burst; some are not drawn yet.
  bool FBurst = false;
  bool FBurstStale = false;
  bool FScrollBarStale = false;
  int FBurstTicks = 0;
};

} // namespace tarvel
