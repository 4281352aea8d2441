#include "app/win32/MainWindow.h"

#include <windowsx.h>

#include <algorithm>
#include <initializer_list>

#include "app/win32/ControlIds.h"
#include "app/win32/Icons.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "core/win32/Check.h"
#include "core/win32/ErrorBoundary.h"
#include "core/win32/Messages.h"
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
// The smallest window the user can drag it to; the layout fits everything into it.
constexpr int MinWindowWidth = 420;
constexpr int MinClientHeight = 390;
constexpr int CardButtonWidth = 128;
constexpr int QuitButtonWidth = 104;
constexpr int ButtonHeight = 38;
constexpr int RowButtonHeight = 34;
constexpr int IconSize = 24;

void Place(HWND AWindow, int AX, int AY, int AW, int AH) {
  if (AWindow)
    SetWindowPos(AWindow, nullptr, AX, AY, std::max(AW, 0), std::max(AH, 0), SWP_NOZORDER | SWP_NOACTIVATE);
}

// Rows of controls placed left to right from ALeft, each as wide as it asks; a control
// that does not fit before ARight starts a new row at AWrapLeft. Returns the bottom of the
// last row.
int Flow(std::initializer_list<std::pair<HWND, int>> AItems, int ALeft, int AWrapLeft, int ARight, int ATop,
         int ARowHeight, int AItemHeight, int AGap) {
  int x = ALeft;
  int rowStart = ALeft;
  int y = ATop;
  for (const auto& [window, width] : AItems) {
    if (x != rowStart && x + width > ARight) {
      x = rowStart = AWrapLeft;
      y += ARowHeight;
    }
    Place(window, x, y, std::min(width, ARight - x), AItemHeight);
    x += width + AGap;
  }
  return y + AItemHeight;
}

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
  RegisterWindowClassOnce(FInstance, CardWindowClass, CardProc);

  FHandle = CheckWin32(CreateWindowExW(WS_EX_CONTROLPARENT, MainWindowClass, L"Tarvel",
                                       WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, ClientWidth,
                                       ClientHeight, FOwner, nullptr, FInstance, this),
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
  FImages = CreateIconList(Scale(IconSize));
  FLogo.Reset(CreateProgramIcon(Scale(64)));

  FForm =
      std::make_unique<TMainForm>(TMainFormServices{*this, FDialogs, FClock, FRegistry, FShell, FClipboard, FHotkeys});
  CreateFonts();
  CreateControls();
  AttachTrayIcon();
  FForm->FormCreate();
  SetWindowTextW(FHandle, ToWide(FForm->Caption).c_str());
  Layout();
}

