// TMainForm: the OCR hot key and the settings card's OCR language and text layout. The command itself lives
// in the OCR unit; here it is routed, and its result published.
#include "app/uMain.h"

#include "core/FlagScope.h"
#include "core/Text.h"

namespace tarvel {

void TMainForm::CaptureOcrUnderMouse() {
  if (FScreenSelectionOpen) {
    // An overlay is open. OCR's own says so when its hot key comes again; over the screen
    // box's no second one opens.
    if (FOcr.Running())
      FOcr.CaptureOcrUnderMouse(FSettings.OcrTextLayout);
    return;
  }
  const TFlagScope open(FScreenSelectionOpen);
  FOcr.CaptureOcrUnderMouse(FSettings.OcrTextLayout);
}

std::u16string TMainForm::GetSelectedOcrLanguageTag() const {
  return OcrLanguageTagOfItem(cmbLanguageOCR.ItemIndex(), cmbLanguageOCR.Text());
}

void TMainForm::LoadOcrLanguages(const std::u16string& ASelectedTag) {
  std::vector<std::u16string> diagnostics;
  const std::vector<TOcrLanguageInfo> languages =
      AvailableLanguages(TOcrContext{{FServices.Clock, &diagnostics}, FServices.Runtime});
  for (const std::u16string& line : diagnostics)
    AddOcrLogLine(line);
  const TOcrLanguageList list = MakeOcrLanguageList(languages, ASelectedTag);
  cmbLanguageOCR.SetItems(list.Items);
  AddLogLine(list.LogLine);
  cmbLanguageOCR.SetItemIndex(list.Chosen);
  if (list.Empty)
    ShowOcrInstallWarning();
}

void TMainForm::ShowOcrTextLayouts(TOcrTextLayout ALayout) {
  cmbOcrTextLayout.SetItems({OcrTextLayoutItems.begin(), OcrTextLayoutItems.end()});
  cmbOcrTextLayout.SetItemIndex(static_cast<int>(ALayout));
}

void TMainForm::ShowOcrInstallWarning() {
  if (FOcrInstallWarningShown)
    return;
  FOcrInstallWarningShown = true;
  AddLogLine(u"No OCR language available: showing installation instructions");
  FServices.Dialogs.WarningBox(OcrInstallWarningText());
}

void TMainForm::cmbLanguageOCRChange(TControl&) {
  if (FLoadingSettings)
    return;
  SaveSettings();
  AddLogLine(u"OCR language set: " + cmbLanguageOCR.Text());
}

void TMainForm::cmbOcrTextLayoutChange(TControl&) {
  if (FLoadingSettings)
    return;
  SaveSettings();
  AddLogLine(u"OCR text layout set: " + cmbOcrTextLayout.Text());
}

} // namespace tarvel
