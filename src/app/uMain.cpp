// TMainForm: start-up, the tray icon and its menu, showing and hiding, close versus quit,
// shutdown. The form's other concerns live beside this file, one file each.
#include "app/uMain.h"

#include "core/FlagScope.h"
#include "update/UpdateHelper.h"

namespace tarvel {

namespace {

// The tray menu's "Clear history", greyed while there is nothing to clear.
constexpr std::size_t ClearHistoryMenuItem = 2;

} // namespace

// What the form's objects ask of it.
class TMainForm::THost final : public IActivityLogHost,
                               public IClipboardExchangeHost,
                               public IHistoryBrowserHost,
                               public IHotkeyConfigHost,
                               public IOcrCommandHost {
public:
  explicit THost(TMainForm& AForm) : FForm(AForm) {}

  // IActivityLogHost
  bool NotificationsOn() const override { return FForm.FSettings.ShowNotifications; }
  void LogLineAdded(const std::u16string& ALine) override { FForm.LogLineAdded(ALine); }

  // IClipboardExchangeHost and IHistoryBrowserHost
  TClipHistory* History() override { return FForm.FHistory.get(); }
  void HistoryChanged() override { FForm.UpdateHistoryControls(); }
  void PublishCurrentHistoryItem() override { FForm.FExchange.PublishCurrentHistoryItem(); }
  void ClearClipboardAsOwnWrite() override { FForm.FExchange.ClearClipboardAsOwnWrite(); }

  // IHotkeyConfigHost
  bool LoadingSettings() const override { return FForm.FLoadingSettings; }
  void SaveSettings() override { FForm.SaveSettings(); }
  THotkeyLetters StoredHotkeyLetters() const override { return HotkeyLetters(FForm.FSettings); }
  void HotkeyLettersChanged() override { FForm.UpdateInfoMemo(); }

  // IOcrCommandHost
  void AddLogLine(const std::u16string& AText) override { FForm.AddLogLine(AText); }
  void AddOcrLogLine(std::u16string_view AText) override { FForm.AddOcrLogLine(AText); }
  void ShowNotification(const std::u16string& AText) override { FForm.ShowNotification(AText); }
  void PublishRecognizedText(const std::u16string& AText) override {
    FForm.PublishTextToClipboard(AText);
    FForm.FHistory->AddText(AText);
    FForm.UpdateHistoryControls();
  }
  std::u16string SelectedOcrLanguageTag() override { return FForm.GetSelectedOcrLanguageTag(); }

private:
  TMainForm& FForm;
};

TMainForm::TMainForm(TMainFormServices AServices)
    : FServices(AServices), FTrayIcon(std::make_unique<TTrayIcon>()), FHost(std::make_unique<THost>(*this)),
      FLog({FServices.Clock, *FTrayIcon}, *FHost), FExchange({FServices.Clipboard, FServices.Clock, FLog}, *FHost),
      FHistoryBrowser({FServices.Window, FServices.Clock, FServices.Dispatcher, FLog},
                      {spnClipboardPage, trkSlider, Image1, Memo1, Label1, btnDeleteEntry, &edtFind, &btnPinEntry,
                       &btnClearHistory, &pmPreview},
                      *FHost),
      FHotkeyConfig({FServices.Hotkeys, FServices.Dialogs, FLog}, HotkeyEdits(), *FHost),
      FOcr({FServices.Screen, FServices.SelectionOverlay, FServices.Dispatcher, FServices.Runtime, FServices.Clock,
            FServices.Shell},
           *FHost) {
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
  btnPinEntry.OnClick = [this](TControl&) { FHistoryBrowser.TogglePinned(); };
  btnClearHistory.OnClick = [this](TControl&) { ClearHistoryClick(); };
  edtFind.OnChange = [this](TControl&) { FHistoryBrowser.FindChange(); };
  edtFind.OnCommit = [this](TControl&) { FHistoryBrowser.FindCommit(); };
  Memo1.PopupMenu = &pmPreview;
  Image1.PopupMenu = &pmPreview;
  // Lowering the size drops entries for good: a half-typed number must never do that.
  spnMaxClipentries.DeferTyping = true;
}

TMainForm::~TMainForm() = default;

void TMainForm::FormCreate() {
  Caption = u"Tarvel";
  FAppVersion = GetAppVersion(FServices.Shell);
  lblAppInfo.SetCaption(u"Tarvel - " + FAppVersion + u"   ");
  FLog.Open();

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
    FHotkeyConfig.ShowLetters(HotkeyLetters(FSettings));
    ShowOcrTextLayouts(FSettings.OcrTextLayout);
    // The first lines of the log.
    LoadOcrLanguages(FSettings.OcrLanguageTag);
  }

