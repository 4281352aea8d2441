#include "Driver.h"

#include <algorithm>
#include <cstring>

#include <shellapi.h>

#include "Process.h"
#include "core/Bitmap32.h"
#include "core/Png.h"
#include "core/win32/Windowing.h"
#include "win32/ScreenSupport.h"

namespace tarvel::e2e {

namespace {

std::wstring ClassOf(HWND AWindow) {
  wchar_t name[128] = {};
  GetClassNameW(AWindow, name, 128);
  return name;
}

BOOL CALLBACK CollectChild(HWND AWindow, LPARAM AParam) {
  reinterpret_cast<std::vector<HWND>*>(AParam)->push_back(AWindow);
  return TRUE;
}

std::vector<HWND> Children(HWND AParent) {
  std::vector<HWND> found;
  EnumChildWindows(AParent, CollectChild, reinterpret_cast<LPARAM>(&found));
  return found;
}

BOOL CALLBACK CollectTop(HWND AWindow, LPARAM AParam) {
  reinterpret_cast<std::vector<HWND>*>(AParam)->push_back(AWindow);
  return TRUE;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> found;
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&found));
  return found;
}

void SendMouse(DWORD AFlags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = AFlags;
  SendInput(1, &in, sizeof(in));
}

} // namespace

void ClickAt(POINT AScreenPoint, bool ARightButton, bool ADouble) {
  SetCursorPos(AScreenPoint.x, AScreenPoint.y);
  Sleep(50);
  const DWORD down = ARightButton ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
  const DWORD up = ARightButton ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
  for (int i = 0; i < (ADouble ? 2 : 1); ++i) {
    SendMouse(down);
    SendMouse(up);
  }
}

void MoveMouse(POINT AScreenPoint) {
  SetCursorPos(AScreenPoint.x, AScreenPoint.y);
  SendMouse(MOUSEEVENTF_MOVE); // a move of nothing, so that the window under it hears of it
  Sleep(50);
}

