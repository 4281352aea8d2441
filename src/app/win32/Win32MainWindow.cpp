#include "app/win32/Win32MainWindow.h"

#include <windowsx.h>

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "app/win32/ControlIds.h"
#include "app/win32/Icons.h"
#include "app/win32/MainWindowMetrics.h"
#include "app/win32/TutorialWindow.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "core/win32/Check.h"
#include "core/win32/ErrorBoundary.h"
#include "core/win32/Messages.h"
#include "core/win32/Windowing.h"
#include "ui/win32/LogView.h"
#include "ui/win32/Theme.h"
#include "update/win32/WinHttpUpdateClient.h"

namespace tarvel {

using namespace metrics;

TWin32MainWindow::TWin32MainWindow(HINSTANCE AInstance, TWin32Services& AServices)
    : FInstance(AInstance), FServices(AServices) {}

TWin32MainWindow::~TWin32MainWindow() {
  // Destroying the window runs the form's shutdown (tray icon removed) unless a quit
  // already did.
  if (FHandle && IsWindow(FHandle))
    DestroyWindow(FHandle);
  FTray.reset();
  FPeers.Clear();
}

void TWin32MainWindow::Create() {
  RegisterWindowClassOnce(FInstance, MainWindowClass,
                          ObjectWindowProc<TWin32MainWindow, &TWin32MainWindow::WindowMessage>);
  RegisterWindowClassOnce(FInstance, CardWindowClass,
                          ObjectWindowProc<TWin32MainWindow, &TWin32MainWindow::CardMessage>);

  FHandle = CheckWin32(CreateWindowExW(WS_EX_CONTROLPARENT, MainWindowClass, L"Tarvel",
                                       WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, ClientWidth,
                                       ClientHeight, FServices.ApplicationWindow, nullptr, FInstance, this),
                       "CreateWindowExW");
  FDpi = GetDpiForWindow(FHandle);
  if (FDpi == 0)
    FDpi = 96;

  // Client area of the design size, centred on the desktop.
  CentreWithClientSize(FHandle, Scale(ClientWidth), Scale(ClientHeight), WS_OVERLAPPEDWINDOW, 0, FDpi);

  FIcon.Reset(CreateProgramIcon(GetSystemMetricsForDpi(SM_CXSMICON, FDpi)));
  SendMessageW(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(FIcon.Get()));
  SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcon.Get()));
  CreateImages();

  FForm = std::make_unique<TMainForm>(
      TMainFormServices{*this, FServices.Dialogs, FServices.Clock, FServices.Registry, FServices.Shell,
                        FServices.Clipboard, FServices.Hotkeys, *FServices.Dispatcher, FServices.Screen,
                        FServices.SelectionOverlay, FServices.UiAutomation, FServices.Runtime});
  FForm->OnShowTutorialWindow = [this] { RunTutorialWindow(FInstance, FHandle, FServices.Registry); };
  CreateFonts();
  CreateControls();
  AttachTrayIcon();
  FForm->UpdateHttpFactory = [] { return std::make_unique<TWinHttpUpdateClient>(); };
  FForm->FormCreate();
  SetWindowTextW(FHandle, ToWide(FForm->Caption).c_str());
  Layout();
}

// The tray icon's peer and the timers' window timers, bound before the form starts up, so
// that the icon is on screen before the first balloon is asked for.
void TWin32MainWindow::AttachTrayIcon() {
  if (TTrayIcon* tray = FForm->TrayIcon())
    FTray = std::make_unique<TTrayIconPeer>(*tray, FHandle, FIcon.Get(), GetSystemMetricsForDpi(SM_CXSMICON, FDpi));
  const std::pair<TTimer*, UINT_PTR> timers[] = {{FForm->BalloonCloseTimer(), tiBalloonClose},
                                                 {FForm->SliderReleaseTimer(), tiSliderRelease},
                                                 {FForm->ClipboardRetryTimer(), tiClipboardRetry}};
  for (const auto& [timer, id] : timers) {
    if (!timer)
      continue;
    timer->OnModelChanged = [this, timer, id] {
      if (timer->Enabled())
        SetTimer(FHandle, id, timer->Interval(), nullptr);
      else
        KillTimer(FHandle, id);
    };
  }
}