// The tray icon's peer and the timers' window timers, bound before the form starts up, so
// that the icon is on screen before the first balloon is asked for.
void TWin32MainWindow::AttachTrayIcon() {
  if (TTrayIcon* tray = FForm->TrayIcon())
    FTray = std::make_unique<TTrayIconPeer>(*tray, FHandle, FIcon.Get(), GetSystemMetricsForDpi(SM_CXSMICON, FDpi));
  for (TTimer* timer : {FForm->BalloonCloseTimer(), FForm->SliderReleaseTimer()}) {
    if (!timer)
      continue;
    const UINT_PTR id = timer == FForm->BalloonCloseTimer() ? tiBalloonClose : tiSliderRelease;
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

HWND TWin32MainWindow::AddChild(HWND AParent, int AId, const wchar_t* AClass, const wchar_t* AText, DWORD AStyle,
                                DWORD AExStyle) {
  HWND child = CheckWin32(CreateWindowExW(AExStyle, AClass, AText, WS_CHILD | AStyle, 0, 0, 10, 10, AParent,
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

void TWin32MainWindow::CreateCards() {
  auto& c = FChildren;
  auto card = [this](int AId) {
    // WS_EX_CONTROLPARENT: the dialog manager's Tab walks into the card's controls, and
    // skips them all while the card is hidden.
    HWND h = AddChild(FHandle, AId, CardWindowClass, L"", WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT);
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return h;
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
    Bind<TButtonPeer>(AModel, h, FImages, ACaptionOnly);
    return h;
  };
  auto makeSwitch = [&](HWND AParent, int AId, TToggleSwitch& AModel) {
    HWND h = AddChild(AParent, AId, WC_BUTTONW, L"", WS_TABSTOP | BS_OWNERDRAW | WS_VISIBLE);
    Bind<TToggleSwitchPeer>(AModel, h);
    return h;
  };
  // The up-down arrows take the id after the edit's.
  auto makeSpin = [&](HWND AParent, int AId, TSpinEdit& AModel, HWND& AUpDown) {
    HWND edit = AddChild(AParent, AId, WC_EDITW, L"0", WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL | WS_VISIBLE);
    AUpDown =
        AddChild(AParent, AId + 1, UPDOWN_CLASSW, L"", UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | WS_VISIBLE);
    SendMessageW(AUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    Bind<TSpinEditPeer>(AModel, edit, AUpDown);
    return edit;
  };
  auto makeLetter = [&](HWND AParent, int AId, TLetterEdit& AModel) {
    HWND h = AddChild(AParent, AId, WC_EDITW, L"", WS_TABSTOP | ES_CENTER | ES_UPPERCASE | WS_VISIBLE);
    Bind<TLetterEditPeer>(AModel, h);
    return h;
  };
  auto makeMemo = [&](HWND AParent, int AId, TMemo& AModel) {
    HWND h = AddChild(AParent, AId, WC_EDITW, L"",
                      ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE);
    Bind<TMemoPeer>(AModel, h);
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
  Bind<TTrackBarPeer>(f.trkSlider, c.trkSlider);
  c.Image1 = AddChild(main, idImage1, TImagePeer::ClassName, L"", WS_VISIBLE);
  Bind<TImagePeer>(f.Image1, c.Image1);
  c.Memo1 = makeMemo(main, idMemo1, f.Memo1);
  SendMessageW(c.Memo1, WM_SETFONT, reinterpret_cast<WPARAM>(FMemoFont.Get()), FALSE);
  c.btnDeleteEntry = makeButton(main, idBtnDeleteEntry, f.btnDeleteEntry);
  c.btnSave = makeButton(main, idBtnSave, f.btnSave);
  c.Label1 = AddChild(main, idLabel1, WC_STATICW, L"0 / 0", SS_OWNERDRAW | WS_VISIBLE);
  Bind<TLabelPeer>(f.Label1, c.Label1);

  // Settings card.
  const HWND settings = c.crdSettings;
  TButton* captions[10] = {&f.SpeedButton3, &f.SpeedButton5, &f.SpeedButton2,  &f.SpeedButton4,  &f.SpeedButton6,
                           &f.SpeedButton7, &f.SpeedButton8, &f.SpeedButton10, &f.SpeedButton11, &f.SpeedButton12};
  for (int i = 0; i < 10; ++i)
    c.SettingsCaptions[i] = makeButton(settings, idSettingsCaption0 + i, *captions[i], true);
  c.SettingsInputs[0] = makeSwitch(settings, idChkAutostart, f.chkAutostart);
  c.SettingsInputs[1] = makeSwitch(settings, idSwtNotifications, f.swtNotifications);
  c.SettingsInputs[2] = makeSpin(settings, idSpnMaxClipentries, f.spnMaxClipentries, c.SettingsUpDown);
  c.SettingsInputs[3] =
      AddChild(settings, idCmbLanguageOCR, WC_COMBOBOXW, L"", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL | WS_VISIBLE);
  Bind<TComboBoxPeer>(f.cmbLanguageOCR, c.SettingsInputs[3]);
  c.SettingsInputs[4] = nullptr;
  c.SettingsInputs[5] = makeLetter(settings, idEdtHotkeyControl, f.edtHotkeyControl);
  c.SettingsInputs[6] = makeLetter(settings, idEdtHotkeyOCR, f.edtHotkeyOCR);
  c.SettingsInputs[7] = makeLetter(settings, idEdtHotkeyScreenBox, f.edtHotkeyScreenBox);
  c.SettingsInputs[8] = makeLetter(settings, idEdtHotkeyScreentFull, f.edtHotkeyScreentFull);
  c.SettingsInputs[9] = makeLetter(settings, idEdtHotkeySave, f.edtHotkeySave);

  // Info card.
  const HWND info = c.crdInfo;
  c.Image2 = AddChild(info, idImage2, WC_STATICW, L"", SS_ICON | SS_CENTERIMAGE | WS_VISIBLE);
  SendMessageW(c.Image2, STM_SETICON, reinterpret_cast<WPARAM>(FLogo.Get()), 0);
  c.lblAppInfo =
      AddChild(info, idLblAppInfo, WC_STATICW, L"", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX | WS_VISIBLE);
  SendMessageW(c.lblAppInfo, WM_SETFONT, reinterpret_cast<WPARAM>(FTitleFont.Get()), FALSE);
  Bind<TLabelPeer>(f.lblAppInfo, c.lblAppInfo);
  c.swtShowLog = makeSwitch(info, idSwtShowLog, f.swtShowLog);
  c.btnShowTutorial = makeButton(info, idBtnShowTutorial, f.btnShowTutorial);
  c.chkUpdate = makeButton(info, idChkUpdate, f.chkUpdate);
  c.MemoInfoLog = makeMemo(info, idMemoInfoLog, f.MemoInfoLog);

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

int TWin32MainWindow::ButtonWidth(const TButton& AButton) const {
  for (const auto& peer : FPeers)
    if (&peer->Model() == &AButton) {
      const bool captionOnly = static_cast<const TButtonPeer&>(*peer).CaptionOnly();
      const int icon = AButton.ImageIndex() >= 0 ? std::min(Scale(IconSize), Scale(RowButtonHeight) - 8) : 0;
      return TButtonPeer::ContentWidth(peer->Handle(), AButton.Caption(), icon, captionOnly);
    }
  return 0;
}

void TWin32MainWindow::PlaceField(HWND AControl, HWND AUpDown, const RECT& ASlot) {
  FFields[AControl] = ASlot;
  const int height = ASlot.bottom - ASlot.top;
  int right = ASlot.right - 2;
  if (AUpDown) {
    const int w = Scale(17);
    Place(AUpDown, right - w, ASlot.top + 2, w, height - 4);
    right -= w + 1;
  }
  if (GetWindowLongPtrW(AControl, GWL_STYLE) & ES_MULTILINE) {
    Place(AControl, ASlot.left + 2, ASlot.top + 2, right - ASlot.left - 2, height - 4);
    return;
  }
  // One line of text, centred in its box.
  TEXTMETRICW metrics{};
  {
    const TUniqueWindowDC dc({AControl, GetDC(AControl)});
    const TUniqueSelectObject font = SelectScoped(dc.Get().DC, FFont.Get());
    GetTextMetricsW(dc.Get().DC, &metrics);
  }
  const int textHeight = std::min<int>(metrics.tmHeight + 2, height - 4);
  Place(AControl, ASlot.left + Scale(5), ASlot.top + (height - textHeight) / 2, right - ASlot.left - Scale(5),
        textHeight);
}

// The boxes of the input fields: the field colour with a thin border, and a light one
// around the field that has the keyboard focus.
void TWin32MainWindow::PaintFields(HWND ACard, HDC ADC) {
  // As for the buttons: the outline shows once the keyboard is in use.
  const bool cues = !(SendMessageW(FHandle, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
  const HWND focus = cues ? GetFocus() : nullptr;
  for (const auto& [control, slot] : FFields) {
    if (GetParent(control) != ACard || !IsWindowVisible(control))
      continue;
    const bool focused = focus == control;
    // The combo box has a frame of its own: around it, only the focus is drawn.
    if (control == FChildren.SettingsInputs[3] && !focused)
      continue;
    SetDCBrushColor(ADC, theme::Field);
    SetDCPenColor(ADC, focused ? theme::Focus : theme::Border);
    const TUniqueSelectObject brush = SelectScoped(ADC, GetStockObject(DC_BRUSH));
    TUniqueGdiObject pen(CreatePen(PS_INSIDEFRAME, focused ? 2 : 1, focused ? theme::Focus : theme::Border));
    const TUniqueSelectObject selectedPen = SelectScoped(ADC, pen.Get());
    RoundRect(ADC, slot.left, slot.top, slot.right, slot.bottom, Scale(6), Scale(6));
  }
}

void TWin32MainWindow::InvalidateField(HWND AControl) {
  const auto field = FFields.find(AControl);
  if (field != FFields.end())
    InvalidateRect(GetParent(AControl), &field->second, TRUE);
}

void TWin32MainWindow::Layout() {
  if (!FForm)
    return;
  RECT client;
  GetClientRect(FHandle, &client);
  const int cw = client.right;
  const int ch = client.bottom;
  const int m = Scale(8);
  auto& c = FChildren;
  TMainForm& f = *FForm;

  // Title strip: the three card buttons as one group, then "quit". When the window is too
  // narrow for their design widths, each gets what its caption needs and the rest is shared.
  {
    const HWND buttons[4] = {c.btnCard1, c.btnCard2, c.btnCard3, c.btnQuit};
    int widths[4] = {Scale(CardButtonWidth), Scale(CardButtonWidth), Scale(CardButtonWidth), Scale(QuitButtonWidth)};
    int gap = Scale(12);
    if (widths[0] * 3 + gap + widths[3] > cw - 2 * m) {
      const TButton* models[4] = {&f.btnCard1, &f.btnCard2, &f.btnCard3, &f.btnQuit};
      int needed = 0;
      for (int i = 0; i < 4; ++i)
        needed += widths[i] = ButtonWidth(*models[i]);
      gap = std::clamp(cw - 2 * m - needed, Scale(4), Scale(12));
      const int share = std::max(0, cw - 2 * m - needed - gap) / 4;
      for (int& w : widths)
        w += share;
    }
    int x = m;
    for (int i = 0; i < 4; ++i) {
      if (i == 3)
        x += gap;
      Place(buttons[i], x, Scale(8), widths[i], Scale(ButtonHeight));
      x += widths[i];
    }
  }

  const int top = Scale(TitleRowHeight);
  const int cardHeight = ch - top;
  for (HWND card : {c.crdMain, c.crdSettings, c.crdInfo})
    Place(card, 0, top, cw, cardHeight);

  // Clipboard card.
  {
    const int captionWidth = ButtonWidth(f.SpeedButton1);
    Place(c.SpeedButton1, m, Scale(8), captionWidth, Scale(RowButtonHeight));
    PlaceField(c.spnClipboardPage, c.spnClipboardPageUpDown,
               {m + captionWidth + Scale(4), Scale(10), m + captionWidth + Scale(4 + 70), Scale(40)});
    Place(c.trkSlider, PageEditRight() + Scale(6), Scale(7), f.trkSlider.Width(), Scale(36));
    // The status label beside the buttons shows the position and time on one line and the
    // preview on another; when even the first line would not fit there, it moves below the
    // buttons and gets the whole width, as a flow panel would wrap it.
    const int deleteWidth = ButtonWidth(f.btnDeleteEntry);
    const int saveWidth = ButtonWidth(f.btnSave);
    const int labelLeft = m + deleteWidth + saveWidth + Scale(6 + 10);
    const int firstLine = TButtonPeer::ContentWidth(c.Label1, u"100 / 100  0000-00-00 00:00:00", 0, true) + Scale(4);
    const bool wrapped = cw - m - labelLeft < firstLine;
    const int labelHeight = Scale(MainRowHeight - 4);
    const int bottom = cardHeight - Scale(MainRowHeight) - (wrapped ? labelHeight : 0);
    const RECT content{m, Scale(MainRowHeight), cw - m, bottom};
    Place(c.Image1, content.left, content.top, content.right - content.left, content.bottom - content.top);
    PlaceField(c.Memo1, nullptr, content);
    Place(c.btnDeleteEntry, m, bottom + Scale(8), deleteWidth, Scale(RowButtonHeight));
    Place(c.btnSave, m + deleteWidth + Scale(6), bottom + Scale(8), saveWidth, Scale(RowButtonHeight));
    if (wrapped)
      Place(c.Label1, m, bottom + Scale(MainRowHeight), cw - 2 * m, labelHeight);
    else
      Place(c.Label1, labelLeft, bottom + Scale(2), cw - m - labelLeft, labelHeight);
  }

  // Settings card: a caption and its input per row; the inputs' column moves left when the
  // window is narrow, but never over the captions.
  {
    int captionsWidth = 0;
    TButton* captions[10] = {&f.SpeedButton3, &f.SpeedButton5, &f.SpeedButton2,  &f.SpeedButton4,  &f.SpeedButton6,
                             &f.SpeedButton7, &f.SpeedButton8, &f.SpeedButton10, &f.SpeedButton11, &f.SpeedButton12};
    for (int i = 0; i < 10; ++i)
      if (i != 4)
        captionsWidth = std::max(captionsWidth, ButtonWidth(*captions[i]) + (i >= 5 ? Scale(24) : 0));
    const int inputLeft = std::min(m + Scale(262), std::max(m + captionsWidth + Scale(8), cw - m - Scale(220)));
    const int row = std::clamp((cardHeight - 2 * m) / 10, Scale(32), Scale(SettingsRowHeight));
    for (int i = 0; i < 10; ++i) {
      const int y = m + i * row;
      const int captionLeft = i >= 5 ? m + Scale(24) : m;
      const int captionRight = i == 4 ? cw - m : inputLeft - Scale(4);
      const int captionHeight = std::min(Scale(RowButtonHeight), row - 2);
      Place(c.SettingsCaptions[i], captionLeft, y + (row - captionHeight) / 2, captionRight - captionLeft,
            captionHeight);
      const int inputHeight = std::min(row - 4, Scale(30));
      const int inputTop = y + (row - inputHeight) / 2;
      switch (i) {
      case 0:
      case 1:
        Place(c.SettingsInputs[i], inputLeft, y + (row - captionHeight) / 2,
              TToggleSwitchPeer::ContentWidth(c.SettingsInputs[i], i == 0 ? f.chkAutostart : f.swtNotifications,
                                              captionHeight),
              captionHeight);
        break;
      case 2:
        PlaceField(c.SettingsInputs[i], c.SettingsUpDown,
                   {inputLeft, inputTop, inputLeft + Scale(72), inputTop + inputHeight});
        break;
      case 3: {
        // The combo box draws its own frame; its box here only shows the focus around it.
        const int width = std::min(Scale(220), cw - m - inputLeft);
        Place(c.SettingsInputs[i], inputLeft + 2, inputTop + 2, width - 4, Scale(200));
        RECT box{};
        GetWindowRect(c.SettingsInputs[i], &box);
        MapWindowPoints(nullptr, c.crdSettings, reinterpret_cast<POINT*>(&box), 2);
        FFields[c.SettingsInputs[i]] = {box.left - 2, box.top - 2, box.right + 2, box.bottom + 2};
        break;
      }
      case 4: break;
      default:
        PlaceField(c.SettingsInputs[i], nullptr, {inputLeft, inputTop, inputLeft + Scale(40), inputTop + inputHeight});
        break;
      }
    }
  }

  // Info card: logo and title, then the switch and the two buttons, which wrap onto a
  // second row when the window is narrow; the text takes the rest.
  {
    const int left = m + Scale(74);
    Place(c.Image2, m, Scale(13), Scale(64), Scale(64));
    Place(c.lblAppInfo, left, Scale(6), cw - m - left, Scale(36));
    const int itemHeight = Scale(RowButtonHeight);
    const int rowBottom = Flow({{c.swtShowLog, TToggleSwitchPeer::ContentWidth(c.swtShowLog, f.swtShowLog, itemHeight)},
                                {c.btnShowTutorial, ButtonWidth(f.btnShowTutorial)},
                                {c.chkUpdate, ButtonWidth(f.chkUpdate)}},
                               left, left, cw - m, Scale(48), Scale(40), itemHeight, Scale(6));
    const int memoTop = std::max(Scale(InfoTitleHeight), rowBottom + Scale(8));
    PlaceField(c.MemoInfoLog, nullptr, {m, memoTop, cw - m, cardHeight - m});
  }

  FForm->FormResize();
  MirrorCards();
  for (HWND card : {c.crdMain, c.crdSettings, c.crdInfo})
    InvalidateRect(card, nullptr, TRUE);
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
  // The field's box ends just right of its arrows (PlaceField).
  return r.right + 2;
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

LRESULT CALLBACK TWin32MainWindow::WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  return Guarded(AWindow, [&]() -> LRESULT {
    if (AMessage == WM_NCCREATE) {
      auto* self = static_cast<TWin32MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(ALParam)->lpCreateParams);
      self->FHandle = AWindow;
      SetWindowLongPtrW(AWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TWin32MainWindow*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
    if (!self || !self->FForm)
      return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
    // What a handler lets through goes to the error box, and the program carries on with
    // the next message.
    return self->HandleMessage(AMessage, AWParam, ALParam);
  });
}

// A card paints its background and the boxes of its fields; what its controls report goes
// to the main window, which knows their peers.
LRESULT CALLBACK TWin32MainWindow::CardProc(HWND ACard, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  return Guarded(ACard, [&]() -> LRESULT {
    auto* self = reinterpret_cast<TWin32MainWindow*>(GetWindowLongPtrW(ACard, GWLP_USERDATA));
    if (!self || !self->FHandle)
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
    case WM_CTLCOLORBTN: return SendMessageW(self->FHandle, AMessage, AWParam, ALParam);
    case WM_LBUTTONDOWN:
      if (ACard == self->FChildren.crdInfo)
        SendMessageW(self->FHandle, AMessage, AWParam, ALParam);
      return 0;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(ACard, &r);
      FillRect(reinterpret_cast<HDC>(AWParam), &r, static_cast<HBRUSH>(self->FWindowBrush.Get()));
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(ACard, &ps);
      self->PaintFields(ACard, dc);
      EndPaint(ACard, &ps);
      return 0;
    }
    default: break;
    }
    return DefWindowProcW(ACard, AMessage, AWParam, ALParam);
  });
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
  case WM_DRAWITEM: {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(ALParam);
    if (TPeer* peer = PeerOf(item->hwndItem)) {
      peer->DrawItem(*item);
      return TRUE;
    }
    break;
  }
  case WM_COMMAND: {
    const HWND control = reinterpret_cast<HWND>(ALParam);
    const WORD code = HIWORD(AWParam);
    // The notifications of a field gaining or losing the focus: edits' and combo boxes'.
    if (code == EN_SETFOCUS || code == EN_KILLFOCUS ||
        ((code == CBN_SETFOCUS || code == CBN_KILLFOCUS) && control == FChildren.SettingsInputs[3]))
      InvalidateField(control);
    if (TPeer* peer = PeerOf(control)) {
      peer->Command(code);
      return 0;
    }
    break;
  }
  case WM_HSCROLL:
    if (TPeer* peer = PeerOf(reinterpret_cast<HWND>(ALParam))) {
      peer->Scroll(LOWORD(AWParam));
      return 0;
    }
    break;
  case WM_VSCROLL:
    // The up-down arrows of a spin edit report a step here.
    for (const auto& peer : FPeers)
      if (auto* spin = dynamic_cast<TSpinEditPeer*>(peer.get());
          spin && spin->UpDown() == reinterpret_cast<HWND>(ALParam)) {
        if (LOWORD(AWParam) == SB_THUMBPOSITION)
          spin->Stepped();
        return 0;
      }
    break;
  case WM_TIMER:
    if (AWParam == tiBalloonClose && f.BalloonCloseTimer())
      f.BalloonCloseTimer()->Tick();
    else if (AWParam == tiSliderRelease && f.SliderReleaseTimer())
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
