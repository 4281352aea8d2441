#pragma once

#include <string>

namespace tarvel {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

enum TMsgDlgButton : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };

enum TModalResult { mrNone, mrOk, mrCancel, mrYes, mrNo };

// Message boxes (and, later, the save-file dialog).
class IDialogs {
public:
  virtual ~IDialogs() = default;
  // AButtons is a set of TMsgDlgButton; the answer is the button pressed, or mrCancel /
  // mrNo when the box was closed otherwise.
  virtual TModalResult MessageDlg(const std::u16string& AText, TMsgDlgType AType, unsigned AButtons) = 0;
};

} // namespace tarvel