void TWin32MainWindow::CreateFonts() {
  auto font = [this](int APixels, int AWeight) {
    return TUniqueGdiObject(CreateFontW(-Scale(APixels), 0, 0, 0, AWeight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                        CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI"));
  };
  FFont = font(15, FW_NORMAL);
  FMemoFont = font(16, FW_NORMAL);
  FTitleFont = font(21, FW_BOLD);
  FWindowBrush.Reset(CreateSolidBrush(theme::Window));
  FFieldBrush.Reset(CreateSolidBrush(theme::Field));
  FStripBrush.Reset(CreateSolidBrush(theme::Strip));
}

// Drawn at the size the buttons show them at the window's DPI, so nothing is clipped or
// blurred; made again, and handed to the controls, when the DPI changes.
void TWin32MainWindow::CreateImages() {
  TUniqueImageList images = CreateIconList(Scale(IconSize));
  TUniqueIcon logo(CreateProgramIcon(Scale(64)));
  FPeers.SetImages(images.Get());
  if (FChildren.Image2)
    SendMessageW(FChildren.Image2, STM_SETICON, reinterpret_cast<WPARAM>(logo.Get()), 0);
  FImages = std::move(images);
  FLogo = std::move(logo);
}

HWND TWin32MainWindow::AddChild(HWND AParent, int AId, const wchar_t* AClass, const wchar_t* AText, DWORD AStyle,
                                DWORD AExStyle, void* AObject) {
  HWND child = CheckWin32(CreateWindowExW(AExStyle, AClass, AText, WS_CHILD | AStyle, 0, 0, 10, 10, AParent,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(AId)), FInstance, AObject),
                          "CreateWindowExW");
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), FALSE);
  return child;
}

void TWin32MainWindow::CreateCards() {
  auto& c = FChildren;
  auto card = [this](int AId) {
    // WS_EX_CONTROLPARENT: the dialog manager's Tab walks into the card's controls, and
    // skips them all while the card is hidden.
    return AddChild(FHandle, AId, CardWindowClass, L"", WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, this);
  };
  c.crdMain = card(idCrdMain);
  c.crdSettings = card(idCrdSettings);
  c.crdInfo = card(idCrdInfo);
}

