#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/ActivityLog.h"
#include "app/ClipboardExchange.h"
#include "app/Dialogs.h"
#include "app/HistoryBrowser.h"
#include "app/HotkeyConfig.h"
#include "app/MainWindow.h"
#include "capture/Screen.h"
#include "capture/UiAutomation.h"
#include "core/DateTime.h"
#include "core/Dispatcher.h"
#include "core/Shell.h"
#include "history/uHistory.h"
#include "hotkeys/uHotkeys.h"
#include "ocr/OcrCommand.h"
#include "ocr/OcrRuntime.h"
#include "ocr/uOcrSelector.h"
#include "settings/Registry.h"
#include "settings/uAppSettings.h"
#include "ui/Controls.h"
#include "ui/Tray.h"
#include "update/UpdateCheck.h"

namespace tarvel {

// What the main window controller is given by the composition root (or by a test).
struct TMainFormServices {
  IMainWindow& Window;
  IDialogs& Dialogs;
  IClock& Clock;
  IRegistry& Registry;
  IShell& Shell;
  IClipboard& Clipboard;
  IHotkeys& Hotkeys;
  // How the workers (the update check, text recognition) hand their results to this
  // window's thread.
  IDispatcher& Dispatcher;
  // The screen the capture commands copy from, and the overlay a rectangle is chosen on.
  IScreen& Screen;
  ISelectionOverlay& SelectionOverlay;
  // The accessibility layer, asked for the text and the control under the cursor.
  IUiaSystem& UiAutomation;
  // The Windows Runtime, for text recognition.
  IWinRTRuntime& Runtime;
};

// Image indices of the program's icon list.
enum TIconIndex {
  iiClipboard = 0,
  iiSettings = 1,
  iiInfo = 2,
  iiQuit = 3,
  iiHistory = 4,
  iiClipboardSize = 5,
  iiAutostart = 6,
  iiOcrLanguage = 7,
  iiCheckUpdates = 8,
  iiHotkeys = 10,
  iiDelete = 11,
  iiNotifications = 12,
  iiTutorialButton = 13,
  iiSave = 14,
  iiPin = 15,
  iiClearHistory = 16,
  iiOcrTextLayout = 17,
};

inline constexpr char16_t ConfirmQuitText[] = u"Are you sure you want to quit Tarvel?\r\n\r\nThis will close "
                                              u"the app completely.\r\nYou can press the X "
                                              u"button in the top-right corner instead to hide it to the "
                                              u"tray and keep the app hotkeys available at any time.";

// The one long-lived object of the program: owns the history, the settings and the tray
// icon, builds the objects that keep the state of one concern each (the log, the clipboard
// exchange, the clipboard card, the hotkeys, OCR), connects them to its controls, and
// receives the clipboard and hotkey messages. Its controls are public so that the window's
// peers can bind to them and tests can drive them the way a user would.
class TMainForm {
public:
  explicit TMainForm(TMainFormServices AServices);
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // Window-level handlers.
  void FormCreate();
  void FormDestroy();
  void FormCloseQuery(bool& ACanClose);
  void FormShow();
  // A close request (the window's close button, Alt+F4, WM_CLOSE).
  void Close();

  void btnQuitClick(TControl& ASender);
  // The info card's "Check updates": a check by hand, on a worker.
  void chkUpdateClick(TControl& ASender);
  // Makes the HTTP client of each update check (one per check, on its worker). Set by the
  // composition root before FormCreate; while it is empty no check starts.
  std::function<std::unique_ptr<IUpdateHttpClient>()> UpdateHttpFactory;
  void btnSaveClick(TControl& ASender);
  // A click on the info card's own surface.
  void crdInfoClick(TControl& ASender);
  // Shows the tutorial modally over the window, then takes over the choice it stored.
  void ShowTutorial();
  // Shows the tutorial window and returns when it is closed (set by the window).
  std::function<void()> OnShowTutorialWindow;

  // The activity log and balloon notifications, used by every command.
  void AddLogLine(const std::u16string& AText);
  // One "[OCR] " line per non-blank line of AText.
  void AddOcrLogLine(std::u16string_view AText);
  // Shows a balloon when notifications are on and none started in the last 2000 ms;
  // otherwise the request is dropped, not delayed.
  void ShowNotification(const std::u16string& AText);
  const std::vector<std::u16string>& LogLines() const noexcept;

  // Every clipboard write of the program, marked as its own so that the notification it
  // causes is not captured again (TClipboardExchange).
  void PublishTextToClipboard(const std::u16string& AText);
  void PublishBitmapToClipboard(std::shared_ptr<const TBitmap32> ABitmap);
  bool PublishFilesToClipboard(const std::vector<std::u16string>& AFiles);
  void PublishCurrentHistoryItem();
  // Joins the text entries up to the selected one and publishes the result as a new entry.
  void MergeTextEntries();
  // Writes the clipboard's text, HTML or image to a file: straight to the desktop, or
  // where the save dialog says.
  void SaveClipboard(bool AToDesktop);
  // After a hotkey letter changed: the whole set again.
  void ReregisterHotkeys();
  bool HotkeysRegistered() const noexcept { return FHotkeyConfig.Registered(); }

