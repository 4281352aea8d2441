// TMainForm: start-up, tray icon and menu, showing and hiding, close versus quit, shutdown;
// the activity log and balloons, the info card, the history browser, clipboard capture and
// publishing, the hotkey commands, merge, saving, the settings card and autostart.
#include "app/uMain.h"

#include <algorithm>
#include <cmath>

#include "clipboard/ClipboardSave.h"
#include "core/Text.h"
#include "update/UpdateHelper.h"

namespace tarvel {

namespace {

// Holds a flag of the form true while it lives, and false again afterwards, also when an
// error ends the scope: the loading and updating guards, and the mark of an own write.
class TFlagScope {
public:
  explicit TFlagScope(bool& AFlag) : FFlag(AFlag) { FFlag = true; }
  ~TFlagScope() { FFlag = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

private:
  bool& FFlag;
};

} // namespace

TMainForm::TMainForm(TMainFormServices AServices) : FServices(AServices) {
  btnCard1.JoinGroup(1, {&btnCard1, &btnCard2, &btnCard3});
  btnCard2.JoinGroup(1, {&btnCard1, &btnCard2, &btnCard3});
  btnCard3.JoinGroup(1, {&btnCard1, &btnCard2, &btnCard3});
  // Connected with the layout itself, like the window-level handlers.
  btnQuit.OnClick = [this](TControl& ASender) { btnQuitClick(ASender); };
  swtNotifications.OnClick = [this](TControl& ASender) { swtNotificationsClick(ASender); };
  chkAutostart.OnClick = [this](TControl& ASender) { chkAutostartClick(ASender); };
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
    edtHotkeyControl.SetText(std::u16string(1, FSettings.HotkeyControl));
    edtHotkeyOCR.SetText(std::u16string(1, FSettings.HotkeyOCR));
    edtHotkeyScreenBox.SetText(std::u16string(1, FSettings.HotkeyScreenBox));
    edtHotkeyScreentFull.SetText(std::u16string(1, FSettings.HotkeyScreenFull));
    edtHotkeySave.SetText(std::u16string(1, FSettings.HotkeySave));
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
  for (TLetterEdit* edit :
       {&edtHotkeyControl, &edtHotkeyOCR, &edtHotkeyScreenBox, &edtHotkeyScreentFull, &edtHotkeySave}) {
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
}

void TMainForm::CreateTrayIcon() {
  FTrayIcon = std::make_unique<TTrayIcon>();
  FTrayIcon->Menu = {
      {u"Show app", iiClipboard, [this] { ShowMainWindow(); }},
      {u"Save clipboard", iiSave, [this] { btnSaveClick(btnSave); }},
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
  FSliderReleaseTimer->OnTimer = [this] { SliderReleaseTimerTimer(); };
  if (OnTrayIconCreated)
    OnTrayIconCreated();
}

void TMainForm::FormDestroy() {
  UnregisterHotkeysAndClipboardListener();
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

void TMainForm::RegisterHotkeysAndClipboardListener() {
  if (!FHotkeysRegistered)
    FHotkeysRegistered =
        RegisterAppHotkeys(FServices.Hotkeys, FSettings.HotkeyControl, FSettings.HotkeyOCR, FSettings.HotkeyScreenBox,
                           FSettings.HotkeyScreenFull, FSettings.HotkeySave, &FHotkeyRefusal);
  if (!FClipboardListenerRegistered)
    FClipboardListenerRegistered = FServices.Clipboard.AddListener();
  if (!FHotkeysRegistered)
    ReportHotkeysUnavailable();
}

void TMainForm::ReportHotkeysUnavailable() {
  // Balloons are off by default: the log always tells which combination is taken.
  AddLogLine(u"Hotkeys unavailable: " + HotkeyText(FHotkeyRefusal.VirtualKey) + u" is taken by another program");
  ShowNotification(u"Hotkeys unavailable");
}

void TMainForm::UnregisterHotkeysAndClipboardListener() {
  if (FClipboardListenerRegistered) {
    FServices.Clipboard.RemoveListener();
    FClipboardListenerRegistered = false;
  }
  if (FHotkeysRegistered) {
    UnregisterAppHotkeys(FServices.Hotkeys);
    FHotkeysRegistered = false;
  }
}

bool TMainForm::TryReregisterHotkeys() {
  if (FHotkeysRegistered) {
    UnregisterAppHotkeys(FServices.Hotkeys);
    FHotkeysRegistered = false;
  }
  FHotkeysRegistered =
      RegisterAppHotkeys(FServices.Hotkeys, FSettings.HotkeyControl, FSettings.HotkeyOCR, FSettings.HotkeyScreenBox,
                         FSettings.HotkeyScreenFull, FSettings.HotkeySave, &FHotkeyRefusal);
  return FHotkeysRegistered;
}

void TMainForm::ReregisterHotkeys() {
  if (!TryReregisterHotkeys())
    ReportHotkeysUnavailable();
}

void TMainForm::WMHotKey(int AHotkeyId) {
  switch (AHotkeyId) {
  case hkMerge: MergeTextEntries(); break;
  case hkPrevious:
  case hkNext:
    if (FHistory) {
      if (AHotkeyId == hkPrevious)
        FHistory->Prev();
      else
        FHistory->Next();
    }
    UpdateHistoryControls();
    PublishCurrentHistoryItem();
    break;
  case hkSave: SaveClipboard(true); break;
  default:
    // The capture and OCR commands are not part of this build yet; other ids are not ours.
    break;
  }
}

// History browser ----------------------------------------------------------------------------

void TMainForm::UpdateHistoryControls() {
  const TClipHistoryItem* item = FHistory ? FHistory->Current() : nullptr;
  SyncHistoryNavigation();
  if (!item) {
    Memo1.SetVisible(true);
    Image1.SetVisible(false);
    Memo1.Clear();
    Label1.SetCaption(u"0 / 0");
    return;
  }
  switch (item->Kind) {
  case cikText:
    Image1.SetVisible(false);
    Image1.ClearPicture();
    Memo1.SetVisible(true);
    Memo1.SetText(MakeMemoPreviewText(item->Text));
    break;
  case cikImage:
    Memo1.SetVisible(false);
    if (item->Bitmap)
      Image1.SetPicture(*item->Bitmap);
    else
      Image1.ClearPicture();
    Image1.SetVisible(true);
    break;
  case cikFiles:
    Image1.SetVisible(false);
    Image1.ClearPicture();
    Memo1.SetVisible(true);
    Memo1.SetLines(MakeMemoPreviewLines(item->Files));
    break;
  }
  Label1.SetCaption(Format(u"%d / %d  %s  %s", {FHistory->Index() + 1, FHistory->Count(),
                                                FormatDateTime(LogTimePattern, FromDateTimeValue(item->TimeStamp),
                                                               FServices.Clock.TimeSeparator()),
                                                item->Preview}));
}

namespace {

constexpr std::uint64_t MemoPreviewCost = std::uint64_t{MaxMemoPreviewLine} * MaxMemoPreviewLine;

// How many units of a line of ALength fit in what is left of the layout cost.
std::size_t UnitsWithinCost(std::size_t ALength, std::uint64_t& ACost) {
  const std::uint64_t cost = std::uint64_t{ALength} * ALength;
  if (cost <= MemoPreviewCost - ACost) {
    ACost += cost;
    return ALength;
  }
  const auto fits = static_cast<std::size_t>(std::sqrt(static_cast<double>(MemoPreviewCost - ACost)));
  ACost = MemoPreviewCost;
  return fits;
}

} // namespace

std::u16string MakeMemoPreviewText(std::u16string_view AText) {
  // Nothing past the length limit is shown, so nothing past it is looked at either.
  const std::u16string_view head = AText.substr(0, MaxMemoPreviewLength + 1);
  std::size_t cut = 0;
  std::uint64_t cost = 0;
  while (cut < head.size() && cut < MaxMemoPreviewLength) {
    std::size_t end = head.find_first_of(u"\r\n", cut);
    if (end == std::u16string_view::npos)
      end = head.size();
    const std::size_t fits = UnitsWithinCost(end - cut, cost);
    if (fits < end - cut) {
      cut += fits;
      break;
    }
    cut = std::min(end + 1, head.size());
  }
  cut = std::min(cut, MaxMemoPreviewLength);
  if (cut >= AText.size())
    return std::u16string(AText);
  if (cut > 0 && AText[cut - 1] >= 0xD800 && AText[cut - 1] <= 0xDBFF)
    --cut; // keep a surrogate pair whole
  return std::u16string(AText.substr(0, cut)) + u"\r\n\r\n" +
         Format(u"[... %s more characters are not shown here; the entry keeps the whole text]",
                {GroupDigits(AText.size() - cut)});
}

std::vector<std::u16string> MakeMemoPreviewLines(const std::vector<std::u16string>& AFiles) {
  std::vector<std::u16string> lines;
  std::size_t length = 0;
  std::uint64_t cost = 0;
  for (const std::u16string& path : AFiles) {
    const bool fits = UnitsWithinCost(path.size(), cost) == path.size() && length + path.size() <= MaxMemoPreviewLength;
    if (!fits && !lines.empty())
      break;
    length += path.size() + 2;
    lines.push_back(path);
  }
  if (lines.size() < AFiles.size()) {
    lines.emplace_back();
    lines.push_back(Format(u"[... %s more files are not shown here; the entry keeps the whole list]",
                           {GroupDigits(AFiles.size() - lines.size() + 1)}));
  }
  return lines;
}

void TMainForm::SyncHistoryNavigation() {
  const bool empty = !FHistory || FHistory->Count() == 0;
  {
    const TFlagScope updating(FUpdatingHistoryControls);
    const int count = empty ? 0 : FHistory->Count();
    const int position = empty ? 0 : FHistory->Index() + 1;
    const int minimum = empty ? 0 : 1;
    trkSlider.SetRange(minimum, count);
    trkSlider.SetPosition(position);
    trkSlider.SetEnabled(!empty);
    btnDeleteEntry.SetEnabled(!empty);
    spnClipboardPage.SetRange(minimum, count);
    spnClipboardPage.SetValue(position);
    spnClipboardPage.SetEnabled(!empty);
  }
  if (!empty)
    AdjustSliderWidth();
}

void TMainForm::SelectHistoryIndex(int AIndex, bool APublish) {
  if (!FHistory || FHistory->Count() == 0) {
    UpdateHistoryControls();
    return;
  }
  FHistory->Select(AIndex);
  UpdateHistoryControls();
  if (APublish)
    PublishCurrentHistoryItem();
}

void TMainForm::spnClipboardPageChange(TControl&) {
  if (FUpdatingHistoryControls)
    return;
  if (!FHistory || FHistory->Count() == 0) {
    SyncHistoryNavigation();
    return;
  }
  const int value = std::clamp(spnClipboardPage.Value(), 1, FHistory->Count());
  if (value != spnClipboardPage.Value()) {
    const TFlagScope updating(FUpdatingHistoryControls);
    spnClipboardPage.SetValue(value);
  }
  SelectHistoryIndex(value - 1, true);
}

void TMainForm::trkSliderChange(TControl&) {
  if (FUpdatingHistoryControls)
    return;
  if (!FHistory || FHistory->Count() == 0) {
    SyncHistoryNavigation();
    return;
  }
  SelectHistoryIndex(std::clamp(trkSlider.Position(), 1, FHistory->Count()) - 1, false);
  // A drag publishes once, where it ends; the keyboard publishes at once.
  if (!FServices.Window.IsLeftButtonDown()) {
    PublishCurrentHistoryItem();
  } else {
    FSliderDragging = true;
    FSliderReleaseTimer->SetEnabled(true);
  }
}

void TMainForm::SliderReleaseTimerTimer() {
  if (FServices.Window.IsLeftButtonDown())
    return;
  FSliderReleaseTimer->SetEnabled(false);
  if (FSliderDragging && FHistory && FHistory->Count() > 0) {
    FSliderDragging = false;
    PublishCurrentHistoryItem();
  }
}

void TMainForm::btnDeleteEntryClick(TControl&) {
  DeleteCurrentHistoryEntry();
}

void TMainForm::DeleteCurrentHistoryEntry() {
  if (!FHistory || FHistory->Count() == 0)
    return;
  const int selected = FHistory->DeleteAt(FHistory->Index());
  // The card follows the history at once, also when the clipboard write below fails.
  UpdateHistoryControls();
  if (selected < 0) {
    ClearClipboardAsOwnWrite();
    AddLogLine(u"History entry deleted");
  } else {
    PublishCurrentHistoryItem();
    AddLogLine(Format(u"History entry deleted, new selection: %d / %d", {FHistory->Index() + 1, FHistory->Count()}));
  }
  ShowNotification(u"History entry deleted");
}

void TMainForm::AdjustSliderWidth() {
  const int width = FServices.Window.SliderRowClientWidth() - FServices.Window.PageEditRight() - 12;
  trkSlider.SetWidth(std::max(width, 80));
}

// Settings ---------------------------------------------------------------------------------

bool TMainForm::SaveSettings() {
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
  try {
    SaveAppSettings(FServices.Registry, FSettings);
    return true;
  } catch (const EError& e) {
    // The change holds for this run; only storing it failed. A log line, not a box per
    // change, and the caller reports no success.
    AddLogLine(u"Settings not saved: " + e.Message());
    return false;
  }
}

// Activity log and notifications -------------------------------------------------------------

const std::vector<std::u16string>& TMainForm::LogLines() const noexcept {
  static const std::vector<std::u16string> none;
  return FLogLines ? *FLogLines : none;
}

void TMainForm::AddLogLine(const std::u16string& AText) {
  if (!FLogLines)
    return;
  FLogLines->push_back(FormatDateTime(LogTimePattern, FServices.Clock.Now(), FServices.Clock.TimeSeparator()) + u" - " +
                       AText);
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
  if (SaveSettings())
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

// Clipboard capture and publishing -----------------------------------------------------------

std::u16string MakePreviewText(std::u16string_view AText, int AMaxLen) {
  return MakeOneLinePreview(AText, static_cast<std::size_t>(std::max(AMaxLen, 0)), false);
}

void TMainForm::WMClipboardUpdate() {
  if (!FInternalClipboardUpdate && FPendingInternalClipboardUpdates <= 0)
    CaptureExternalClipboard();
  else if (FPendingInternalClipboardUpdates > 0)
    --FPendingInternalClipboardUpdates; // the echo of one of our own writes
}

void TMainForm::CaptureExternalClipboard() {
  IClipboard& clipboard = FServices.Clipboard;
  // The first format offered decides, even when reading it yields nothing.
  try {
    if (clipboard.IsFormatAvailable(cfHDrop)) {
      const std::vector<std::u16string> files = ReadClipboardFiles(clipboard);
      if (files.empty() || FHistory->IsImmediateDuplicateFiles(files))
        return;
      FHistory->AddFiles(files);
      UpdateHistoryControls();
      AddLogLine(Format(u"External clipboard captured: %d file(s): %s",
                        {static_cast<int>(files.size()), MakePreviewText(files.front(), 80)}));
      ShowNotification(u"Copied files");
    } else if (clipboard.IsFormatAvailable(cfUnicodeText)) {
      std::u16string text = ReadClipboardText(clipboard);
      if (IsBlank(text) || FHistory->IsImmediateDuplicateText(text))
        return;
      const std::u16string preview = MakePreviewText(text, 80);
      FHistory->AddText(std::move(text));
      UpdateHistoryControls();
      AddLogLine(u"External clipboard captured: text " + preview);
      ShowNotification(u"Copied text");
    } else if (clipboard.IsFormatAvailable(cfBitmap) || clipboard.IsFormatAvailable(cfDib) ||
               clipboard.IsFormatAvailable(cfDibV5)) {
      TBitmap32 image = ReadClipboardImage(clipboard);
      if (image.Empty() || FHistory->IsImmediateDuplicateBitmap(&image))
        return;
      const int width = image.Width();
      const int height = image.Height();
      FHistory->AddBitmap(std::move(image));
      UpdateHistoryControls();
      AddLogLine(Format(u"External clipboard captured: image %dx%d", {width, height}));
      ShowNotification(u"Copied image");
    }
  } catch (const EError& e) {
    AddLogLine(u"External clipboard read error: " + e.ClassName() + u": " + e.Message());
  }
}

void TMainForm::PublishTextToClipboard(const std::u16string& AText) {
  const TFlagScope mark(FInternalClipboardUpdate);
  WriteClipboardText(FServices.Clipboard, AText);
  ++FPendingInternalClipboardUpdates;
  AddLogLine(u"System clipboard updated: text " + MakePreviewText(AText, 80));
}

void TMainForm::PublishBitmapToClipboard(const TBitmap32* ABitmap) {
  if (!ABitmap || ABitmap->Empty())
    return;
  const TFlagScope mark(FInternalClipboardUpdate);
  WriteClipboardBitmap(FServices.Clipboard, *ABitmap);
  ++FPendingInternalClipboardUpdates;
  AddLogLine(Format(u"System clipboard updated: image %dx%d", {ABitmap->Width(), ABitmap->Height()}));
}

bool TMainForm::PublishFilesToClipboard(const std::vector<std::u16string>& AFiles) {
  if (AFiles.empty())
    return false;
  const TFlagScope mark(FInternalClipboardUpdate);
  const int count = static_cast<int>(AFiles.size());
  // A refused block leaves the clipboard empty; that change is not ours to absorb.
  if (!WriteClipboardFiles(FServices.Clipboard, AFiles)) {
    AddLogLine(Format(u"System clipboard update failed: %d file(s)", {count}));
    return false;
  }
  ++FPendingInternalClipboardUpdates;
  AddLogLine(Format(u"System clipboard updated: %d file(s)", {count}));
  return true;
}

void TMainForm::ClearClipboardAsOwnWrite() {
  const TFlagScope mark(FInternalClipboardUpdate);
  ClearClipboard(FServices.Clipboard);
  ++FPendingInternalClipboardUpdates;
}

void TMainForm::PublishCurrentHistoryItem() {
  const TClipHistoryItem* item = FHistory ? FHistory->Current() : nullptr;
  if (!item)
    return;
  switch (item->Kind) {
  case cikText:
    PublishTextToClipboard(item->Text);
    AddLogLine(u"History selection copied to clipboard: " + MakePreviewText(item->Text, 80));
    break;
  case cikImage:
    PublishBitmapToClipboard(item->Bitmap.get());
    AddLogLine(u"History selection copied to clipboard: " + item->Preview);
    break;
  case cikFiles:
    if (PublishFilesToClipboard(item->Files))
      AddLogLine(Format(u"History selection copied to clipboard: %d file(s)", {static_cast<int>(item->Files.size())}));
    break;
  }
}

// Text merge ---------------------------------------------------------------------------------

void TMainForm::MergeTextEntries() {
  const TClipHistoryItem* current = FHistory ? FHistory->Current() : nullptr;
  if (!current || current->Kind != cikText)
    return;
  std::u16string result;
  for (int i = 0; i <= FHistory->Index(); ++i) {
    const TClipHistoryItem& item = FHistory->Items(i);
    if (item.Kind != cikText)
      continue;
    if (!result.empty())
      result += u"\r\n";
    result += item.Text;
  }
  if (IsBlank(result))
    return;
  PublishTextToClipboard(result);
  if (!FHistory->IsImmediateDuplicateText(result))
    FHistory->AddText(result);
  UpdateHistoryControls();
  AddLogLine(u"Text merge: " + MakePreviewText(result, 80));
  ShowNotification(u"Merged text");
}

// Saving the clipboard -----------------------------------------------------------------------

void TMainForm::btnSaveClick(TControl&) {
  SaveClipboard(false);
}

void TMainForm::SaveClipboard(bool AToDesktop) {
  IClipboard& clipboard = FServices.Clipboard;
  IShell& shell = FServices.Shell;
  try {
    const std::u16string folder = GetDesktopFolder(shell);
    const std::u16string baseName = MakeClipboardFileBaseName(FServices.Clock);
    const auto ask = [&](const char16_t* ATitle, const char16_t* AFilter, const char16_t* ADefaultExt) {
      return FServices.Dialogs.SaveDialog({ATitle, AFilter, 1, ADefaultExt, folder, baseName});
    };
    std::u16string text;
    TBitmap32 image;
    if (TryGetClipboardText(clipboard, text)) {
      std::u16string html;
      const bool hasHtml = TryGetClipboardHtml(clipboard, html);
      std::u16string path;
      bool writeHtml = hasHtml;
      if (AToDesktop) {
        path = JoinPath(folder, baseName + (hasHtml ? u".htm" : u".txt"));
      } else if (!hasHtml) {
        const auto answer = ask(u"Save clipboard", u"Text files (*.txt)|*.txt", u"txt");
        if (!answer)
          return;
        path = EnsureSaveExtension(answer->FileName, false);
      } else {
        const auto answer = ask(u"Save clipboard", u"Text files (*.txt)|*.txt|HTML files (*.htm)|*.htm;*.html", u"");
        if (!answer)
          return;
        writeHtml = IsHtmlSaveChoice(answer->FileName, answer->FilterIndex);
        path = EnsureSaveExtension(answer->FileName, writeHtml);
      }
      shell.WriteFile(path, Utf8WithBom(writeHtml ? html : text));
      AddLogLine(u"Clipboard saved: " + path);
      ShowNotification(u"Clipboard saved");
    } else if (TryGetClipboardBitmap(clipboard, image)) {
      std::u16string path;
      if (AToDesktop) {
        path = JoinPath(folder, baseName + u".jpg");
      } else {
        const auto answer = ask(u"Save clipboard image", u"JPEG files (*.jpg)|*.jpg;*.jpeg", u"jpg");
        if (!answer)
          return;
        path = answer->FileName;
        if (ExtractFileExt(path).empty())
          path += u".jpg";
      }
      SaveBitmapAsJpeg(shell, image, path);
      AddLogLine(u"Clipboard image saved: " + path);
      ShowNotification(u"Clipboard saved");
    } else {
      AddLogLine(u"Clipboard save skipped: unsupported or empty clipboard format");
      ShowNotification(u"Nothing to save");
    }
  } catch (const EError& e) {
    AddLogLine(u"Clipboard save error: " + e.ClassName() + u": " + e.Message());
    ShowNotification(u"Save failed");
  }
}

// Settings card ------------------------------------------------------------------------------

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

// Hotkey configuration -----------------------------------------------------------------------

char16_t HotkeyEditLetter(const TLetterEdit* AEdit) {
  if (!AEdit)
    return 0;
  const std::u16string text = Trim(AEdit->Text());
  return text.empty() ? char16_t{0} : UpCaseAscii(text[0]);
}

bool IsReservedHotkeyLetter(char16_t AChar) noexcept {
  const char16_t c = UpCaseAscii(AChar);
  return c == u'I' || c == u'Y' || c == u'Z';
}

TMainForm::THotkeyField TMainForm::HotkeyField(const TControl& ASender) {
  const THotkeyField fields[] = {
      {&edtHotkeyControl, &FPrevHotkeyControl, hkCopyUnderCursor},
      {&edtHotkeyOCR, &FPrevHotkeyOCR, hkOcr},
      {&edtHotkeyScreenBox, &FPrevHotkeyScreenBox, hkScreenBox},
      {&edtHotkeyScreentFull, &FPrevHotkeyScreenFull, hkScreenFull},
      {&edtHotkeySave, &FPrevHotkeySave, hkSave},
  };
  for (const auto& field : fields)
    if (field.Edit == &ASender)
      return field;
  return {};
}

void TMainForm::HotkeyEditEnter(TControl& ASender) {
  if (const auto [edit, previous, id] = HotkeyField(ASender); edit)
    *previous = HotkeyEditLetter(edit);
}

void TMainForm::HotkeyEditExit(TControl& ASender) {
  if (FLoadingSettings)
    return;
  const auto [edit, previous, id] = HotkeyField(ASender);
  if (!edit)
    return;
  const auto restore = [&] { edit->SetText(*previous ? std::u16string(1, *previous) : std::u16string()); };
  const char16_t letter = HotkeyEditLetter(edit);
  if (letter == 0) {
    restore();
    return;
  }
  if (IsReservedHotkeyLetter(letter)) {
    FServices.Dialogs.WarningBox(ReservedHotkeyText);
    restore();
    return;
  }
  for (const TLetterEdit* other :
       {&edtHotkeyControl, &edtHotkeyOCR, &edtHotkeyScreenBox, &edtHotkeyScreentFull, &edtHotkeySave}) {
    if (other != edit && HotkeyEditLetter(other) == letter) {
      FServices.Dialogs.WarningBox(HotkeyInUseText);
      restore();
      return;
    }
  }
  edit->SetText(std::u16string(1, letter));
  SaveSettings();
  if (!TryReregisterHotkeys()) {
    if (FHotkeyRefusal.Id == id && *previous) {
      // Another program owns the new combination: rather than lose all nine hotkeys,
      // the field gets its letter back and the set is registered with it again.
      AddLogLine(u"Hotkey " + HotkeyText(letter) + u" is taken by another program; " + HotkeyText(*previous) +
                 u" is kept");
      FServices.Dialogs.WarningBox(HotkeyInUseText);
      restore();
      SaveSettings();
      ReregisterHotkeys();
    } else {
      ReportHotkeysUnavailable();
    }
  }
  UpdateInfoMemo();
}

// Windows autostart -------------------------------------------------------------------------

void TMainForm::UpdateAutostartSwitch() {
  chkAutostart.SetThumbColor(chkAutostart.IsOn() ? 0x00FF00 : 0x808080);
}

void TMainForm::chkAutostartClick(TControl&) {
  if (FLoadingSettings)
    return;
  try {
    SetAutostart(FServices.Registry, FServices.Shell, chkAutostart.IsOn());
    AddLogLine(chkAutostart.IsOn() ? u"Windows autostart enabled" : u"Windows autostart disabled");
    UpdateAutostartSwitch();
  } catch (const EError& e) {
    // The switch shows the real state again; turning it back runs this handler once more.
    chkAutostart.SetOn(IsAutostartEnabled(FServices.Registry, FServices.Shell));
    UpdateAutostartSwitch();
    AddLogLine(u"Windows autostart error: " + e.Message());
    ShowNotification(u"Autostart unavailable");
  }
}

} // namespace tarvel
