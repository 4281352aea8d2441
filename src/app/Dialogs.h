#pragma once

#include <optional>
#include <string>

namespace tarvel {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

// mbDefaultNo is not a button: with it, No (not Yes) is what Enter answers.
enum TMsgDlgButton : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8, mbDefaultNo = 16 };

enum TModalResult { mrNone, mrOk, mrCancel, mrYes, mrNo };

// What a save-file dialog offers. Filter is a list of "description|patterns" pairs joined by
// "|"; FilterIndex counts its pairs from 1.
struct TSaveDialogOptions {
  std::u16string Title;
  std::u16string Filter;
  int FilterIndex = 1;
  std::u16string DefaultExt; // without the dot; empty for none
  std::u16string InitialDir;
  std::u16string FileName;
};

struct TSaveDialogResult {
  std::u16string FileName;
  int FilterIndex = 1;
};

// Message boxes and the save-file dialog, owned by the main window.
class IDialogs {
public:
  virtual ~IDialogs() = default;
  // AButtons is a set of TMsgDlgButton; the answer is the button pressed, or mrCancel /
  // mrNo when the box was closed otherwise.
  virtual TModalResult MessageDlg(const std::u16string& AText, TMsgDlgType AType, unsigned AButtons) = 0;
  // A warning with one OK button, captioned "Warning" and centred on the screen.
  virtual void WarningBox(const std::u16string& AText) = 0;
  // Asks before overwriting, requires the folder to exist, is resizable. Nothing when the
  // user cancels.
  virtual std::optional<TSaveDialogResult> SaveDialog(const TSaveDialogOptions& AOptions) = 0;
};

} // namespace tarvel
