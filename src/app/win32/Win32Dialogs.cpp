#include "app/win32/Win32Dialogs.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <string_view>

#include "core/BoxText.h"
#include "core/win32/Check.h"

namespace tarvel {

namespace {

// Centres the next dialog box this thread activates: over the main window when it is on
// screen, else on the work area of the monitor under the cursor. The boxes' owner is then
// the hidden application window, at the top-left corner of the screen, and the system
// would put them there, over the notification area the user just clicked.
class TCentreNextDialog {
public:
  explicit TCentreNextDialog(HWND AOwner) {
    RECT area{};
    if (AOwner && IsWindowVisible(AOwner) && GetWindowRect(AOwner, &area) && area.right > area.left) {
      FArea = area;
    } else {
      POINT cursor{};
      GetCursorPos(&cursor);
      MONITORINFO monitor{};
      monitor.cbSize = sizeof monitor;
      if (GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY), &monitor))
        FArea = monitor.rcWork;
      else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &FArea, 0);
    }
    FCurrent = this;
    FHook = SetWindowsHookExW(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
  }
  ~TCentreNextDialog() {
    if (FHook)
      UnhookWindowsHookEx(FHook);
    FCurrent = nullptr;
  }
  TCentreNextDialog(const TCentreNextDialog&) = delete;
  TCentreNextDialog& operator=(const TCentreNextDialog&) = delete;

private:
  static LRESULT CALLBACK HookProc(int ACode, WPARAM AWParam, LPARAM ALParam) {
    TCentreNextDialog* self = FCurrent;
    if (ACode == HCBT_ACTIVATE && self && self->FHook) {
      const HWND dialog = reinterpret_cast<HWND>(AWParam);
      wchar_t name[16] = {};
      GetClassNameW(dialog, name, 16);
      if (std::wstring_view(name) == L"#32770" && !(GetWindowLongPtrW(dialog, GWL_STYLE) & WS_CHILD)) {
        self->Centre(dialog);
        // Some dialogs settle their size after they are activated; they stay centred until
        // the user moves or sizes them.
        SetWindowSubclass(dialog, KeepCentredProc, 1, reinterpret_cast<DWORD_PTR>(self));
        const HHOOK hook = self->FHook;
        self->FHook = nullptr;
        const LRESULT result = CallNextHookEx(hook, ACode, AWParam, ALParam);
        UnhookWindowsHookEx(hook);
        return result;
      }
    }
    return CallNextHookEx(self ? self->FHook : nullptr, ACode, AWParam, ALParam);
  }

  static LRESULT CALLBACK KeepCentredProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR,
                                          DWORD_PTR AData) {
    switch (AMessage) {
    case WM_ENTERSIZEMOVE:
    case WM_NCDESTROY: RemoveWindowSubclass(AWindow, KeepCentredProc, 1); break;
    case WM_WINDOWPOSCHANGED:
      if (!(reinterpret_cast<const WINDOWPOS*>(ALParam)->flags & SWP_NOSIZE))
        reinterpret_cast<const TCentreNextDialog*>(AData)->Centre(AWindow);
      break;
    default: break;
    }
    return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
  }

  void Centre(HWND ADialog) const {
    RECT r{};
    GetWindowRect(ADialog, &r);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    // Whole on the screen, even when the main window is near an edge.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT work = FArea;
    if (GetMonitorInfoW(MonitorFromRect(&FArea, MONITOR_DEFAULTTOPRIMARY), &monitor))
      work = monitor.rcWork;
    const int x = std::clamp<int>((FArea.left + FArea.right - w) / 2, work.left, std::max(work.left, work.right - w));
    const int y = std::clamp<int>((FArea.top + FArea.bottom - h) / 2, work.top, std::max(work.top, work.bottom - h));
    SetWindowPos(ADialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  static thread_local TCentreNextDialog* FCurrent;
  RECT FArea{};
  HHOOK FHook = nullptr;
};

thread_local TCentreNextDialog* TCentreNextDialog::FCurrent = nullptr;

} // namespace

TModalResult TWin32Dialogs::MessageDlg(const std::u16string& AText, TMsgDlgType AType, unsigned AButtons) {
  UINT flags = 0;
  switch (AType) {
  case mtWarning: flags |= MB_ICONWARNING; break;
  case mtError: flags |= MB_ICONERROR; break;
  case mtInformation: flags |= MB_ICONINFORMATION; break;
  case mtConfirmation: flags |= MB_ICONQUESTION; break;
  }
  if ((AButtons & mbYes) && (AButtons & mbNo))
    flags |= (AButtons & mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
  else if ((AButtons & mbOK) && (AButtons & mbCancel))
    flags |= MB_OKCANCEL;
  else
    flags |= MB_OK;
  if ((AButtons & mbDefaultNo) && (AButtons & mbYes) && (AButtons & mbNo))
    flags |= MB_DEFBUTTON2;
  const HWND owner = FOwner ? FOwner() : nullptr;
  const TCentreNextDialog centre(owner);
  switch (MessageBoxW(owner, ToWide(FitBoxText(AText)).c_str(), L"Tarvel", flags | MB_SETFOREGROUND)) {
  case IDYES: return mrYes;
  case IDNO: return mrNo;
  case IDOK: return mrOk;
  default: return mrCancel;
  }
}

void TWin32Dialogs::WarningBox(const std::u16string& AText) {
  const HWND owner = FOwner ? FOwner() : nullptr;
  const TCentreNextDialog centre(owner);
  MessageBoxW(owner, ToWide(FitBoxText(AText)).c_str(), L"Warning", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

std::optional<TSaveDialogResult> TWin32Dialogs::SaveDialog(const TSaveDialogOptions& AOptions) {
  // The filter's "|" separators become the zero units the dialog expects, and it ends with
  // two of them.
  std::wstring filter = ToWide(AOptions.Filter);
  std::replace(filter.begin(), filter.end(), L'|', L'\0');
  filter.append(2, L'\0');
  std::wstring file = ToWide(AOptions.FileName);
  file.resize(std::max<std::size_t>(file.size() + 1, 32768), L'\0');
  const std::wstring title = ToWide(AOptions.Title);
  const std::wstring folder = ToWide(AOptions.InitialDir);
  const std::wstring extension = ToWide(AOptions.DefaultExt);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = FOwner ? FOwner() : nullptr;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(AOptions.FilterIndex);
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_EXPLORER;
  const TCentreNextDialog centre(ofn.hwndOwner);
  if (!GetSaveFileNameW(&ofn))
    return std::nullopt;
  return TSaveDialogResult{ToU16(file.c_str()), static_cast<int>(ofn.nFilterIndex)};
}

void ShowErrorBox(HWND AOwner, const std::u16string& AMessage) {
  const TCentreNextDialog centre(AOwner);
  MessageBoxW(AOwner, ToWide(FitBoxText(AMessage)).c_str(), L"Tarvel", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

} // namespace tarvel
