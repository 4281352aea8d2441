// TMainForm: storing the settings, and the settings card's switches and history size.
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
  FSettings.OcrTextLayout = OcrTextLayoutOfItem(cmbOcrTextLayout.ItemIndex());
  FHotkeyConfig.StoreLetters(FSettings);
  // The change holds for this run; only storing it failed. A log line, not a box per
  // change, and the caller reports no success.
  return LogFailure([&] { SaveAppSettings(FServices.Registry, FSettings); },
                    [this](const std::u16string& ALine) { AddLogLine(ALine); }, u"Settings not saved: ",
                    TFailureText::Message);
}

void TMainForm::swtNotificationsClick(TControl&) {
  if (FLoadingSettings)
    return;
  if (SaveSettings())
    AddLogLine(FSettings.ShowNotifications ? u"System notifications enabled" : u"System notifications disabled");
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
