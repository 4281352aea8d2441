// TMainForm: start-up, the tray icon and its menu, showing and hiding, close versus quit,
// shutdown. The form's other concerns live beside this file, one file each.
#include "app/uMain.h"

#include "core/FlagScope.h"
#include "update/UpdateHelper.h"

namespace tarvel {

TMainForm::TMainForm(TMainFormServices AServices)
    : FServices(AServices), FTrayIcon(std::make_unique<TTrayIcon>()), FBalloonCloseTimer(std::make_unique<TTimer>()),
      FSliderReleaseTimer(std::make_unique<TTimer>()), FClipboardRetryTimer(std::make_unique<TTimer>()) {
  btnCard1.JoinGroup(1, {&btnCard1, &btnCard2, &btnCard3});
  btnCard2.JoinGroup(1, {&btnCard1, &btnCard2, &btnCard3});
  btnCard3.JoinGroup(1, {&btnCard1, &btnCard2, &btnCard3});
  // Connected with the layout itself, like the window-level handlers.
  btnQuit.OnClick = [this](TControl& ASender) { btnQuitClick(ASender); };
  btnShowTutorial.OnClick = [this](TControl&) { ShowTutorial(); };
  swtNotifications.OnClick = [this](TControl& ASender) { swtNotificationsClick(ASender); };
  chkAutostart.OnClick = [this](TControl& ASender) { chkAutostartClick(ASender); };
  chkUpdate.OnClick = [this](TControl& ASender) { chkUpdateClick(ASender); };
  cmbLanguageOCR.OnChange = [this](TControl& ASender) { cmbLanguageOCRChange(ASender); };
  btnDeleteEntry.OnClick = [this](TControl& ASender) { btnDeleteEntryClick(ASender); };
  btnSave.OnClick = [this](TControl& ASender) { btnSaveClick(ASender); };
  // Lowering the size drops entries for good: a half-typed number must never do that.
  spnMaxClipentries.DeferTyping = true;
}

TMainForm::~TMainForm() = default;

void TMainForm::FormCreate() {
  Caption = u"Tarvel";
  FAppVersion = GetAppVersion(FServices.Shell);
  lblAppInfo.SetCaption(u"Tarvel - " + FAppVersion + u"   ");
  FLogLines = std::make_unique<std::vector<std::u16string>>();

  Memo1.Clear();
  Memo1.SetReadOnly(true);
  Memo1.SetVerticalScrollBar(true);
  Image1.Stretch = true;
  Image1.Proportional = true;
  Image1.Center = true;
  MemoInfoLog.SetReadOnly(true);
  MemoInfoLog.SetVerticalScrollBar(true);
  // Whatever card was active in the layout, every start shows the clipboard card first.
  CardPanel1.SetActiveCard(0);

  {
    const TFlagScope loading(FLoadingSettings);
    TTarvelSettings loaded;
    LoadAppSettings(FServices.Registry, loaded);
    FSettings = loaded;
    swtShowLog.SetOn(FSettings.ShowLog);
    swtNotifications.SetOn(FSettings.ShowNotifications);
    chkAutostart.SetOn(IsAutostartEnabled(FServices.Registry, FServices.Shell));
    UpdateAutostartSwitch();
    spnMaxClipentries.SetRange(1, 100);
    spnMaxClipentries.SetValue(FSettings.MaxClipEntries);
    const THotkeyLetters letters = HotkeyLetters(FSettings);
    for (std::size_t i = 0; i < LetterHotkeyCount; ++i)
      FHotkeyEdits[i].Edit->SetText(std::u16string(1, letters[i]));
    // The first lines of the log.
    LoadOcrLanguages(FSettings.OcrLanguageTag);
  }

  btnCard1.OnClick = [this](TControl& ASender) { btnCard1Click(ASender); };
  btnCard2.OnClick = [this](TControl& ASender) { btnCard2Click(ASender); };
  btnCard3.OnClick = [this](TControl& ASender) { btnCard3Click(ASender); };
  trkSlider.OnChange = [this](TControl& ASender) { trkSliderChange(ASender); };
  btnDeleteEntry.OnClick = [this](TControl& ASender) { btnDeleteEntryClick(ASender); };
  spnClipboardPage.OnChange = [this](TControl& ASender) { spnClipboardPageChange(ASender); };
  spnMaxClipentries.OnChange = [this](TControl& ASender) { spnMaxClipentriesChange(ASender); };
  swtShowLog.OnClick = [this](TControl& ASender) { swtShowLogClick(ASender); };
  swtNotifications.OnClick = [this](TControl& ASender) { swtNotificationsClick(ASender); };
  chkAutostart.OnClick = [this](TControl& ASender) { chkAutostartClick(ASender); };
  for (const THotkeyEdit& hotkey : FHotkeyEdits) {
    TLetterEdit* edit = hotkey.Edit;
    edit->OnEnter = [this](TControl& ASender) { HotkeyEditEnter(ASender); };
    edit->OnExit = [this](TControl& ASender) { HotkeyEditExit(ASender); };
  }

  btnCard1.SetDown(true);
  AdjustSliderWidth();

  FHistory = std::make_unique<TClipHistory>(FSettings.MaxClipEntries, FServices.Clock);
  CreateTrayIcon();
  RegisterHotkeysAndClipboardListener();
  AddLogLine(u"Tarvel started");
  UpdateHistoryControls();
  UpdateInfoMemo();
  StartUpdateCheck(false);
}

void TMainForm::CreateTrayIcon() {
  FTrayIcon->Menu = {
      {u"Show app", iiClipboard, [this] { ShowMainWindow(); }},
      {u"Save clipboard", iiSave, [this] { btnSaveClick(btnSave); }},
      {u"Show tutorial", iiInfo, [this] { ShowTutorial(); }},
      {u"Quit", iiQuit, [this] { QuitSequence(); }},
  };
  FTrayIcon->Hint = u"Tarvel";
  FTrayIcon->OnDblClick = [this] { ToggleMainWindow(); };
  FTrayIcon->BalloonTimeout = BalloonCloseDelayMs;
  FTrayIcon->SetVisible(true);

  FBalloonCloseTimer->SetEnabled(false);
  FBalloonCloseTimer->SetInterval(BalloonCloseDelayMs);
  FBalloonCloseTimer->OnTimer = [this] { BalloonCloseTimerTimer(); };
  FSliderReleaseTimer->SetEnabled(false);
  FSliderReleaseTimer->SetInterval(50);
  FSliderReleaseTimer->OnTimer = [this] { SliderReleaseTimerTimer(); };
  FClipboardRetryTimer->SetEnabled(false);
  FClipboardRetryTimer->SetInterval(ClipboardRetryIntervalMs);
  FClipboardRetryTimer->OnTimer = [this] { ClipboardRetryTimerTimer(); };
}

void TMainForm::FormDestroy() {
  UnregisterHotkeysAndClipboardListener();
  // Nothing waits for the clipboard any more: the history and the log go below.
  FCaptureRetryPending = false;
  FPublishRetryPending = false;
  UpdateClipboardRetryTimer();
  if (FTrayIcon)
    FTrayIcon->SetVisible(false);
  FHistory.reset();
  FLogLines.reset();
}

void TMainForm::FormCloseQuery(bool& ACanClose) {
  if (FAllowClose)
    return;
  // The close button only hides: the tray icon, hotkeys and capture keep running.
  ACanClose = false;
  FServices.Window.Hide();
}

void TMainForm::Close() {
  bool canClose = true;
  FormCloseQuery(canClose);
  if (canClose)
    FServices.Window.DestroyAndTerminate();
}

void TMainForm::FormShow() {
  UpdateHistoryControls();
}

void TMainForm::FormResize() {
  AdjustSliderWidth();
}

void TMainForm::ShowMainWindow() {
  // A hidden window runs FormShow as it comes up, which refreshes the browser; only a
  // window already on screen needs the refresh here. Either way it happens once.
  const bool alreadyShown = FServices.Window.IsVisible();
  FServices.Window.Show();
  FServices.Window.RestoreAndBringToFront();
  if (alreadyShown)
    UpdateHistoryControls();
}

void TMainForm::ToggleMainWindow() {
  if (FServices.Window.IsVisible())
    FServices.Window.Hide();
  else
    ShowMainWindow();
}

bool TMainForm::ConfirmQuit() {
  return FServices.Dialogs.MessageDlg(ConfirmQuitText, mtWarning, mbYes | mbNo) == mrYes;
}

void TMainForm::QuitSequence() {
  if (!ConfirmQuit())
    return;
  FAllowClose = true;
  Close();
}

void TMainForm::btnQuitClick(TControl&) {
  QuitSequence();
}

} // namespace tarvel