  // Own writes whose notification has not arrived yet.
  std::int32_t PendingInternalClipboardUpdates() const noexcept { return FExchange.PendingInternalClipboardUpdates(); }

  // The capture commands: each turns what is on the screen into a new history entry that
  // is also on the clipboard.
  // The text of the control under the cursor, else an image of it.
  void CopyContentUnderCursor();
  // An image of the control under the cursor, even when it has text.
  void CopyControlImageUnderCursor();
  // The text in a rectangle the user drags, recognized on a worker.
  void CaptureOcrUnderMouse();
  // A rectangle the user drags on a frozen copy of the screen.
  void CaptureScreenBox();
  // The OCR language list of the settings card, filled at start; the tag chosen there.
  void LoadOcrLanguages(const std::u16string& ASelectedTag);
  // Fills cmbOcrTextLayout and selects ALayout.
  void ShowOcrTextLayouts(TOcrTextLayout ALayout);
  std::u16string GetSelectedOcrLanguageTag() const;
  const TOcrCommand& OcrCommand() const noexcept { return FOcr; }
  // All monitors.
  void CaptureFullScreen();

  // Message handlers.
  void WMClipboardUpdate();
  void WMHotKey(int AHotkeyId);
  // Ctrl+F: the clipboard card, for its search field (which the window then focuses).
  void FindInHistory();
  // Escape on the clipboard card: ends a search. False when none was on.
  bool CancelFind();

  std::u16string Caption;

  // Title strip.
  TButton btnCard1{u"btnCard1", u"clipboard", iiClipboard};
  TButton btnCard2{u"btnCard2", u"settings", iiSettings};
  TButton btnCard3{u"btnCard3", u"info", iiInfo};
  TButton btnQuit{u"btnQuit", u"quit", iiQuit};
  TCardPanel CardPanel1{u"CardPanel1", {u"crdMain", u"crdSettings", u"crdInfo"}};

  // Clipboard card.
  TButton SpeedButton1{u"SpeedButton1", u"History", iiHistory};
  TSpinEdit spnClipboardPage{u"spnClipboardPage"};
  TTrackBar trkSlider{u"trkSlider"};
  TImage Image1{u"Image1"};
  TMemo Memo1{u"Memo1"};
  TButton btnDeleteEntry{u"btnDeleteEntry", u"Delete", iiDelete};
  TButton btnSave{u"btnSave", u"Save", iiSave};
  TLabel Label1{u"Label1", u"0 / 0"};
  TEdit edtFind{u"edtFind", FindTextHint};
  TButton btnPinEntry{u"btnPinEntry", PinCaption, iiPin};
  TButton btnClearHistory{u"btnClearHistory", u"Clear history", iiClearHistory};
  // The context menu of Memo1 and Image1.
  TPopupMenu pmPreview;

  // Settings card.
  TButton SpeedButton3{u"SpeedButton3", u"Start with Windows", iiAutostart};
  TToggleSwitch chkAutostart{u"chkAutostart"};
  TButton SpeedButton5{u"SpeedButton5", u"Show notifications", iiNotifications};
  TToggleSwitch swtNotifications{u"swtNotifications"};
  TButton SpeedButton2{u"SpeedButton2", u"Clipboard size:", iiClipboardSize};
  TSpinEdit spnMaxClipentries{u"spnMaxClipentries"};
  TButton SpeedButton4{u"SpeedButton4", u"Language for OCR:  ", iiOcrLanguage};
  TComboBox cmbLanguageOCR{u"cmbLanguageOCR"};
  TButton SpeedButton13{u"SpeedButton13", u"OCR text layout", iiOcrTextLayout};
  TComboBox cmbOcrTextLayout{u"cmbOcrTextLayout"};
  TButton SpeedButton6{u"SpeedButton6", u"Hotkeys CTRL+SHIFT+ ", iiHotkeys};
  TButton SpeedButton7{u"SpeedButton7", u"grab text control"};
  TLetterEdit edtHotkeyControl{u"edtHotkeyControl", u"C"};
  TButton SpeedButton8{u"SpeedButton8", u"grab text w/ ocr"};
  TLetterEdit edtHotkeyOCR{u"edtHotkeyOCR", u"X"};
  TButton SpeedButton10{u"SpeedButton10", u"screenshot (rectangle)"};
  TLetterEdit edtHotkeyScreenBox{u"edtHotkeyScreenBox", u"R"};
  TButton SpeedButton11{u"SpeedButton11", u"full screenshot"};
  TLetterEdit edtHotkeyScreentFull{u"edtHotkeyScreentFull", u"F"};
  TButton SpeedButton12{u"SpeedButton12", u"save clipboard"};
  TLetterEdit edtHotkeySave{u"edtHotkeySave", u"S"};