void TWin32MainWindow::CreateControls() {
  TMainForm& f = *FForm;
  auto& c = FChildren;
  auto makeButton = [&](HWND AParent, int AId, TButton& AModel, bool ACaptionOnly = false) {
    HWND h = AddChild(AParent, AId, WC_BUTTONW, ToWide(AModel.Caption()).c_str(),
                      (ACaptionOnly ? 0 : WS_TABSTOP) | BS_OWNERDRAW | WS_VISIBLE);
    FPeers.Bind<TButtonPeer>(AModel, h, FImages.Get(), ACaptionOnly);
    return h;
  };
  auto makeSwitch = [&](HWND AParent, int AId, TToggleSwitch& AModel) {
    HWND h = AddChild(AParent, AId, WC_BUTTONW, L"", WS_TABSTOP | BS_OWNERDRAW | WS_VISIBLE);
    FPeers.Bind<TToggleSwitchPeer>(AModel, h);
    return h;
  };
  // The up-down arrows take the id after the edit's.
  auto makeSpin = [&](HWND AParent, int AId, TSpinEdit& AModel, HWND& AUpDown) {
    HWND edit = AddChild(AParent, AId, WC_EDITW, L"0", WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL | WS_VISIBLE);
    AUpDown =
        AddChild(AParent, AId + 1, UPDOWN_CLASSW, L"", UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | WS_VISIBLE);
    SendMessageW(AUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    FPeers.Bind<TSpinEditPeer>(AModel, edit, AUpDown);
    return edit;
  };
  auto makeLetter = [&](HWND AParent, int AId, TLetterEdit& AModel) {
    HWND h = AddChild(AParent, AId, WC_EDITW, L"", WS_TABSTOP | ES_CENTER | ES_UPPERCASE | WS_VISIBLE);
    FPeers.Bind<TLetterEditPeer>(AModel, h);
    return h;
  };
  auto makeMemo = [&](HWND AParent, int AId, TMemo& AModel) {
    HWND h = AddChild(AParent, AId, WC_EDITW, L"",
                      ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE);
    FPeers.Bind<TMemoPeer>(AModel, h);
    return h;
  };

  // Title strip: directly on the window, above the cards. Creation order is Tab order.
  c.btnCard1 = makeButton(FHandle, idBtnCard1, f.btnCard1);
  c.btnCard2 = makeButton(FHandle, idBtnCard2, f.btnCard2);
  c.btnCard3 = makeButton(FHandle, idBtnCard3, f.btnCard3);
  c.btnQuit = makeButton(FHandle, idBtnQuit, f.btnQuit);
  CreateCards();

  // Clipboard card.
  const HWND main = c.crdMain;
  c.SpeedButton1 = makeButton(main, idSpeedButton1, f.SpeedButton1, true);
  c.spnClipboardPage = makeSpin(main, idSpnClipboardPage, f.spnClipboardPage, c.spnClipboardPageUpDown);
  c.trkSlider = AddChild(main, idTrkSlider, TRACKBAR_CLASSW, L"", WS_TABSTOP | TBS_BOTH | TBS_NOTICKS | WS_VISIBLE);
  FPeers.Bind<TTrackBarPeer>(f.trkSlider, c.trkSlider);
  c.edtFind = AddChild(main, idEdtFind, WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL | WS_VISIBLE);
  FPeers.Bind<TEditPeer>(f.edtFind, c.edtFind);
  c.btnClearHistory = makeButton(main, idBtnClearHistory, f.btnClearHistory);
  c.Image1 = FPeers.Bind<TImagePeer>(f.Image1, FInstance, main, idImage1).Handle();
  c.Memo1 = makeMemo(main, idMemo1, f.Memo1);
  SendMessageW(c.Memo1, WM_SETFONT, reinterpret_cast<WPARAM>(FMemoFont.Get()), FALSE);
  c.btnDeleteEntry = makeButton(main, idBtnDeleteEntry, f.btnDeleteEntry);
  c.btnPinEntry = makeButton(main, idBtnPinEntry, f.btnPinEntry);
  c.btnSave = makeButton(main, idBtnSave, f.btnSave);
  c.Label1 = AddChild(main, idLabel1, WC_STATICW, L"0 / 0", SS_OWNERDRAW | WS_VISIBLE);
  FPeers.Bind<TLabelPeer>(f.Label1, c.Label1);

  // Settings card, a row per setting, top to bottom.
  const HWND settings = c.crdSettings;
  using TKind = TSettingInput;
  // The captions are numbered from idSettingsCaption0 in the order the rows had first; a row
  // added later has an id of its own, so that no other control's id changes.
  int numbered = 0;
  const auto row = [&](TButton& ACaption, TKind AKind, HWND AInput, HWND AUpDown = nullptr, int AId = 0) {
    const int id = AId ? AId : idSettingsCaption0 + numbered++;
    FSettingsRows.push_back({&ACaption, makeButton(settings, id, ACaption, true), AKind, AInput, AUpDown});
  };
  const auto makeList = [&](int AId, TComboBox& AModel) {
    const HWND list =
        AddChild(settings, AId, WC_COMBOBOXW, L"", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL | WS_VISIBLE);
    FPeers.Bind<TComboBoxPeer>(AModel, list);
    return list;
  };
  row(f.SpeedButton3, TKind::Switch, makeSwitch(settings, idChkAutostart, f.chkAutostart));
  row(f.SpeedButton5, TKind::Switch, makeSwitch(settings, idSwtNotifications, f.swtNotifications));
  HWND upDown = nullptr;
  const HWND size = makeSpin(settings, idSpnMaxClipentries, f.spnMaxClipentries, upDown);
  row(f.SpeedButton2, TKind::Number, size, upDown);
  c.cmbLanguageOCR = makeList(idCmbLanguageOCR, f.cmbLanguageOCR);
  row(f.SpeedButton4, TKind::List, c.cmbLanguageOCR);
  c.cmbOcrTextLayout = makeList(idCmbOcrTextLayout, f.cmbOcrTextLayout);
  row(f.SpeedButton13, TKind::List, c.cmbOcrTextLayout, nullptr, idOcrTextLayoutCaption);
  row(f.SpeedButton6, TKind::Heading, nullptr);
  row(f.SpeedButton7, TKind::Letter, makeLetter(settings, idEdtHotkeyControl, f.edtHotkeyControl));
  row(f.SpeedButton8, TKind::Letter, makeLetter(settings, idEdtHotkeyOCR, f.edtHotkeyOCR));
  row(f.SpeedButton10, TKind::Letter, makeLetter(settings, idEdtHotkeyScreenBox, f.edtHotkeyScreenBox));
  row(f.SpeedButton11, TKind::Letter, makeLetter(settings, idEdtHotkeyScreentFull, f.edtHotkeyScreentFull));
  row(f.SpeedButton12, TKind::Letter, makeLetter(settings, idEdtHotkeySave, f.edtHotkeySave));

  // Info card.
  const HWND info = c.crdInfo;
  c.Image2 = AddChild(info, idImage2, WC_STATICW, L"", SS_ICON | SS_CENTERIMAGE | WS_VISIBLE);
  SendMessageW(c.Image2, STM_SETICON, reinterpret_cast<WPARAM>(FLogo.Get()), 0);
  c.lblAppInfo =
      AddChild(info, idLblAppInfo, WC_STATICW, L"", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX | WS_VISIBLE);
  SendMessageW(c.lblAppInfo, WM_SETFONT, reinterpret_cast<WPARAM>(FTitleFont.Get()), FALSE);
  FPeers.Bind<TLabelPeer>(f.lblAppInfo, c.lblAppInfo);
  c.swtShowLog = makeSwitch(info, idSwtShowLog, f.swtShowLog);
  c.btnShowTutorial = makeButton(info, idBtnShowTutorial, f.btnShowTutorial);
  c.chkUpdate = makeButton(info, idChkUpdate, f.chkUpdate);
  // The log takes a line per event and holds hundreds: a view that lays out and draws only
  // what changes.
  TLogView::Register(FInstance);
  c.MemoInfoLog = AddChild(info, idMemoInfoLog, TLogView::ClassName, L"", WS_VSCROLL | WS_TABSTOP | WS_VISIBLE);
  FPeers.Bind<TLogViewPeer>(f.MemoInfoLog, c.MemoInfoLog);

  f.CardPanel1.OnModelChanged = [this] { MirrorCards(); };
}

// Only the active card is shown; each control keeps its own visibility inside its card.
void TWin32MainWindow::MirrorCards() {
  const int active = FForm->CardPanel1.ActiveCardIndex();
  const HWND cards[3] = {FChildren.crdMain, FChildren.crdSettings, FChildren.crdInfo};
  // Show the new card before hiding the old one, so that nothing behind them flashes.
  ShowWindow(cards[active], SW_SHOWNA);
  for (int i = 0; i < 3; ++i)
    if (i != active) {
      // A focused control on a card going away would leave the keyboard nowhere.
      const HWND focus = GetFocus();
      if (focus && IsChild(cards[i], focus))
        SetFocus(active == 0 ? FChildren.btnCard1 : (active == 1 ? FChildren.btnCard2 : FChildren.btnCard3));
      ShowWindow(cards[i], SW_HIDE);
    }
}

bool TWin32MainWindow::TranslateShortcut(const MSG& AMessage) {
  if (!FHandle || AMessage.message != WM_KEYDOWN || AMessage.wParam != 'F' || GetKeyState(VK_CONTROL) >= 0 ||
      GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_MENU) < 0)
    return false;
  if (AMessage.hwnd != FHandle && !IsChild(FHandle, AMessage.hwnd))
    return false;
  FForm->FindInHistory();
  SetFocus(FChildren.edtFind);
  SendMessageW(FChildren.edtFind, EM_SETSEL, 0, -1);
  return true;
}