void PressMouse(bool ARightButton) {
  SendMouse(ARightButton ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
  Sleep(50);
}

void ReleaseMouse(bool ARightButton) {
  SendMouse(ARightButton ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
  Sleep(50);
}

void PressKey(WORD AVirtualKey) {
  INPUT in[2]{};
  in[0].type = INPUT_KEYBOARD;
  in[0].ki.wVk = AVirtualKey;
  in[1] = in[0];
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
  Sleep(50);
}

void PressChord(std::initializer_list<WORD> AVirtualKeys) {
  const std::size_t n = AVirtualKeys.size();
  std::vector<INPUT> in(2 * n);
  std::size_t i = 0;
  for (const WORD key : AVirtualKeys) {
    in[i].type = INPUT_KEYBOARD;
    in[i].ki.wVk = key;
    in[2 * n - 1 - i] = in[i];
    in[2 * n - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    ++i;
  }
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
  Sleep(50);
}

void PressCtrlShift(WORD AVirtualKey) {
  PressChord({VK_CONTROL, VK_SHIFT, AVirtualKey});
}

bool FindTrayIconCentre(POINT& ACentre) {
  // Wine shows the notification area as a window of its own when no desktop panel
  // provides one; its children are the icons.
  for (HWND top : TopLevelWindows()) {
    if (!IsWindowVisible(top) || TextOf(top) != L"Wine System Tray")
      continue;
    for (HWND icon : Children(top)) {
      RECT r;
      GetWindowRect(icon, &r);
      ACentre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
      return true;
    }
  }
  return false;
}

bool TrayIconRegistered(HWND AOwner, UINT AId) {
  // Modifying nothing succeeds only for an icon the shell holds.
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = AOwner;
  nid.uID = AId;
  return Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

HWND FindPopupMenu() {
  for (HWND top : TopLevelWindows())
    if (IsWindowVisible(top) && ClassOf(top) == L"#32768")
      return top;
  return nullptr;
}

HWND FindMessageBox(DWORD AProcessId) {
  for (HWND top : TopLevelWindowsOf(AProcessId))
    if (IsWindowVisible(top) && ClassOf(top) == L"#32770")
      return top;
  return nullptr;
}

HWND FindWindowOfProcess(DWORD AProcessId, const wchar_t* AClass) {
  for (HWND top : TopLevelWindowsOf(AProcessId))
    if (ClassOf(top) == AClass)
      return top;
  return nullptr;
}

std::vector<HWND> Descendants(HWND AParent) {
  return Children(AParent);
}

HWND FindControl(HWND AParent, int AId) {
  for (HWND child : Children(AParent))
    if (GetDlgCtrlID(child) == AId)
      return child;
  return nullptr;
}

HWND FocusOf(HWND AWindow) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(AWindow, nullptr), &info))
    return nullptr;
  return info.hwndFocus;
}

COLORREF ScreenPixel(POINT APoint) {
  const HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, APoint.x, APoint.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

std::wstring SaveScreenshot(HWND AWindow, const std::wstring& AName) {
  // Painting comes after the messages that caused it: give the window a moment.
  Sleep(300);
  // The client area: without a window manager, that is all of the window on screen.
  RECT r;
  GetClientRect(AWindow, &r);
  MapWindowPoints(AWindow, nullptr, reinterpret_cast<POINT*>(&r), 2);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (w <= 0 || h <= 0)
    return {};
  const TBitmap32 image = test::GrabScreen(r);
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring folder(exe);
  folder = folder.substr(0, folder.find_last_of(L"\\/") + 1) + L"e2e-screens";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring path = folder + L"\\" + AName + L".png";
  const std::vector<std::uint8_t> png = EncodePng(image);
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return {};
  DWORD written = 0;
  WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
  CloseHandle(file);
  return path;
}

SIZE TextExtent(const std::wstring& AText) {
  const HDC screen = GetDC(nullptr);
  const HFONT font = CreateFontW(-15, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
  const HGDIOBJ old = SelectObject(screen, font);
  SIZE size{};
  GetTextExtentPoint32W(screen, AText.c_str(), static_cast<int>(AText.size()), &size);
  SelectObject(screen, old);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return size;
}

std::wstring TextOf(HWND AWindow) {
  // WM_GETTEXT reads other processes' controls too (GetWindowText does not).
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(AWindow, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
    return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(AWindow, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000,
                      &copied);
  text.resize(std::min<std::size_t>(copied, length));
  return text;
}

void ClickControl(HWND AControl) {
  RECT r;
  GetWindowRect(AControl, &r);
  ClickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

namespace {

constexpr wchar_t SettingsKey[] = L"Software\\Nusk\\Tarvel";

} // namespace

constexpr wchar_t RunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void DeleteStoredSettings() {
  RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey);
  RegDeleteKeyValueW(HKEY_CURRENT_USER, RunKey, L"Tarvel");
}

std::optional<std::wstring> RunValue() {
  wchar_t value[1024] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, RunKey, L"Tarvel", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(value);
}

void StoreSetting(const wchar_t* AName, DWORD AValue) {
  RegSetKeyValueW(HKEY_CURRENT_USER, SettingsKey, AName, REG_DWORD, &AValue, sizeof AValue);
}

void StoreUpdateUrl(const std::wstring& AUrl) {
  RegSetKeyValueW(HKEY_CURRENT_USER, SettingsKey, L"UpdateUrl", REG_SZ, AUrl.c_str(),
                  static_cast<DWORD>((AUrl.size() + 1) * sizeof(wchar_t)));
}

std::optional<DWORD> StoredSetting(const wchar_t* AName) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, SettingsKey, AName, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

std::vector<std::wstring> ChildTexts(HWND AParent) {
  std::vector<std::wstring> texts;
  for (HWND child : Children(AParent))
    texts.push_back(TextOf(child));
  return texts;
}

} // namespace tarvel::e2e