  // Info card.
  TLabel lblAppInfo{u"lblAppInfo", u"Tarvel"};
  TToggleSwitch swtShowLog{u"swtShowLog", u"show log", u"show info"};
  TButton btnShowTutorial{u"btnShowTutorial", u"Show tutorial", iiTutorialButton};
  TButton chkUpdate{u"chkUpdate", u"Check updates", iiCheckUpdates};
  TMemo MemoInfoLog{u"MemoInfoLog"};

  // They exist with the form, so that the window can bind them before FormCreate runs; the
  // icon is set up and shown by FormCreate and hidden again by FormDestroy.
  TTrayIcon* TrayIcon() const noexcept { return FTrayIcon.get(); }
  TTimer* BalloonCloseTimer() noexcept { return &FLog.BalloonCloseTimer(); }
  TTimer* SliderReleaseTimer() noexcept { return &FHistoryBrowser.SliderReleaseTimer(); }
  // Runs while a read of an outside change or a publication waits for the clipboard.
  TTimer* ClipboardRetryTimer() noexcept { return &FExchange.RetryTimer(); }
  const TClipHistory* History() const noexcept { return FHistory.get(); }

private:
  void ShowMainWindow();
  void HideMainWindow();
  void ToggleMainWindow();
  bool ConfirmQuit();
  void QuitSequence();
  void CreateTrayIcon();
  void RunHotkey(int AHotkeyId);
  // The clipboard card (THistoryBrowser).
  void UpdateHistoryControls();
  void spnClipboardPageChange(TControl& ASender);
  void trkSliderChange(TControl& ASender);
  void btnDeleteEntryClick(TControl& ASender);
  // "Clear history" on the card and in the tray menu: asks, then clears.
  void ClearHistoryClick();
  // False, with a log line saying why, when the settings could not be stored.
  bool SaveSettings();
  void RegisterHotkeysAndClipboardListener();
  void UnregisterHotkeysAndClipboardListener();
  // Where every capture command ends: clipboard, history, display, notification and log,
  // in that order, or with the display last. ALogFormat takes the image's width and height.
  enum class TRefresh { BeforeNotification, Last };
  void AddCapturedImage(TBitmap32 AImage, const std::u16string& ANotification, std::u16string_view ALogFormat,
                        TRefresh ARefresh = TRefresh::BeforeNotification);
  void UpdateInfoMemo();
  // A new line of the log, for MemoInfoLog while it shows the log.
  void LogLineAdded(const std::u16string& ALine);
  std::vector<std::u16string> MakeInfoText() const;
  void swtNotificationsClick(TControl& ASender);
  void swtShowLogClick(TControl& ASender);
  void spnMaxClipentriesChange(TControl& ASender);
  void chkAutostartClick(TControl& ASender);
  void UpdateAutostartSwitch();
  // The five hotkey fields (THotkeyConfig), in the order of THotkeyLetters.
  THotkeyEdits HotkeyEdits() noexcept {
    return {&edtHotkeyControl, &edtHotkeyOCR, &edtHotkeyScreenBox, &edtHotkeyScreentFull, &edtHotkeySave};
  }
  void HotkeyEditEnter(TControl& ASender);
  void HotkeyEditExit(TControl& ASender);
  void ShowOcrInstallWarning();
  void cmbLanguageOCRChange(TControl& ASender);
  void cmbOcrTextLayoutChange(TControl& ASender);

  void btnCard1Click(TControl& ASender);
  void btnCard2Click(TControl& ASender);
  void btnCard3Click(TControl& ASender);
  // Starts one update check on a worker; its log lines, boxes and the request to open the
  // site come back to this thread.
  void StartUpdateCheck(bool AManual);

  TMainFormServices FServices;
  // The program's version, read once at start.
  std::u16string FAppVersion;

  std::unique_ptr<TClipHistory> FHistory;
  TTarvelSettings FSettings;
  std::unique_ptr<TTrayIcon> FTrayIcon;
  bool FAllowClose = false;
  bool FLoadingSettings = false;
  // The tutorial is on screen (the tray menu still answers meanwhile).
  bool FShowingTutorial = false;
  // MemoInfoLog holds the log's lines (UpdateInfoMemo put them there with "show log" on), so
  // that a new line can be appended to it.
  bool FInfoMemoShowsLog = false;
  // The selection overlay is open: a second request for it does nothing.
  bool FScreenSelectionOpen = false;
  bool FOcrInstallWarningShown = false;
  // The form's side of the host interfaces of the objects below (uMain.cpp).
  class THost;
  std::unique_ptr<THost> FHost;
  TActivityLog FLog;
  TClipboardExchange FExchange;
  THistoryBrowser FHistoryBrowser;
  THotkeyConfig FHotkeyConfig;
  TOcrCommand FOcr;
};

} // namespace tarvel
