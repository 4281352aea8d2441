// TMainForm: storing the settings, the settings card's history size and the start with
// Windows switch.
#include "app/uMain.h"

#include "core/FlagScope.h"
#include "core/Text.h"

namespace tarvel {

bool TMainForm::SaveSettings() {
  // The tutorial stores its own choice; never write back a stale copy of it.
  TTarvelSettings stored;
  LoadAppSettings(FServices.Registry, stored);
  FSettings.DontShowTutorial = stored.DontShowTutorial;
  FSettings.ShowLog = swtShowLog.IsOn();
  FSettings.ShowNotifications = swtNotifications.IsOn();
  FSettings.MaxClipEntries = ClampMaxClipEntries(spnMaxClipentries.Value());
  FSettings.OcrLanguageTag = GetSelectedOcrLanguageTag();
  // A blank field keeps the letter it had.
  for (std::size_t i = 0; i < LetterHotkeyCount; ++i)
    if (const std::u16string text = Trim(FHotkeyEdits[i].Edit->Text()); !text.empty())
      FSettings.*HotkeyLetterFields[i].Field = UpCaseAscii(text[0]);
  // The change holds for this run; only storing it failed. A log line, not a box per
  // change, and the caller reports no success.
  return LogFailure([&] { SaveAppSettings(FServices.Registry, FSettings); },
                    [this](const std::u16string& ALine) { AddLogLine(ALine); }, u"Settings not saved: ",
                    TFailureText::Message);
}

void TMainForm::spnMaxClipentriesChange(TControl&) {
  if (FLoadingSettings)
    return;
  const int count = ClampMaxClipEntries(spnMaxClipentries.Value());
  if (spnMaxClipentries.Value() != count) {
    const TFlagScope loading(FLoadingSettings);
    spnMaxClipentries.SetValue(count);
  }
  if (FHistory) {
    FHistory->SetLimit(count);
    UpdateHistoryControls();
  }
  if (SaveSettings())
    AddLogLine(Format(u"Maximum clipboard entries set to %d", {count}));
}

void TMainForm::UpdateAutostartSwitch() {
  chkAutostart.SetThumbColor(chkAutostart.IsOn() ? 0x00FF00 : 0x808080);
}

void TMainForm::chkAutostartClick(TControl&) {
  if (FLoadingSettings)
    return;
  const TFailure failure = ReturnFailure([&] {
    SetAutostart(FServices.Registry, FServices.Shell, chkAutostart.IsOn());
    AddLogLine(chkAutostart.IsOn() ? u"Windows autostart enabled" : u"Windows autostart disabled");
    UpdateAutostartSwitch();
  });
  if (!failure)
    return;
  // The switch shows the real state again; turning it back runs this handler once more,
  // whose lines come before this error's.
  chkAutostart.SetOn(IsAutostartEnabled(FServices.Registry, FServices.Shell));
  UpdateAutostartSwitch();
  AddLogLine(u"Windows autostart error: " + failure.Message());
  ShowNotification(u"Autostart unavailable");
}

} // namespace tarvel