bool TWin32MainWindow::IsLeftButtonDown() const {
  return GetKeyState(VK_LBUTTON) < 0;
}

void TWin32MainWindow::Show() {
  const bool wasHidden = !IsWindowVisible(FHandle);
  ShowWindow(FHandle, SW_SHOW);
  if (wasHidden)
    FForm->FormShow();
}

void TWin32MainWindow::Hide() {
  ShowWindow(FHandle, SW_HIDE);
}

bool TWin32MainWindow::IsVisible() const {
  return IsWindowVisible(FHandle) != FALSE;
}

void TWin32MainWindow::RestoreAndBringToFront() {
  if (IsIconic(FHandle))
    ShowWindow(FHandle, SW_RESTORE);
  SetForegroundWindow(FHandle);
}

void TWin32MainWindow::DestroyAndTerminate() {
  DestroyWindow(FHandle);
  PostQuitMessage(0);
}

// As a dialog does: the control that had the focus gets it back when the window is
// activated again, or else the first control the keyboard can reach.
void TWin32MainWindow::RestoreFocus() {
  HWND target = FLastFocus;
  if (!target || !IsWindow(target) || !IsChild(FHandle, target) || !IsWindowVisible(target) || !IsWindowEnabled(target))
    target = GetNextDlgTabItem(FHandle, nullptr, FALSE);
  if (target)
    SetFocus(target);
}