  btnCard1.OnClick = [this](TControl& ASender) { btnCard1Click(ASender); };
  btnCard2.OnClick = [this](TControl& ASender) { btnCard2Click(ASender); };
  btnCard3.OnClick = [this](TControl& ASender) { btnCard3Click(ASender); };
  trkSlider.OnChange = [this](TControl& ASender) { trkSliderChange(ASender); };
  spnClipboardPage.OnChange = [this](TControl& ASender) { spnClipboardPageChange(ASender); };
  spnMaxClipentries.OnChange = [this](TControl& ASender) { spnMaxClipentriesChange(ASender); };
  cmbOcrTextLayout.OnChange = [this](TControl& ASender) { cmbOcrTextLayoutChange(ASender); };
  swtShowLog.OnClick = [this](TControl& ASender) { swtShowLogClick(ASender); };
  for (TLetterEdit* edit : HotkeyEdits()) {
    edit->OnEnter = [this](TControl& ASender) { HotkeyEditEnter(ASender); };
    edit->OnExit = [this](TControl& ASender) { HotkeyEditExit(ASender); };
  }

  btnCard1.SetDown(true);

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
      {u"Clear history", iiClearHistory, [this] { ClearHistoryClick(); }},
      {u"Show tutorial", iiInfo, [this] { ShowTutorial(); }},
      {u"Quit", iiQuit, [this] { QuitSequence(); }},
  };
  FTrayIcon->OnPopup = [this] { FTrayIcon->Menu[ClearHistoryMenuItem].Enabled = FHistoryBrowser.ClearableCount() > 0; };
  FTrayIcon->Hint = u"Tarvel";
  FTrayIcon->OnDblClick = [this] { ToggleMainWindow(); };
  FTrayIcon->BalloonTimeout = BalloonCloseDelayMs;
  FTrayIcon->SetVisible(true);
}

void TMainForm::FormDestroy() {
  UnregisterHotkeysAndClipboardListener();
  if (FTrayIcon)
    FTrayIcon->SetVisible(false);
  FHistory.reset();
  FLog.Close();
}

void TMainForm::FormCloseQuery(bool& ACanClose) {
  if (FAllowClose)
    return;
  // The close button only hides: the tray icon, hotkeys and capture keep running.
  ACanClose = false;
  HideMainWindow();
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

void TMainForm::ShowMainWindow() {
  // A hidden window runs FormShow as it comes up, which refreshes the browser; only a
  // window already on screen needs the refresh here. Either way it happens once.
  const bool alreadyShown = FServices.Window.IsVisible();
  FServices.Window.Show();
  FServices.Window.RestoreAndBringToFront();
  if (alreadyShown)
    UpdateHistoryControls();
}

// A search is a way of looking at the card: it ends with the window, so that the history
// hot keys never walk the matches of a search the user no longer sees.
void TMainForm::HideMainWindow() {
  FHistoryBrowser.CancelFind();
  FServices.Window.Hide();
}

void TMainForm::ToggleMainWindow() {
  if (FServices.Window.IsVisible())
    HideMainWindow();
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

void TMainForm::AddLogLine(const std::u16string& AText) {
  FLog.AddLogLine(AText);
}

void TMainForm::AddOcrLogLine(std::u16string_view AText) {
  FLog.AddOcrLogLine(AText);
}

void TMainForm::ShowNotification(const std::u16string& AText) {
  FLog.ShowNotification(AText);
}

void TMainForm::WMClipboardUpdate() {
  FExchange.WMClipboardUpdate();
}

void TMainForm::PublishTextToClipboard(const std::u16string& AText) {
  FExchange.PublishTextToClipboard(AText);
}

void TMainForm::PublishBitmapToClipboard(std::shared_ptr<const TBitmap32> ABitmap) {
  FExchange.PublishBitmapToClipboard(std::move(ABitmap));
}

bool TMainForm::PublishFilesToClipboard(const std::vector<std::u16string>& AFiles) {
  return FExchange.PublishFilesToClipboard(AFiles);
}

void TMainForm::PublishCurrentHistoryItem() {
  FExchange.PublishCurrentHistoryItem();
}

void TMainForm::UpdateHistoryControls() {
  FHistoryBrowser.UpdateHistoryControls();
}

void TMainForm::spnClipboardPageChange(TControl&) {
  FHistoryBrowser.spnClipboardPageChange();
}

void TMainForm::trkSliderChange(TControl&) {
  FHistoryBrowser.trkSliderChange();
}

void TMainForm::btnDeleteEntryClick(TControl&) {
  FHistoryBrowser.DeleteCurrentHistoryEntry();
}

void TMainForm::ClearHistoryClick() {
  const int entries = FHistoryBrowser.ClearableCount();
  if (entries == 0)
    return;
  if (FServices.Dialogs.MessageDlg(ClearHistoryQuestion(entries, FHistory->PinnedCount()), mtWarning,
                                   mbYes | mbNo | mbDefaultNo) == mrYes)
    FHistoryBrowser.ClearHistory();
}

void TMainForm::FindInHistory() {
  btnCard1.Click();
}

bool TMainForm::CancelFind() {
  return FHistoryBrowser.CancelFind();
}

void TMainForm::HotkeyEditEnter(TControl& ASender) {
  FHotkeyConfig.HotkeyEditEnter(ASender);
}

void TMainForm::HotkeyEditExit(TControl& ASender) {
  FHotkeyConfig.HotkeyEditExit(ASender);
}

void TMainForm::ReregisterHotkeys() {
  FHotkeyConfig.ReregisterHotkeys();
}

} // namespace tarvel
