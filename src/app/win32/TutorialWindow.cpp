// The tutorial window: four pages drawn at run time at the window's size, the navigation
// buttons and the check box, in the main window's look, shown modally.
#include "app/win32/TutorialWindow.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/formTutorial.h"
#include "app/win32/Icons.h"
#include "app/win32/TutorialDrawing.h"
#include "core/Text.h"
#include "core/win32/Check.h"
#include "core/win32/Handles.h"
#include "core/win32/MessageLoop.h"
#include "core/win32/Windowing.h"
#include "ui/win32/PeerHost.h"
#include "ui/win32/PeerSupport.h"
#include "ui/win32/Theme.h"

namespace tarvel {
namespace {

constexpr int ClientWidth = 624;
constexpr int ClientHeight = 441;
constexpr int PanelHeight = 50;
constexpr int NextWidth = 150;
std::vector<std::u16string> PageNames() {
  std::vector<std::u16string> names;
  for (const TTutorialPage& page : TutorialPages())
    names.push_back(page.Name);
  return names;
}

class TTutorialWindow {
public:
  TTutorialWindow(HINSTANCE AInstance, IRegistry& ARegistry) : FInstance(AInstance), FForm(ARegistry, PageNames()) {}
  ~TTutorialWindow() {
    if (FHandle && IsWindow(FHandle))
      DestroyWindow(FHandle);
    FPeers.Clear();
  }

  // The modal loop; false when WM_QUIT came meanwhile.
  bool Run(HWND AOwner) {
    Create(AOwner);
    const bool ownerWasEnabled = AOwner && IsWindowEnabled(AOwner);
    if (ownerWasEnabled)
      EnableWindow(AOwner, FALSE);
    FForm.FormShow();
    ShowWindow(FHandle, SW_SHOW);
    SetForegroundWindow(FHandle);
    SetFocus(FNext);
    const TLoopEnd end =
        RunMessageLoop({[this] { return !FHandle || !IsWindow(FHandle); },
                        [this](const MSG& AMsg) { return PreviewKey(AMsg); }, [this] { return FHandle; }});
    if (ownerWasEnabled)
      EnableWindow(AOwner, TRUE);
    if (end.Quit) {
      // Closed by the end of the loop: the choice is stored as on any close.
      if (FHandle && IsWindow(FHandle))
        SendMessageW(FHandle, WM_CLOSE, 0, 0);
      PassQuitOn(end);
    } else if (AOwner && IsWindowVisible(AOwner)) {
      SetForegroundWindow(AOwner);
    }
    return !end.Quit;
  }

private:
  int Scale(int AValue) const noexcept { return MulDiv(AValue, FDpi, 96); }

  // Escape closes the window; Enter acts on the focused button, and means Next elsewhere.
  bool PreviewKey(const MSG& AMsg) {
    if (AMsg.message != WM_KEYDOWN || (AMsg.hwnd != FHandle && !IsChild(FHandle, AMsg.hwnd)))
      return false;
    if (AMsg.wParam == VK_ESCAPE) {
      SendMessageW(FHandle, WM_CLOSE, 0, 0);
      return true;
    }
    if (AMsg.wParam == VK_RETURN) {
      (GetFocus() == FPrevious ? FForm.btnPrevious : FForm.btnNext).Click();
      return true;
    }
    return false;
  }

