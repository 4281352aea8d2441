// TMainForm: start-up, tray icon and menu, showing and hiding, close versus quit, shutdown;
// the activity log, balloon notifications and the info card.
#include "app/uMain.h"

#include <algorithm>

#include "core/Text.h"
#include "update/UpdateHelper.h"

namespace tarvel {

TMainForm::TMainForm(TMainFormServices AServices) : FServices(AServices) {
  btnCard1.JoinGroup(1, {&btnCard1, &btnCard2, &btnCard3});
  btnCard2.JoinGroup(1, {&btnCard1, &btnCard2, &btnCard3});
  btnCard3.JoinGroup(1, {&btnCard1, &btnCard2, &btnCard3});
  // Connected with the layout itself, like the window-level handlers.
  btnQuit.OnClick = [this](TControl& ASender) { btnQuitClick(ASender); };
  swtNotifications.OnClick = [this](TControl& ASender) { swtNotificationsClick(ASender); };
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

  FLoadingSettings = true;
  try {
    TTarvelSettings loaded;
    LoadAppSettings(FServices.Registry, loaded);
    FSettings = loaded;
    swtShowLog.SetOn(FSettings.ShowLog);
    swtNotifications.SetOn(FSettings.ShowNotifications);
    spnMaxClipentries.SetRange(1, 100);
    spnMaxClipentries.SetValue(FSettings.MaxClipEntries);
    edtHotkeyControl.SetText(std::u16string(1, FSettings.HotkeyControl));
    edtHotkeyOCR.SetText(std::u16string(1, FSettings.HotkeyOCR));
    edtHotkeyScreenBox.SetText(std::u16string(1, FSettings.HotkeyScreenBox));
    edtHotkeyScreentFull.SetText(std::u16string(1, FSettings.HotkeyScreenFull));
    edtHotkeySave.SetText(std::u16string(1, FSettings.HotkeySave));
  } catch (...) {
    FLoadingSettings = false;
    throw;
  }
  FLoadingSettings = false;

  btnCard1.OnClick = [this](TControl& ASender) { btnCard1Click(ASender); };
  btnCard2.OnClick = [this](TControl& ASender) { btnCard2Click(ASender); };
  btnCard3.OnClick = [this](TControl& ASender) { btnCard3Click(ASender); };
  swtShowLog.OnClick = [this](TControl& ASender) { swtShowLogClick(ASender); };
  swtNotifications.OnClick = [this](TControl& ASender) { swtNotificationsClick(ASender); };

  btnCard1.SetDown(true);
  AdjustSliderWidth();

  FHistory = std::make_unique<TClipHistory>(FSettings.MaxClipEntries, FServices.Clock);
  CreateTrayIcon();
  AddLogLine(u"Tarvel started");
  UpdateHistoryControls();
  UpdateInfoMemo();
}

void TMainForm::CreateTrayIcon() {
  FTrayIcon = std::make_unique<TTrayIcon>();
  FTrayIcon->Menu = {
      {u"Show app", iiClipboard, [this] { ShowMainWindow(); }},
      {u"Save clipboard", iiSave, nullptr},
      {u"Show tutorial", iiInfo, nullptr},
      {u"Quit", iiQuit, [this] { QuitSequence(); }},
  };
  FTrayIcon->Hint = u"Tarvel";
  FTrayIcon->OnDblClick = [this] { ToggleMainWindow(); };
  FTrayIcon->BalloonTimeout = BalloonCloseDelayMs;
  FTrayIcon->SetVisible(true);

  FBalloonCloseTimer = std::make_unique<TTimer>();
  FBalloonCloseTimer->SetInterval(BalloonCloseDelayMs);
  FBalloonCloseTimer->OnTimer = [this] { BalloonCloseTimerTimer(); };
  FSliderReleaseTimer = std::make_unique<TTimer>();
  FSliderReleaseTimer->SetInterval(50);
}

void TMainForm::FormDestroy() {
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
  FServices.Window.Show();
  FServices.Window.RestoreAndBringToFront();
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

void TMainForm::WMClipboardUpdate() {}

void TMainForm::WMHotKey(int) {}

void TMainForm::UpdateHistoryControls() {
  SyncHistoryNavigation();
  if (!FHistory || FHistory->Count() == 0) {
    Memo1.SetVisible(true);
    Image1.SetVisible(false);
    Memo1.Clear();
    Label1.SetCaption(u"0 / 0");
  }
}

void TMainForm::SyncHistoryNavigation() {
  FUpdatingHistoryControls = true;
  if (!FHistory || FHistory->Count() == 0) {
    trkSlider.SetRange(0, 0);
    trkSlider.SetPosition(0);
    trkSlider.SetEnabled(false);
    btnDeleteEntry.SetEnabled(false);
    spnClipboardPage.SetRange(0, 0);
    spnClipboardPage.SetValue(0);
    spnClipboardPage.SetEnabled(false);
  }
  FUpdatingHistoryControls = false;
}

void TMainForm::AdjustSliderWidth() {
  const int width = FServices.Window.SliderRowClientWidth() - FServices.Window.PageEditRight() - 12;
  trkSlider.SetWidth(std::max(width, 80));
}

// Settings ---------------------------------------------------------------------------------

void TMainForm::SaveSettings() {
  // The tutorial stores its own choice; never write back a stale copy of it.
  TTarvelSettings stored;
  LoadAppSettings(FServices.Registry, stored);
  FSettings.DontShowTutorial = stored.DontShowTutorial;
  FSettings.ShowLog = swtShowLog.IsOn();
  FSettings.ShowNotifications = swtNotifications.IsOn();
  FSettings.MaxClipEntries = ClampMaxClipEntries(spnMaxClipentries.Value());
  const std::pair<const TLetterEdit*, char16_t TTarvelSettings::*> letters[] = {
      {&edtHotkeyControl, &TTarvelSettings::HotkeyControl},
      {&edtHotkeyOCR, &TTarvelSettings::HotkeyOCR},
      {&edtHotkeyScreenBox, &TTarvelSettings::HotkeyScreenBox},
      {&edtHotkeyScreentFull, &TTarvelSettings::HotkeyScreenFull},
      {&edtHotkeySave, &TTarvelSettings::HotkeySave},
  };
  for (const auto& [edit, field] : letters)
    if (const std::u16string text = Trim(edit->Text()); !text.empty())
      FSettings.*field = UpCaseAscii(text[0]);
  SaveAppSettings(FServices.Registry, FSettings);
}

// Activity log and notifications -------------------------------------------------------------

const std::vector<std::u16string>& TMainForm::LogLines() const noexcept {
  static const std::vector<std::u16string> none;
  return FLogLines ? *FLogLines : none;
}

void TMainForm::AddLogLine(const std::u16string& AText) {
  if (!FLogLines)
    return;
  FLogLines->push_back(FormatDateTime(LogTimePattern, FServices.Clock.Now()) + u" - " + AText);
  if (FLogLines->size() > MaxLogLines)
    FLogLines->erase(FLogLines->begin(), FLogLines->end() - MaxLogLines);
  if (swtShowLog.IsOn())
    UpdateInfoMemo();
}

void TMainForm::AddOcrLogLine(std::u16string_view AText) {
  if (Trim(AText).empty())
    return;
  std::size_t start = 0;
  while (start <= AText.size()) {
    std::size_t end = AText.find_first_of(u"\r\n", start);
    if (end == std::u16string_view::npos)
      end = AText.size();
    if (const std::u16string line = Trim(AText.substr(start, end - start)); !line.empty())
      AddLogLine(u"[OCR] " + line);
    // CR LF is one break; a lone CR or LF is one too.
    if (end + 1 < AText.size() && AText[end] == u'\r' && AText[end + 1] == u'\n')
      ++end;
    start = end + 1;
  }
}

void TMainForm::ShowNotification(const std::u16string& AText) {
  if (!FTrayIcon || !FSettings.ShowNotifications)
    return;
  const std::uint64_t now = FServices.Clock.TickCount64();
  // Dropped, not delayed: the window of the last balloon shown stays where it is.
  if (FLastBalloonTick != 0 && now - FLastBalloonTick < NotificationMinIntervalMs)
    return;
  FLastBalloonTick = now;
  FTrayIcon->BalloonTitle = u"Tarvel";
  FTrayIcon->BalloonHint = AText;
  FTrayIcon->BalloonTimeout = BalloonCloseDelayMs;
  FTrayIcon->ShowBalloonHint();
  // Each balloon gets its full second; an earlier pending close is cancelled.
  FBalloonCloseTimer->SetEnabled(false);
  FBalloonCloseTimer->SetInterval(BalloonCloseDelayMs);
  FBalloonCloseTimer->SetEnabled(true);
}

void TMainForm::BalloonCloseTimerTimer() {
  FBalloonCloseTimer->SetEnabled(false);
  if (!FTrayIcon)
    return;
  // A balloon with empty texts removes the one on screen.
  FTrayIcon->BalloonHint.clear();
  FTrayIcon->BalloonTitle.clear();
  FTrayIcon->ShowBalloonHint();
}

void TMainForm::swtNotificationsClick(TControl&) {
  if (FLoadingSettings)
    return;
  SaveSettings();
  AddLogLine(FSettings.ShowNotifications ? u"System notifications enabled" : u"System notifications disabled");
}

void TMainForm::swtShowLogClick(TControl&) {
  if (FLoadingSettings)
    return;
  SaveSettings();
  UpdateInfoMemo();
}

// Info card ----------------------------------------------------------------------------------

void TMainForm::UpdateInfoMemo() {
  if (swtShowLog.IsOn()) {
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

} // namespace tarvel
