#include "app/win32/Win32Dialogs.h"

#include <commdlg.h>

#include <algorithm>

#include "core/win32/Check.h"

namespace tarvel {

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
  const HWND owner = FOwner ? FOwner() : nullptr;
  switch (MessageBoxW(owner, ToWide(AText).c_str(), L"Tarvel", flags | MB_SETFOREGROUND)) {
  case IDYES: return mrYes;
  case IDNO: return mrNo;
  case IDOK: return mrOk;
  default: return mrCancel;
  }
}

void TWin32Dialogs::WarningBox(const std::u16string& AText) {
  MessageBoxW(FOwner ? FOwner() : nullptr, ToWide(AText).c_str(), L"Warning",
              MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
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
  if (!GetSaveFileNameW(&ofn))
    return std::nullopt;
  return TSaveDialogResult{ToU16(file.c_str()), static_cast<int>(ofn.nFilterIndex)};
}

void ShowErrorBox(HWND AOwner, const std::u16string& AMessage) {
  MessageBoxW(AOwner, ToWide(AMessage).c_str(), L"Tarvel", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

} // namespace tarvel
