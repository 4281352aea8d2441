// TMainForm: the card buttons and the info card, with the log it shows.
#include "app/formTutorial.h"
#include "app/uMain.h"

#include "core/FlagScope.h"
#include "core/Text.h"
#include "update/UpdateHelper.h"

namespace tarvel {

void TMainForm::btnCard1Click(TControl&) {
  CardPanel1.SetActiveCard(0);
}
void TMainForm::btnCard2Click(TControl&) {
  CardPanel1.SetActiveCard(1);
}
void TMainForm::btnCard3Click(TControl&) {
  CardPanel1.SetActiveCard(2);
}
void TMainForm::crdInfoClick(TControl&) {
  CardPanel1.SetActiveCard(2);
}

const std::vector<std::u16string>& TMainForm::LogLines() const noexcept {
  return FLog.Lines();
}

void TMainForm::LogLineAdded(const std::u16string& ALine) {
  if (!swtShowLog.IsOn())
    return;
  // The field already shows the log: it takes the new line and drops its oldest, which costs
  // the same however long the log is.
  if (FInfoMemoShowsLog)
    MemoInfoLog.AppendLine(ALine, MaxLogLines);
  else
    UpdateInfoMemo();
}

void TMainForm::swtShowLogClick(TControl&) {
  if (FLoadingSettings)
    return;
  SaveSettings();
  UpdateInfoMemo();
}

void TMainForm::UpdateInfoMemo() {
  FInfoMemoShowsLog = swtShowLog.IsOn();
  if (FInfoMemoShowsLog) {
    MemoInfoLog.SetLines(LogLines());
    MemoInfoLog.CaretToEnd();
  } else {
    MemoInfoLog.SetLines(MakeInfoText());
  }
}

std::vector<std::u16string> TMainForm::MakeInfoText() const {
  return {
      u"Tarvel " + FAppVersion,
      u"Copyright (c) 2026 Nusk. All rights reserved.",
      UpdateSiteUrl,
      u"",
      u"Tray-resident utility to copy text or images from content not normally selectable.",
      u"",
      u"Hotkeys:",
      Format(u"Ctrl+Shift+%s - copies content under cursor, preferring UI Automation text.", {FSettings.HotkeyControl}),
      u"Ctrl+Shift+I - always copies the image of the control under cursor.",
      Format(u"Ctrl+Shift+%s - selects a screen rectangle and performs Windows native OCR.", {FSettings.HotkeyOCR}),
      Format(u"Ctrl+Shift+%s - selects a screen rectangle and copies it as an image.", {FSettings.HotkeyScreenBox}),
      Format(u"Ctrl+Shift+%s - captures the full screen and copies it as an image.", {FSettings.HotkeyScreenFull}),
      Format(u"Ctrl+Shift+%s - saves the current clipboard content to the desktop.", {FSettings.HotkeySave}),
      u"Ctrl+Shift+  - merges previous text clipboard entries up to the selected one.",
      u"Ctrl+Shift+Z - navigate to previous clipboard history entry (undo).",
      u"Ctrl+Shift+Y - navigate to next clipboard history entry (redo).",
      u"",
      u"Normal Ctrl+C from other applications is intercepted and saved to history.",
      u"Icons: drawn for Tarvel by Nusk.",
  };
}

void TMainForm::ShowTutorial() {
  if (FShowingTutorial)
    return; // one tutorial at a time
  if (OnShowTutorialWindow) {
    const TFlagScope showing(FShowingTutorial);
    OnShowTutorialWindow();
  }
  // The tutorial stored the user's choice; a later store of this window's settings keeps it.
  FSettings.DontShowTutorial = IsTutorialSuppressed(FServices.Registry);
}

} // namespace tarvel