  void Create(HWND AOwner) {
    RegisterWindowClassOnce(FInstance, TutorialWindowClass,
                            ObjectWindowProc<TTutorialWindow, &TTutorialWindow::WindowMessage>);
    RegisterWindowClassOnce(FInstance, TutorialPageClass,
                            ObjectWindowProc<TTutorialWindow, &TTutorialWindow::PageMessage>);
    constexpr DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    FHandle = CheckWin32(CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME, TutorialWindowClass,
                                         ToWide(TutorialCaption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                         ClientWidth, ClientHeight, AOwner, nullptr, FInstance, this),
                         "CreateWindowExW");
    FDpi = GetDpiForWindow(FHandle);
    if (FDpi == 0)
      FDpi = 96;
    CentreWithClientSize(FHandle, Scale(ClientWidth), Scale(ClientHeight), style,
                         WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME, FDpi);

    FIcon.Reset(CreateProgramIcon(GetSystemMetricsForDpi(SM_CXSMICON, FDpi)));
    FBigIcon.Reset(CreateProgramIcon(GetSystemMetricsForDpi(SM_CXICON, FDpi)));
    FPageIcon.Reset(CreateProgramIcon(Scale(20)));
    SendMessageW(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(FIcon.Get()));
    SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FBigIcon.Get()));
    FFont.Reset(CreateFontW(-Scale(15), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI"));

    FPage = AddChild(idTutorialPage, TutorialPageClass, L"", 0, this);
    // Creation order is Tab order.
    FPrevious = AddChild(idTutorialPrevious, WC_BUTTONW, L"Previous", WS_TABSTOP | BS_OWNERDRAW);
    FPeers.Bind<TButtonPeer>(FForm.btnPrevious, FPrevious, nullptr, false);
    FCheck = AddChild(idTutorialDontShow, WC_BUTTONW, L"", WS_TABSTOP | BS_OWNERDRAW);
    FPeers.Bind<TCheckBoxPeer>(FForm.chkDontShowTutorial, FCheck, theme::Strip);
    FNext = AddChild(idTutorialNext, WC_BUTTONW, L"Next", WS_TABSTOP | BS_OWNERDRAW);
    FPeers.Bind<TButtonPeer>(FForm.btnNext, FNext, nullptr, false);

    FForm.OnPageChanged = [this] { InvalidateRect(FPage, nullptr, FALSE); };
    FForm.OnCloseRequest = [this] { PostMessageW(FHandle, WM_CLOSE, 0, 0); };
    Layout();
  }

  HWND AddChild(int AId, const wchar_t* AClass, const wchar_t* AText, DWORD AStyle, void* AObject = nullptr) {
    HWND child = CheckWin32(CreateWindowExW(0, AClass, AText, WS_CHILD | WS_VISIBLE | AStyle, 0, 0, 10, 10, FHandle,
                                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(AId)), FInstance, AObject),
                            "CreateWindowExW");
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), FALSE);
    return child;
  }

  void Layout() {
    RECT client;
    GetClientRect(FHandle, &client);
    const int w = client.right;
    const int panelTop = client.bottom - Scale(PanelHeight);
    const int y = panelTop + Scale(10);
    const int h = Scale(30);
    MoveWindow(FPage, 0, 0, w, panelTop, FALSE);
    MoveWindow(FPrevious, Scale(12), y, Scale(110), h, FALSE);
    const int nextLeft = w - Scale(12) - Scale(NextWidth);
    MoveWindow(FCheck, Scale(138), y, nextLeft - Scale(150), h, FALSE);
    MoveWindow(FNext, nextLeft, y, Scale(NextWidth), h, FALSE);
  }

  void PaintPage(HDC ADC) {
    RECT client;
    GetClientRect(FPage, &client);
    const int w = client.right, h = client.bottom;
    TUniqueMemoryDC memory(CreateCompatibleDC(ADC));
    TUniqueBitmap bitmap(CreateCompatibleBitmap(ADC, std::max(w, 1), std::max(h, 1)));
    const auto selected = SelectScoped(memory.Get(), bitmap.Get());
    FillRectColor(memory.Get(), client, theme::Field);
    const double scale =
        std::min(static_cast<double>(w) / TutorialPageWidth, static_cast<double>(h) / TutorialPageHeight);
    const int left = static_cast<int>((w - TutorialPageWidth * scale) / 2);
    const int top = static_cast<int>((h - TutorialPageHeight * scale) / 2);
    DrawTutorialPage(memory.Get(), scale, left, top, FForm.PageIndex(), FForm.LastPageIndex() + 1, FPageIcon.Get());
    BitBlt(ADC, 0, 0, w, h, memory.Get(), 0, 0, SRCCOPY);
  }

  LRESULT PageMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
    switch (AMessage) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      const TPaintScope paint(AWindow);
      if (paint.DC())
        PaintPage(paint.DC());
      return 0;
    }
    default: return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
    }
  }

  LRESULT WindowMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
    switch (AMessage) {
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(AWindow, &client);
      FillRectColor(reinterpret_cast<HDC>(AWParam), client, theme::Strip);
      return 1;
    }
    case WM_ACTIVATE:
      // As a dialog does: the control that had the focus gets it back, Next at first.
      if (LOWORD(AWParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(AWindow, focus))
          FLastFocus = focus;
      } else {
        SetFocus(FLastFocus ? FLastFocus : FNext);
      }
      return 0;
    case WM_CLOSE:
      FForm.FormClose();
      DestroyWindow(AWindow);
      return 0;
    case WM_DESTROY: FHandle = nullptr; return 0;
    default: break;
    }
    LRESULT result = 0;
    if (FPeers.Route(AMessage, AWParam, ALParam, result))
      return result;
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  }

  HINSTANCE FInstance;
  TFormTutorial FForm;
  TPeerHost FPeers;
  HWND FHandle = nullptr;
  HWND FPage = nullptr;
  HWND FPrevious = nullptr;
  HWND FCheck = nullptr;
  HWND FNext = nullptr;
  HWND FLastFocus = nullptr;
  UINT FDpi = 96;
  TUniqueIcon FIcon;
  TUniqueIcon FBigIcon;
  TUniqueIcon FPageIcon;
  TUniqueGdiObject FFont;
};

} // namespace

bool RunTutorialWindow(HINSTANCE AInstance, HWND AOwner, IRegistry& ARegistry) {
  TTutorialWindow window(AInstance, ARegistry);
  return window.Run(AOwner);
}

} // namespace tarvel
