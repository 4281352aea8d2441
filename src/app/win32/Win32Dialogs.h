#pragma once

#include <windows.h>

#include <functional>

#include "app/Dialogs.h"

namespace tarvel {

class TWin32Dialogs final : public IDialogs {
public:
  // AOwner gives the window that owns the boxes at the moment they are shown.
  explicit TWin32Dialogs(std::function<HWND()> AOwner) : FOwner(std::move(AOwner)) {}
  TModalResult MessageDlg(const std::u16string& AText, TMsgDlgType AType, unsigned AButtons) override;
  void WarningBox(const std::u16string& AText) override;
  std::optional<TSaveDialogResult> SaveDialog(const TSaveDialogOptions& AOptions) override;

private:
  std::function<HWND()> FOwner;
};

// The application-wide error box for an error that a handler let through.
void ShowErrorBox(HWND AOwner, const std::u16string& AMessage);

} // namespace tarvel
