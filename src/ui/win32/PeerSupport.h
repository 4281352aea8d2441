#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "ui/win32/Peers.h"

// What the control peers share: drawing in the theme, measuring, and the keyboard rule
// for Enter. For the peers' own files only.
namespace tarvel {

// The keyboard focus, drawn where a user of the dark theme can see it: a light outline.
void DrawFocusOutline(HDC ADC, const RECT& ARect, int ARadius);
// Whether an owner-drawn control should show its focus: it has it, and the keyboard is in
// use (the system's "hide focus" state is off).
bool ShowsFocus(const DRAWITEMSTRUCT& AItem);
// Width of a text in a window's font.
int TextWidthIn(HWND AWindow, const std::u16string& AText);
void SetTextIfDifferent(HWND AWindow, const std::u16string& AText);
void FillRectColor(HDC ADC, const RECT& ARect, COLORREF AColor);
void RoundRectColor(HDC ADC, const RECT& ARect, int ARadius, COLORREF AColor);

// WM_CONTEXTMENU for a control whose model has a menu: runs the menu's OnPopup, shows it at
// the point the message gives (below the control's top left when the keyboard asked) and
// runs the item chosen. A text field (ATextField) gets Copy and Select all after the items.
// False when the model has no menu, so that the control's own can open.
bool ShowContextMenu(HWND AWindow, const TControl& AModel, LPARAM APoint, bool ATextField);

// Takes Enter for a control of our own, in a subclass procedure: the dialog manager would
// otherwise use it for the window's (absent) default button. Runs AOnEnter on the key and
// swallows the character it makes, which a single-line edit would answer with a beep.
// True when the message was Enter's; AResult is then the answer to give.
template <class TOnEnter>
bool HandleEnter(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, LRESULT& AResult, TOnEnter AOnEnter) {
  if (AMessage == WM_GETDLGCODE && IsKeyDown(ALParam, VK_RETURN)) {
    AResult = DefSubclassProc(AWindow, AMessage, AWParam, ALParam) | DLGC_WANTMESSAGE;
    return true;
  }
  if ((AMessage == WM_KEYDOWN && AWParam == VK_RETURN) || (AMessage == WM_CHAR && AWParam == L'\r')) {
    if (AMessage == WM_KEYDOWN)
      AOnEnter();
    AResult = 0;
    return true;
  }
  return false;
}

} // namespace tarvel
