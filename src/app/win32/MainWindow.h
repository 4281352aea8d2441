#pragma once

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/uMain.h"
#include "app/win32/TrayIconPeer.h"
#include "app/win32/Win32Dialogs.h"
#include "clipboard/win32/Win32Clipboard.h"
#include "core/win32/Clock.h"
#include "core/win32/Handles.h"
#include "core/win32/Shell.h"
#include "hotkeys/win32/Win32Hotkeys.h"
#include "settings/win32/Win32Registry.h"
#include "ui/win32/Peers.h"

namespace tarvel {

inline constexpr wchar_t MainWindowClass[] = L"TarvelMainWindow";
inline constexpr wchar_t CardWindowClass[] = L"TarvelCard";

// The real main window: lays out the three cards, paints the slate-grey look, binds each
// control model to its child window and routes messages to TMainForm.
//
// Each card is a child window of its own holding its controls, so that hiding a card hides
// everything on it, whatever a control's own visibility says, and so that the keyboard
// (Tab, Shift+Tab) only ever visits the card on screen.
class TWin32MainWindow final : public IMainWindow {
public:
  TWin32MainWindow(HINSTANCE AInstance, HWND AOwner);
  ~TWin32MainWindow() override;

  // Creates the window (hidden) and runs the form's start-up.
  void Create();
  HWND Handle() const noexcept { return FHandle; }
  TMainForm& Form() noexcept { return *FForm; }

  void Show() override;
  void Hide() override;
  bool IsVisible() const override;
  void RestoreAndBringToFront() override;
  void DestroyAndTerminate() override;
  int SliderRowClientWidth() const override;
  int PageEditRight() const override;
  bool IsLeftButtonDown() const override;

private:
  static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  static LRESULT CALLBACK CardProc(HWND ACard, UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  void CreateCards();
  void CreateControls();
  void AttachTrayIcon();
  void CreateFonts();
  void Layout();
  void MirrorCards();
  void RestoreFocus();
  int Scale(int AValue) const noexcept { return MulDiv(AValue, FDpi, 96); }
  HWND AddChild(HWND AParent, int AId, const wchar_t* AClass, const wchar_t* AText, DWORD AStyle, DWORD AExStyle = 0);
  TPeer* PeerOf(HWND AChild) const;
  template <class TPeerType, class... TArgs> TPeerType& Bind(TArgs&&... AArgs);
  // Width a button needs for its icon and caption.
  int ButtonWidth(const TButton& AButton) const;
  // An input field drawn as a box: AControl (and its up-down arrows) placed inside ASlot,
  // vertically centred, the box painted by the card around it.
  void PlaceField(HWND AControl, HWND AUpDown, const RECT& ASlot);
  void PaintFields(HWND ACard, HDC ADC);
  void InvalidateField(HWND AControl);

  HINSTANCE FInstance;
  HWND FOwner;
  HWND FHandle = nullptr;
  UINT FDpi = 96;
  TSystemClock FClock;
  TWin32Registry FRegistry;
  TWin32Shell FShell;
  TWin32Clipboard FClipboard{[this] { return FHandle; }};
  TWin32Hotkeys FHotkeys{[this] { return FHandle; }};
  TWin32Dialogs FDialogs;
  std::unique_ptr<TMainForm> FForm;
  std::vector<std::unique_ptr<TPeer>> FPeers;
  std::unique_ptr<TTrayIconPeer> FTray;
  TUniqueGdiObject FFont;
  TUniqueGdiObject FMemoFont;
  TUniqueGdiObject FTitleFont;
  TUniqueGdiObject FWindowBrush;
  TUniqueGdiObject FFieldBrush;
  TUniqueGdiObject FStripBrush;
  TUniqueIcon FIcon;
  TUniqueIcon FLogo;
  HIMAGELIST FImages = nullptr;
  bool FDestroying = false;
  // The control that had the focus when the window was last deactivated.
  HWND FLastFocus = nullptr;
  // The boxes drawn around input fields, in their card's coordinates.
  std::map<HWND, RECT> FFields;

  // Children that the layout places by hand.
  struct TChildren {
    HWND crdMain, crdSettings, crdInfo;
    HWND btnCard1, btnCard2, btnCard3, btnQuit;
    HWND SpeedButton1, spnClipboardPage, spnClipboardPageUpDown, trkSlider, Image1, Memo1;
    HWND btnDeleteEntry, btnSave, Label1;
    HWND SettingsCaptions[10];
    HWND SettingsInputs[10];
    HWND SettingsUpDown;
    HWND Image2, lblAppInfo, swtShowLog, btnShowTutorial, chkUpdate, MemoInfoLog;
  } FChildren{};
};

} // namespace tarvel
