#pragma once

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <memory>
#include <vector>

#include "app/MainWindow.h"
#include "app/uMain.h"
#include "app/win32/Icons.h"
#include "app/win32/TrayIconPeer.h"
#include "app/win32/Win32Services.h"
#include "core/win32/Handles.h"
#include "ui/win32/PeerHost.h"

namespace tarvel {

inline constexpr wchar_t MainWindowClass[] = L"TarvelMainWindow";
inline constexpr wchar_t CardWindowClass[] = L"TarvelCard";

// The real main window: creates the controls, binds each control model to its child window,
// lays out and paints the slate-grey look, and routes messages to TMainForm.
//
// Each card is a child window of its own holding its controls, so that hiding a card hides
// everything on it, whatever a control's own visibility says, and so that the keyboard
// (Tab, Shift+Tab) only ever visits the card on screen.
class TWin32MainWindow final : public IMainWindow {
public:
  // AServices must outlive the window.
  TWin32MainWindow(HINSTANCE AInstance, TWin32Services& AServices);
  ~TWin32MainWindow() override;
  TWin32MainWindow(const TWin32MainWindow&) = delete;
  TWin32MainWindow& operator=(const TWin32MainWindow&) = delete;

  // Creates the window (hidden) and runs the form's start-up.
  void Create();
  // The window's own keys, before the dialog manager sees them: Ctrl+F. True when AMessage
  // was one.
  bool TranslateShortcut(const MSG& AMessage);
  HWND Handle() const noexcept { return FHandle; }
  // The buttons' icons, at the window's DPI.
  HIMAGELIST Images() const noexcept { return FImages.Get(); }
  TMainForm& Form() noexcept { return *FForm; }

  void Show() override;
  void Hide() override;
  bool IsVisible() const override;
  void RestoreAndBringToFront() override;
  void DestroyAndTerminate() override;
  bool IsLeftButtonDown() const override;

private:
  // Win32MainWindow.cpp: the window, its controls and its messages.
  // The window's and its cards' messages (ObjectWindowProc).
  LRESULT WindowMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  LRESULT CardMessage(HWND ACard, UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  void CreateCards();
  void CreateControls();
  void AttachTrayIcon();
  void CreateFonts();
  void CreateImages();
  void MirrorCards();
  void RestoreFocus();
  // AObject goes to the child's window procedure with WM_NCCREATE.
  HWND AddChild(HWND AParent, int AId, const wchar_t* AClass, const wchar_t* AText, DWORD AStyle, DWORD AExStyle = 0,
                void* AObject = nullptr);

  // MainLayout.cpp: where everything goes, and the boxes of the input fields.
  void Layout();
  void LayoutTitleStrip(int AWidth);
  void LayoutClipboardCard(int AWidth, int AHeight);
  void LayoutSettingsCard(int AWidth, int AHeight);
  void LayoutInfoCard(int AWidth, int AHeight);
  int Scale(int AValue) const noexcept { return MulDiv(AValue, FDpi, 96); }
  // Width a button needs for its icon and caption.
  int ButtonWidth(const TButton& AButton) const;
  // An input field drawn as a box: AControl (and its up-down arrows) placed inside ASlot,
  // vertically centred, the box painted by the card around it.
  void PlaceField(HWND AControl, HWND AUpDown, const RECT& ASlot);
  void PaintFields(HWND ACard, HDC ADC);
  void InvalidateField(HWND AControl);
  // One of the settings card's drop-down lists, which draw a frame of their own.
  bool IsSettingsList(HWND AControl) const;

  HINSTANCE FInstance;
  TWin32Services& FServices;
  HWND FHandle = nullptr;
  UINT FDpi = 96;
  std::unique_ptr<TMainForm> FForm;
  TPeerHost FPeers;
  std::unique_ptr<TTrayIconPeer> FTray;
  TUniqueGdiObject FFont;
  TUniqueGdiObject FMemoFont;
  TUniqueGdiObject FTitleFont;
  TUniqueGdiObject FWindowBrush;
  TUniqueGdiObject FFieldBrush;
  TUniqueGdiObject FStripBrush;
  TUniqueIcon FIcon;
  TUniqueIcon FLogo;
  TUniqueImageList FImages;
  bool FDestroying = false;
  // The control that had the focus when the window was last deactivated.
  HWND FLastFocus = nullptr;
  // The boxes drawn around input fields, in their card's coordinates.
  std::map<HWND, RECT> FFields;

  // The settings card, a row per setting: its caption, and an input of one of these kinds.
  enum class TSettingInput { Switch, Number, List, Heading, Letter };
  struct TSettingsRow {
    const TButton* CaptionModel;
    HWND Caption;
    TSettingInput Kind;
    HWND Input;
    HWND UpDown;
  };
  std::vector<TSettingsRow> FSettingsRows;

  // Children that the layout places by hand.
  struct TChildren {
    HWND crdMain, crdSettings, crdInfo;
    HWND btnCard1, btnCard2, btnCard3, btnQuit;
    HWND SpeedButton1, spnClipboardPage, spnClipboardPageUpDown, trkSlider, Image1, Memo1;
    HWND btnDeleteEntry, btnSave, Label1;
    HWND edtFind, btnPinEntry, btnClearHistory;
    HWND cmbLanguageOCR;
    HWND cmbOcrTextLayout;
    HWND Image2, lblAppInfo, swtShowLog, btnShowTutorial, chkUpdate, MemoInfoLog;
  } FChildren{};
};

} // namespace tarvel
