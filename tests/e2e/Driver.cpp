#include "Driver.h"

#include <algorithm>

#include <shellapi.h>

#include "Process.h"

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

void PressKey(WORD AVirtualKey) {
  INPUT in[2]{};
  in[0].type = INPUT_KEYBOARD;
  in[0].ki.wVk = AVirtualKey;
  in[1] = in[0];
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
  Sleep(50);
}

void PressCtrlShift(WORD AVirtualKey) {
  const WORD keys[] = {VK_CONTROL, VK_SHIFT, AVirtualKey};
  INPUT in[6]{};
  for (int i = 0; i < 3; ++i) {
    in[i].type = INPUT_KEYBOARD;
    in[i].ki.wVk = keys[i];
    in[5 - i] = in[i];
    in[5 - i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  SendInput(6, in, sizeof(INPUT));
  Sleep(50);
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
