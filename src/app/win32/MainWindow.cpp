#include "app/win32/MainWindow.h"

#include <windowsx.h>

#include "app/win32/ControlIds.h"
#include "app/win32/Icons.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "core/win32/Check.h"
#include "core/win32/Windowing.h"
#include "ui/win32/Theme.h"

namespace tarvel {

namespace {

// Design sizes at 96 DPI.
constexpr int ClientWidth = 557;
constexpr int ClientHeight = 546;
constexpr int TitleRowHeight = 54;
constexpr int MainRowHeight = 50;
constexpr int InfoTitleHeight = 90;
constexpr int SettingsRowHeight = 40;

} // namespace

TWin32MainWindow::TWin32MainWindow(HINSTANCE AInstance, HWND AOwner)
    : FInstance(AInstance), FOwner(AOwner),
      FDialogs([this] { return (FHandle && IsWindowVisible(FHandle)) ? FHandle : FOwner; }) {}

TWin32MainWindow::~TWin32MainWindow() {
  // Destroying the window runs the form's shutdown (tray icon removed) unless a quit
  // already did.
  if (FHandle && IsWindow(FHandle))
    DestroyWindow(FHandle);
  FTray.reset();
  FPeers.clear();
  if (FImages)
    ImageList_Destroy(FImages);
}

void TWin32MainWindow::Create() {
  TImagePeer::RegisterWindowClass(FInstance);
  RegisterWindowClassOnce(FInstance, MainWindowClass, WindowProc);

  FHandle =
      CheckWin32(CreateWindowExW(0, MainWindowClass, L"Tarvel", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                 CW_USEDEFAULT, ClientWidth, ClientHeight, FOwner, nullptr, FInstance, this),
                 "CreateWindowExW");
  FDpi = GetDpiForWindow(FHandle);
  if (FDpi == 0)
    FDpi = 96;

  // Client area of the design size, centred on the desktop.
  RECT frame{0, 0, Scale(ClientWidth), Scale(ClientHeight)};
  AdjustWindowRectExForDpi(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0, FDpi);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int w = frame.right - frame.left;
  const int h = frame.bottom - frame.top;
  SetWindowPos(FHandle, nullptr, work.left + (work.right - work.left - w) / 2,
               work.top + (work.bottom - work.top - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);

  FIcon.Reset(CreateProgramIcon(GetSystemMetricsForDpi(SM_CXSMICON, FDpi)));
  SendMessageW(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(FIcon.Get()));
  SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcon.Get()));
  // Drawn at the size the buttons and menus show them, so nothing is clipped or blurred.
  FImages = CreateIconList(Scale(24));
  FLogo.Reset(CreateProgramIcon(Scale(64)));

  FForm =
      std::make_unique<TMainForm>(TMainFormServices{*this, FDialogs, FClock, FRegistry, FShell, FClipboard, FHotkeys});
  CreateFonts();
  CreateControls();
  FForm->OnTrayIconCreated = [this] { AttachTrayIcon(); };
  FForm->FormCreate();
  SetWindowTextW(FHandle, ToWide(FForm->Caption).c_str());
  Layout();
}

// The tray icon's peer and the timers' window timers, attached while the form starts up.
void TWin32MainWindow::AttachTrayIcon() {
  if (TTrayIcon* tray = FForm->TrayIcon())
    FTray = std::make_unique<TTrayIconPeer>(*tray, FHandle, FIcon.Get(), GetSystemMetricsForDpi(SM_CXSMICON, FDpi));
  for (TTimer* timer : {FForm->BalloonCloseTimer(), FForm->SliderReleaseTimer()}) {
    if (!timer)
      continue;
    const UINT_PTR id = timer == FForm->BalloonCloseTimer() ? 1 : 2;
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

HWND TWin32MainWindow::AddChild(int AId, const wchar_t* AClass, const wchar_t* AText, DWORD AStyle, DWORD AExStyle) {
  HWND child = CheckWin32(CreateWindowExW(AExStyle, AClass, AText, WS_CHILD | AStyle, 0, 0, 10, 10, FHandle,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(AId)), FInstance, nullptr),
                          "CreateWindowExW");
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), FALSE);
  return child;
}