LRESULT TWin32MainWindow::WindowMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == WM_NCCREATE) {
    FHandle = AWindow;
    FServices.MainWindow = AWindow;
  }
  // The window owns what the program puts on the clipboard: the system asks it for the
  // promised image, also while it is being destroyed.
  if (FServices.Clipboard.HandleOwnerMessage(AMessage, AWParam))
    return 0;
  if (!FForm)
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  return HandleMessage(AMessage, AWParam, ALParam);
}

// A card paints its background and the boxes of its fields; what its controls report goes
// to the main window, which knows their peers.
LRESULT TWin32MainWindow::CardMessage(HWND ACard, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (!FHandle)
    return DefWindowProcW(ACard, AMessage, AWParam, ALParam);
  switch (AMessage) {
  case WM_COMMAND:
  case WM_NOTIFY:
  case WM_HSCROLL:
  case WM_VSCROLL:
  case WM_DRAWITEM:
  case WM_CTLCOLORSTATIC:
  case WM_CTLCOLOREDIT:
  case WM_CTLCOLORLISTBOX:
  case WM_CTLCOLORBTN: return SendMessageW(FHandle, AMessage, AWParam, ALParam);
  case WM_LBUTTONDOWN:
    if (ACard == FChildren.crdInfo)
      SendMessageW(FHandle, AMessage, AWParam, ALParam);
    return 0;
  case WM_ERASEBKGND: {
    RECT r;
    GetClientRect(ACard, &r);
    FillRect(reinterpret_cast<HDC>(AWParam), &r, static_cast<HBRUSH>(FWindowBrush.Get()));
    return 1;
  }
  case WM_PAINT: {
    const TPaintScope paint(ACard);
    if (paint.DC())
      PaintFields(ACard, paint.DC());
    return 0;
  }
  default: break;
  }
  return DefWindowProcW(ACard, AMessage, AWParam, ALParam);
}

