#pragma once

#include <windows.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace tarvel::e2e {

// Acts on the desktop the way a user does: mouse and keyboard through SendInput.
void ClickAt(POINT AScreenPoint, bool ARightButton = false, bool ADouble = false);
// The cursor to a point, and the button down or up where it is: a drag in steps.
void MoveMouse(POINT AScreenPoint);
void PressMouse(bool ARightButton = false);
void ReleaseMouse(bool ARightButton = false);
void PressKey(WORD AVirtualKey);
// Keys held down together in order and released in reverse, as a user does.
void PressChord(std::initializer_list<WORD> AVirtualKeys);
// Ctrl+Shift+key.
void PressCtrlShift(WORD AVirtualKey);

// The notification-area icon of a window, as the shell shows it: its centre on screen.
bool FindTrayIconCentre(POINT& ACentre);
// True when the shell holds an icon (id AId) for AOwner.
bool TrayIconRegistered(HWND AOwner, UINT AId = 1);

// A visible popup menu or message box of a process, or null.
HWND FindPopupMenu();
HWND FindMessageBox(DWORD AProcessId);

// Top-level window of a process with the given class name, or null.
HWND FindWindowOfProcess(DWORD AProcessId, const wchar_t* AClass);
// Every window below AParent, at any depth.
std::vector<HWND> Descendants(HWND AParent);
// The window below AParent, at any depth, with the dialog id AId; null when there is none.
HWND FindControl(HWND AParent, int AId);
// The window that has the keyboard focus in AWindow's thread, or null.
HWND FocusOf(HWND AWindow);
// The colour on screen at a point, as the user sees it.
COLORREF ScreenPixel(POINT APoint);
// Saves what the screen shows of a window's client area (with what covers it) as a PNG file
// in the folder e2e-screens beside this program, for a person to look at; returns its path.
std::wstring SaveScreenshot(HWND AWindow, const std::wstring& AName);
// Width and height of a text in the program's font ("Segoe UI", 15 pixels at 96 DPI).
SIZE TextExtent(const std::wstring& AText);
// Texts of a window's children, in z-order.
std::vector<std::wstring> ChildTexts(HWND AParent);
std::wstring TextOf(HWND AWindow);
// A left click in the middle of a control.
void ClickControl(HWND AControl);

// Tarvel's stored settings in the current user's registry, and its Run value.
void DeleteStoredSettings();
std::optional<std::wstring> RunValue();
void StoreSetting(const wchar_t* AName, DWORD AValue);
// Where the update check asks for the newest version (the administrators' override).
void StoreUpdateUrl(const std::wstring& AUrl);
// A port nothing listens on: a start's update check fails at once and never depends on
// the network.
inline constexpr wchar_t ClosedUpdateUrl[] = L"http://127.0.0.1:9/versions/tarvel.latest";
std::optional<DWORD> StoredSetting(const wchar_t* AName);

} // namespace tarvel::e2e