template <class TPeerType, class... TArgs> TPeerType& TWin32MainWindow::Bind(TArgs&&... AArgs) {
  auto peer = std::make_unique<TPeerType>(std::forward<TArgs>(AArgs)...);
  TPeerType& ref = *peer;
  FPeers.push_back(std::move(peer));
  return ref;
}

TPeer* TWin32MainWindow::PeerOf(HWND AChild) const {
  for (const auto& peer : FPeers)
    if (peer->Handle() == AChild)
      return peer.get();
  return nullptr;
}

void TWin32MainWindow::CreateControls() {
  TMainForm& f = *FForm;
  auto& c = FChildren;
  const DWORD button = WS_TABSTOP | BS_OWNERDRAW;
  auto makeButton = [&](int AId, TButton& AModel, bool ACaptionOnly = false) {
    HWND h =
        AddChild(AId, WC_BUTTONW, ToWide(AModel.Caption()).c_str(), (ACaptionOnly ? 0 : WS_TABSTOP) | BS_OWNERDRAW);
    Bind<TButtonPeer>(AModel, h, FImages, ACaptionOnly);
    return h;
  };
  auto makeSwitch = [&](int AId, TToggleSwitch& AModel) {
    HWND h = AddChild(AId, WC_BUTTONW, L"", button);
    Bind<TToggleSwitchPeer>(AModel, h);
    return h;
  };
  // The up-down arrows take the id after the edit's.
  auto makeSpin = [&](int AId, TSpinEdit& AModel, HWND& AUpDown) {
    HWND edit = AddChild(AId, WC_EDITW, L"0", WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL);
    AUpDown = AddChild(AId + 1, UPDOWN_CLASSW, L"", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS);
    SendMessageW(AUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    Bind<TSpinEditPeer>(AModel, edit, AUpDown);
    return edit;
  };
  auto makeLetter = [&](int AId, TLetterEdit& AModel) {
    HWND h = AddChild(AId, WC_EDITW, L"", WS_TABSTOP | ES_CENTER | ES_UPPERCASE);
    Bind<TLetterEditPeer>(AModel, h);
    return h;
  };

  c.btnCard1 = makeButton(idBtnCard1, f.btnCard1);
  c.btnCard2 = makeButton(idBtnCard2, f.btnCard2);
  c.btnCard3 = makeButton(idBtnCard3, f.btnCard3);
  c.btnQuit = makeButton(idBtnQuit, f.btnQuit);

  c.SpeedButton1 = makeButton(idSpeedButton1, f.SpeedButton1, true);
  c.spnClipboardPage = makeSpin(idSpnClipboardPage, f.spnClipboardPage, c.spnClipboardPageUpDown);
  c.trkSlider = AddChild(idTrkSlider, TRACKBAR_CLASSW, L"", WS_TABSTOP | TBS_BOTH | TBS_NOTICKS);
  Bind<TTrackBarPeer>(f.trkSlider, c.trkSlider);
  c.Image1 = AddChild(idImage1, TImagePeer::ClassName, L"", 0);
  Bind<TImagePeer>(f.Image1, c.Image1);
  c.Memo1 = AddChild(idMemo1, WC_EDITW, L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP);
  SendMessageW(c.Memo1, WM_SETFONT, reinterpret_cast<WPARAM>(FMemoFont.Get()), FALSE);
  Bind<TMemoPeer>(f.Memo1, c.Memo1);
  c.btnDeleteEntry = makeButton(idBtnDeleteEntry, f.btnDeleteEntry);
  c.btnSave = makeButton(idBtnSave, f.btnSave);
  c.Label1 =
      AddChild(idLabel1, WC_STATICW, L"0 / 0", SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_CENTERIMAGE | SS_NOPREFIX);
  Bind<TLabelPeer>(f.Label1, c.Label1);

  TButton* captions[10] = {&f.SpeedButton3, &f.SpeedButton5, &f.SpeedButton2,  &f.SpeedButton4,  &f.SpeedButton6,
                           &f.SpeedButton7, &f.SpeedButton8, &f.SpeedButton10, &f.SpeedButton11, &f.SpeedButton12};
  for (int i = 0; i < 10; ++i)
    c.SettingsCaptions[i] = makeButton(idSettingsCaption0 + i, *captions[i], true);
  c.SettingsInputs[0] = makeSwitch(idChkAutostart, f.chkAutostart);
  c.SettingsInputs[1] = makeSwitch(idSwtNotifications, f.swtNotifications);
  c.SettingsInputs[2] = makeSpin(idSpnMaxClipentries, f.spnMaxClipentries, c.SettingsUpDown);
  c.SettingsInputs[3] = AddChild(idCmbLanguageOCR, WC_COMBOBOXW, L"", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL);
  Bind<TComboBoxPeer>(f.cmbLanguageOCR, c.SettingsInputs[3]);
  c.SettingsInputs[4] = nullptr;
  c.SettingsInputs[5] = makeLetter(idEdtHotkeyControl, f.edtHotkeyControl);
  c.SettingsInputs[6] = makeLetter(idEdtHotkeyOCR, f.edtHotkeyOCR);
  c.SettingsInputs[7] = makeLetter(idEdtHotkeyScreenBox, f.edtHotkeyScreenBox);
  c.SettingsInputs[8] = makeLetter(idEdtHotkeyScreentFull, f.edtHotkeyScreentFull);
  c.SettingsInputs[9] = makeLetter(idEdtHotkeySave, f.edtHotkeySave);

  c.Image2 = AddChild(idImage2, WC_STATICW, L"", SS_ICON | SS_CENTERIMAGE);
  SendMessageW(c.Image2, STM_SETICON, reinterpret_cast<WPARAM>(FLogo.Get()), 0);
  c.lblAppInfo = AddChild(idLblAppInfo, WC_STATICW, L"", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX);
  SendMessageW(c.lblAppInfo, WM_SETFONT, reinterpret_cast<WPARAM>(FTitleFont.Get()), FALSE);
  Bind<TLabelPeer>(f.lblAppInfo, c.lblAppInfo);
  c.swtShowLog = makeSwitch(idSwtShowLog, f.swtShowLog);
  c.btnShowTutorial = makeButton(idBtnShowTutorial, f.btnShowTutorial);
  c.chkUpdate = makeButton(idChkUpdate, f.chkUpdate);
  c.MemoInfoLog =
      AddChild(idMemoInfoLog, WC_EDITW, L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP);
  Bind<TMemoPeer>(f.MemoInfoLog, c.MemoInfoLog);

  f.CardPanel1.OnModelChanged = [this] { MirrorCards(); };
}

// Shows the children of the active card only; each child keeps its own visibility.
void TWin32MainWindow::MirrorCards() {
  const int active = FForm->CardPanel1.ActiveCardIndex();
  auto& c = FChildren;
  std::vector<HWND> cards[3] = {{c.SpeedButton1, c.spnClipboardPage, c.spnClipboardPageUpDown, c.trkSlider, c.Image1,
                                 c.Memo1, c.btnDeleteEntry, c.btnSave, c.Label1},
                                {c.SettingsUpDown},
                                {c.Image2, c.lblAppInfo, c.swtShowLog, c.btnShowTutorial, c.chkUpdate, c.MemoInfoLog}};
  for (int i = 0; i < 10; ++i) {
    cards[1].push_back(c.SettingsCaptions[i]);
    if (c.SettingsInputs[i])
      cards[1].push_back(c.SettingsInputs[i]);
  }
  for (int card = 0; card < 3; ++card)
    for (HWND h : cards[card]) {
      bool visible = card == active;
      if (TPeer* peer = PeerOf(h))
        visible = visible && peer->Model().Visible();
      ShowWindow(h, visible ? SW_SHOWNA : SW_HIDE);
    }
  InvalidateRect(FHandle, nullptr, TRUE);
}

void TWin32MainWindow::Layout() {
  if (!FForm)
    return;
  RECT client;
  GetClientRect(FHandle, &client);
  const int cw = client.right;
  const int ch = client.bottom;
  const int m = Scale(8);
  auto place = [](HWND AWindow, int AX, int AY, int AW, int AH) {
    if (AWindow)
      SetWindowPos(AWindow, nullptr, AX, AY, AW, AH, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  auto& c = FChildren;

  // Title strip: the three card buttons as one group, then "quit".
  int x = m;
  for (HWND h : {c.btnCard1, c.btnCard2, c.btnCard3}) {
    place(h, x, Scale(8), Scale(128), Scale(38));
    x += Scale(128);
  }
  place(c.btnQuit, x + Scale(12), Scale(8), Scale(104), Scale(38));

  // Clipboard card.
  const int top = Scale(TitleRowHeight);
  const int bottom = ch - Scale(MainRowHeight);
  place(c.SpeedButton1, m, top + Scale(8), Scale(100), Scale(34));
  place(c.spnClipboardPage, m + Scale(104), top + Scale(11), Scale(56), Scale(28));
  SendMessageW(c.spnClipboardPageUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(c.spnClipboardPage), 0);
  const int sliderLeft = PageEditRight() + Scale(6);
  place(c.trkSlider, sliderLeft, top + Scale(8), FForm->trkSlider.Width(), Scale(36));
  const RECT content{m, top + Scale(MainRowHeight), cw - m, bottom};
  place(c.Image1, content.left, content.top, content.right - content.left, content.bottom - content.top);
  place(c.Memo1, content.left, content.top, content.right - content.left, content.bottom - content.top);
  place(c.btnDeleteEntry, m, bottom + Scale(8), Scale(110), Scale(34));
  place(c.btnSave, m + Scale(116), bottom + Scale(8), Scale(100), Scale(34));
  place(c.Label1, m + Scale(226), bottom + Scale(8), cw - m - (m + Scale(226)), Scale(34));

  // Settings card: a caption and its input per row.
  for (int i = 0; i < 10; ++i) {
    const int y = top + m + i * Scale(SettingsRowHeight);
    const bool heading = i == 4;
    const bool hotkey = i >= 5;
    place(c.SettingsCaptions[i], hotkey ? m + Scale(24) : m, y, heading ? Scale(320) : Scale(230), Scale(34));
    const int inputLeft = m + Scale(262);
    if (i == 3)
      place(c.SettingsInputs[i], inputLeft, y + Scale(4), Scale(220), Scale(200));
    else if (i == 2)
      place(c.SettingsInputs[i], inputLeft, y + Scale(3), Scale(64), Scale(28));
    else if (hotkey)
      place(c.SettingsInputs[i], inputLeft, y + Scale(3), Scale(36), Scale(28));
    else
      place(c.SettingsInputs[i], inputLeft, y, Scale(200), Scale(34));
  }
  SendMessageW(c.SettingsUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(c.SettingsInputs[2]), 0);

  // Info card.
  place(c.Image2, m, top + Scale(13), Scale(64), Scale(64));
  place(c.lblAppInfo, m + Scale(74), top + Scale(6), cw - m - (m + Scale(74)), Scale(36));
  place(c.swtShowLog, m + Scale(74), top + Scale(48), Scale(140), Scale(34));
  place(c.btnShowTutorial, m + Scale(220), top + Scale(48), Scale(150), Scale(34));
  place(c.chkUpdate, m + Scale(376), top + Scale(48), Scale(157), Scale(34));
  place(c.MemoInfoLog, m, top + Scale(InfoTitleHeight), cw - 2 * m, ch - top - Scale(InfoTitleHeight) - m);

  FForm->FormResize();
  MirrorCards();
}

int TWin32MainWindow::SliderRowClientWidth() const {
  RECT client{};
  GetClientRect(FHandle, &client);
  return client.right;
}

int TWin32MainWindow::PageEditRight() const {
  RECT r{};
  if (!FChildren.spnClipboardPageUpDown)
    return Scale(8 + 104 + 56);
  GetWindowRect(FChildren.spnClipboardPageUpDown, &r);
  MapWindowPoints(nullptr, FHandle, reinterpret_cast<POINT*>(&r), 2);
  return r.right;
}

bool TWin32MainWindow::IsLeftButtonDown() const {
  return GetKeyState(VK_LBUTTON) < 0;
}

void TWin32MainWindow::Show() {
  ShowWindow(FHandle, SW_SHOW);
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

LRESULT CALLBACK TWin32MainWindow::WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == WM_NCCREATE) {
    auto* self = static_cast<TWin32MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(ALParam)->lpCreateParams);
    self->FHandle = AWindow;
    SetWindowLongPtrW(AWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TWin32MainWindow*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
  if (!self || !self->FForm)
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  // No exception crosses the window procedure: what a handler lets through is shown in
  // an error box and the program carries on with the next message.
  try {
    return self->HandleMessage(AMessage, AWParam, ALParam);
  } catch (const EError& e) {
    ShowErrorBox(AWindow, e.Message());
  } catch (const std::exception& e) {
    ShowErrorBox(AWindow, FromUtf8(e.what()));
  }
  return 0;
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
      f.FormDestroy();
    }
    return 0;
  case WM_NCDESTROY:
    SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
    FHandle = nullptr;
    return 0;
  case WM_SIZE: Layout(); return 0;
  case WM_DPICHANGED: {
    FDpi = HIWORD(AWParam);
    CreateFonts();
    for (const auto& peer : FPeers)
      SendMessageW(peer->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), FALSE);
    SendMessageW(FChildren.Memo1, WM_SETFONT, reinterpret_cast<WPARAM>(FMemoFont.Get()), FALSE);
    SendMessageW(FChildren.lblAppInfo, WM_SETFONT, reinterpret_cast<WPARAM>(FTitleFont.Get()), FALSE);
    const RECT* suggested = reinterpret_cast<const RECT*>(ALParam);
    SetWindowPos(FHandle, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  }
  case WM_LBUTTONDOWN:
    if (f.CardPanel1.ActiveCardIndex() == 2)
      f.crdInfoClick(f.CardPanel1);
    return 0;
  case WM_GETMINMAXINFO: {
    auto* info = reinterpret_cast<MINMAXINFO*>(ALParam);
    info->ptMinTrackSize = {Scale(420), Scale(360)};
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
  case WM_DRAWITEM: {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(ALParam);
    if (TPeer* peer = PeerOf(item->hwndItem)) {
      peer->DrawItem(*item);
      return TRUE;
    }
    break;
  }
  case WM_COMMAND:
    if (TPeer* peer = PeerOf(reinterpret_cast<HWND>(ALParam))) {
      peer->Command(HIWORD(AWParam));
      return 0;
    }
    break;
  case WM_HSCROLL:
    if (TPeer* peer = PeerOf(reinterpret_cast<HWND>(ALParam))) {
      peer->Scroll(LOWORD(AWParam));
      return 0;
    }
    break;
  case WM_TIMER:
    if (AWParam == 1 && f.BalloonCloseTimer())
      f.BalloonCloseTimer()->Tick();
    else if (AWParam == 2 && f.SliderReleaseTimer())
      f.SliderReleaseTimer()->Tick();
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