LRESULT TWin32MainWindow::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  TMainForm& f = *FForm;
  switch (AMessage) {
  case WM_CLIPBOARDUPDATE: f.WMClipboardUpdate(); return 0;
  case WM_HOTKEY: f.WMHotKey(static_cast<int>(AWParam)); return 0;
  case WM_CLOSE: f.Close(); return 0;
  case WM_DESTROY:
    if (!FDestroying) {
      FDestroying = true;
      // From here on nothing a worker hands over runs: no late result reaches a window
      // that is going away, and no waiting worker hangs.
      FServices.Dispatcher->Shutdown();
      f.FormDestroy();
    }
    return 0;
  case WM_NCDESTROY:
    DetachWindowObject(FHandle);
    FHandle = nullptr;
    FServices.MainWindow = nullptr;
    return 0;
  case WM_SIZE: Layout(); return 0;
  case WM_UPDATEUISTATE: {
    // The keyboard came into use: the field boxes show the focus from now on.
    const LRESULT result = DefWindowProcW(FHandle, AMessage, AWParam, ALParam);
    for (HWND card : {FChildren.crdMain, FChildren.crdSettings, FChildren.crdInfo})
      InvalidateRect(card, nullptr, TRUE);
    return result;
  }
  case WM_ACTIVATE:
    if (LOWORD(AWParam) == WA_INACTIVE) {
      const HWND focus = GetFocus();
      if (focus && IsChild(FHandle, focus))
        FLastFocus = focus;
    } else if (!HIWORD(AWParam)) {
      RestoreFocus();
    }
    return 0;
  case WM_DPICHANGED: {
    FDpi = HIWORD(AWParam);
    CreateFonts();
    FPeers.SetFont(static_cast<HFONT>(FFont.Get()));
    SendMessageW(FChildren.Memo1, WM_SETFONT, reinterpret_cast<WPARAM>(FMemoFont.Get()), FALSE);
    SendMessageW(FChildren.lblAppInfo, WM_SETFONT, reinterpret_cast<WPARAM>(FTitleFont.Get()), FALSE);
    CreateImages();
    const RECT* suggested = reinterpret_cast<const RECT*>(ALParam);
    SetWindowPos(FHandle, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    // Also when the size stays: every measure of the layout has changed.
    Layout();
    return 0;
  }
  case WM_LBUTTONDOWN:
    if (f.CardPanel1.ActiveCardIndex() == 2)
      f.crdInfoClick(f.CardPanel1);
    return 0;
  case WM_GETMINMAXINFO: {
    auto* info = reinterpret_cast<MINMAXINFO*>(ALParam);
    RECT frame{0, 0, Scale(200), Scale(MinClientHeight)};
    AdjustWindowRectExForDpi(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0, FDpi);
    info->ptMinTrackSize = {Scale(MinWindowWidth), frame.bottom - frame.top};
    return 0;
  }
  case WM_ERASEBKGND: {
    RECT r;
    GetClientRect(FHandle, &r);
    const HDC dc = reinterpret_cast<HDC>(AWParam);
    FillRect(dc, &r, static_cast<HBRUSH>(FWindowBrush.Get()));
    RECT strip{0, 0, r.right, Scale(TitleRowHeight)};
    FillRect(dc, &strip, static_cast<HBRUSH>(FStripBrush.Get()));
    return 1;
  }
  case WM_CTLCOLORSTATIC:
  case WM_CTLCOLOREDIT:
  case WM_CTLCOLORLISTBOX: {
    const HDC dc = reinterpret_cast<HDC>(AWParam);
    const HWND child = reinterpret_cast<HWND>(ALParam);
    const bool field = AMessage != WM_CTLCOLORSTATIC || child == FChildren.Memo1 || child == FChildren.MemoInfoLog;
    SetTextColor(dc, theme::Text);
    SetBkColor(dc, field ? theme::Field : theme::Window);
    return reinterpret_cast<LRESULT>(field ? FFieldBrush.Get() : FWindowBrush.Get());
  }
  case WM_COMMAND:
    // Escape where no control wants it: on the clipboard card it ends a search.
    if (AWParam == IDCANCEL && ALParam == 0) {
      if (f.CardPanel1.ActiveCardIndex() == 0)
        f.CancelFind();
      return 0;
    }
    // A field gaining or losing the focus: its box shows it.
    if (const WORD code = HIWORD(AWParam);
        code == EN_SETFOCUS || code == EN_KILLFOCUS ||
        ((code == CBN_SETFOCUS || code == CBN_KILLFOCUS) && IsSettingsList(reinterpret_cast<HWND>(ALParam))))
      InvalidateField(reinterpret_cast<HWND>(ALParam));
    [[fallthrough]];
  case WM_DRAWITEM:
  case WM_HSCROLL:
  case WM_VSCROLL: {
    LRESULT result = 0;
    if (FPeers.Route(AMessage, AWParam, ALParam, result))
      return result;
    break;
  }
  case WM_TIMER:
    if (AWParam == tiBalloonClose && f.BalloonCloseTimer())
      f.BalloonCloseTimer()->Tick();
    else if (AWParam == tiSliderRelease && f.SliderReleaseTimer())
      f.SliderReleaseTimer()->Tick();
    else if (AWParam == tiClipboardRetry && f.ClipboardRetryTimer())
      f.ClipboardRetryTimer()->Tick();
    return 0;
  case TTrayIconPeer::CallbackMessage:
    if (FTray)
      FTray->Callback(ALParam);
    return 0;
  default:
    if (AMessage == TTrayIconPeer::TaskbarCreatedMessage() && FTray) {
      FTray->Recreate();
      return 0;
    }
    break;
  }
  return DefWindowProcW(FHandle, AMessage, AWParam, ALParam);
}

} // namespace tarvel
