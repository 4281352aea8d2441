#include "app/win32/Win32Dialogs.h"

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

void ShowErrorBox(HWND AOwner, const std::u16string& AMessage) {
  MessageBoxW(AOwner, ToWide(AMessage).c_str(), L"Tarvel", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

} // namespace tarvel
