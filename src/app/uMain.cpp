// TMainForm: start-up, tray icon and menu, showing and hiding, close versus quit, shutdown.
#include "app/uMain.h"

#include <algorithm>

namespace tarvel {

TMainForm::TMainForm(TMainFormServices AServices) : FServices(AServices) {
  btnCard1.JoinGroup(1, {&btnCard1, &btnCard2, &btnCard3});
  btnCard2.JoinGroup(1, {&btnCard1, &btnCard2, &btnCard3});
  btnCard3.JoinGroup(1, {&btnCard1, &btnCard2, &btnCard3});
  // Connected with the layout itself, like the window-level handlers.
  btnQuit.OnClick = [this](TControl& ASender) { btnQuitClick(ASender); };
}

TMainForm::~TMainForm() = default;

void TMainForm::FormCreate() {
  Caption = u"Tarvel";
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
    const TTarvelSettings loaded;
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

  btnCard1.SetDown(true);
  AdjustSliderWidth();

  FHistory = std::make_unique<TClipHistory>(FSettings.MaxClipEntries, FServices.Clock);
  CreateTrayIcon();
  UpdateHistoryControls();
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
  FTrayIcon->BalloonTimeout = 1000;
  FTrayIcon->SetVisible(true);

  FBalloonCloseTimer = std::make_unique<TTimer>();
  FBalloonCloseTimer->SetInterval(1000);
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

void TMainForm::FormShow() { UpdateHistoryControls(); }

void TMainForm::FormResize() { AdjustSliderWidth(); }

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

void TMainForm::btnQuitClick(TControl&) { QuitSequence(); }

void TMainForm::btnCard1Click(TControl&) { CardPanel1.SetActiveCard(0); }
void TMainForm::btnCard2Click(TControl&) { CardPanel1.SetActiveCard(1); }
void TMainForm::btnCard3Click(TControl&) { CardPanel1.SetActiveCard(2); }

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

} // namespace tarvel
