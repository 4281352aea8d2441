// The tutorial window: four pages drawn at run time at the window's size, the navigation
// buttons and the check box, in the main window's look, with a modal loop of its own.
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
#include "core/win32/ErrorBoundary.h"
#include "core/win32/Handles.h"
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
    bool quit = false;
    int exitCode = 0;
    MSG msg;
    while (FHandle && IsWindow(FHandle)) {
      const BOOL r = GetMessageW(&msg, nullptr, 0, 0);
      if (r == 0) {
        quit = true;
        exitCode = static_cast<int>(msg.wParam);
        break;
      }
      if (r == -1)
        break;
      if (msg.message == WM_KEYDOWN && (msg.hwnd == FHandle || IsChild(FHandle, msg.hwnd))) {
        if (msg.wParam == VK_ESCAPE) {
          SendMessageW(FHandle, WM_CLOSE, 0, 0);
          continue;
        }
        if (msg.wParam == VK_RETURN) {
          // The focused button acts; otherwise Enter means Next.
          (GetFocus() == FPrevious ? FForm.btnPrevious : FForm.btnNext).Click();
          continue;
        }
      }
      if (IsDialogMessageW(FHandle, &msg))
        continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (ownerWasEnabled)
      EnableWindow(AOwner, TRUE);
    if (quit) {
      // Closed by the end of the loop: the choice is stored as on any close.
      if (FHandle && IsWindow(FHandle))
        SendMessageW(FHandle, WM_CLOSE, 0, 0);
      PostQuitMessage(exitCode);
    } else if (AOwner && IsWindowVisible(AOwner)) {
      SetForegroundWindow(AOwner);
    }
    return !quit;
  }

private:
  int Scale(int AValue) const noexcept { return MulDiv(AValue, FDpi, 96); }

  void Create(HWND AOwner) {
    RegisterWindowClassOnce(FInstance, TutorialWindowClass, WindowProc);
    RegisterWindowClassOnce(FInstance, TutorialPageClass, PageProc);
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

    FPage = AddChild(idTutorialPage, TutorialPageClass, L"", 0);
    SetWindowLongPtrW(FPage, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // Creation order is Tab order.
    FPrevious = AddChild(idTutorialPrevious, WC_BUTTONW, L"Previous", WS_TABSTOP | BS_OWNERDRAW);
    FPeers.Bind<TButtonPeer>(FForm.btnPrevious, FPrevious, nullptr, false);
    FCheck = AddChild(idTutorialDontShow, WC_BUTTONW, L"Don't show this tutorial again", WS_TABSTOP | BS_OWNERDRAW);
    SetWindowSubclass(FCheck, CheckBoxProc, 1, reinterpret_cast<DWORD_PTR>(this));
    FNext = AddChild(idTutorialNext, WC_BUTTONW, L"Next", WS_TABSTOP | BS_OWNERDRAW);
    FPeers.Bind<TButtonPeer>(FForm.btnNext, FNext, nullptr, false);

    FForm.chkDontShowTutorial.OnModelChanged = [this] { InvalidateRect(FCheck, nullptr, FALSE); };
    FForm.OnPageChanged = [this] { InvalidateRect(FPage, nullptr, FALSE); };
    FForm.OnCloseRequest = [this] { PostMessageW(FHandle, WM_CLOSE, 0, 0); };
    Layout();
  }

  HWND AddChild(int AId, const wchar_t* AClass, const wchar_t* AText, DWORD AStyle) {
    HWND child = CheckWin32(CreateWindowExW(0, AClass, AText, WS_CHILD | WS_VISIBLE | AStyle, 0, 0, 10, 10, FHandle,
                                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(AId)), FInstance, nullptr),
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
    const HGDIOBJ old = SelectObject(memory.Get(), bitmap.Get());
    FillRectColor(memory.Get(), client, theme::Field);
    const double scale =
        std::min(static_cast<double>(w) / TutorialPageWidth, static_cast<double>(h) / TutorialPageHeight);
    const int left = static_cast<int>((w - TutorialPageWidth * scale) / 2);
    const int top = static_cast<int>((h - TutorialPageHeight * scale) / 2);
    DrawTutorialPage(memory.Get(), scale, left, top, FForm.PageIndex(), FForm.LastPageIndex() + 1, FPageIcon.Get());
    BitBlt(ADC, 0, 0, w, h, memory.Get(), 0, 0, SRCCOPY);
    SelectObject(memory.Get(), old);
  }

  void DrawCheckBox(const DRAWITEMSTRUCT& AItem) {
    const HDC dc = AItem.hDC;
    const RECT r = AItem.rcItem;
    FillRectColor(dc, r, theme::Strip);
    const int box = Scale(18);
    const int top = r.top + (r.bottom - r.top - box) / 2;
    const RECT boxRect{r.left + Scale(4), top, r.left + Scale(4) + box, top + box};
    const bool on = FForm.chkDontShowTutorial.IsOn();
    {
      TUniqueGdiObject brush(CreateSolidBrush(on ? theme::Accent : theme::Field));
      TUniqueGdiObject pen(CreatePen(PS_SOLID, std::max(1, Scale(1)), on ? theme::Accent : theme::TextDim));
      const HGDIOBJ oldBrush = SelectObject(dc, brush.Get());
      const HGDIOBJ oldPen = SelectObject(dc, pen.Get());
      RoundRect(dc, boxRect.left, boxRect.top, boxRect.right, boxRect.bottom, Scale(6), Scale(6));
      SelectObject(dc, oldBrush);
      SelectObject(dc, oldPen);
    }
    if (on) {
      LOGBRUSH lb{BS_SOLID, theme::Text, 0};
      TUniqueGdiObject pen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                                        static_cast<DWORD>(std::max(2, Scale(2))), &lb, 0, nullptr));
      const HGDIOBJ oldPen = SelectObject(dc, pen.Get());
      const POINT tick[] = {{boxRect.left + box * 4 / 18, boxRect.top + box * 9 / 18},
                            {boxRect.left + box * 7 / 18, boxRect.top + box * 13 / 18},
                            {boxRect.left + box * 14 / 18, boxRect.top + box * 5 / 18}};
      Polyline(dc, tick, 3);
      SelectObject(dc, oldPen);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, theme::Text);
    const HGDIOBJ oldFont = SelectObject(dc, FFont.Get());
    RECT text{boxRect.right + Scale(8), r.top, r.right - Scale(2), r.bottom};
    constexpr wchar_t caption[] = L"Don't show this tutorial again";
    DrawTextW(dc, caption, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    RECT measured = text;
    DrawTextW(dc, caption, -1, &measured, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_CALCRECT);
    SelectObject(dc, oldFont);
    if (ShowsFocus(AItem)) {
      const RECT focus{r.left, r.top + Scale(2), std::min<LONG>(r.right, measured.right + Scale(6)),
                       r.bottom - Scale(2)};
      DrawFocusOutline(dc, focus, Scale(6));
    }
  }

  static LRESULT CALLBACK CheckBoxProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR,
                                       DWORD_PTR AData) {
    auto* self = reinterpret_cast<TTutorialWindow*>(AData);
    // Other programs (and assistive tools) read and set the box as a standard one.
    if (AMessage == BM_GETCHECK)
      return self->FForm.chkDontShowTutorial.IsOn() ? BST_CHECKED : BST_UNCHECKED;
    if (AMessage == BM_SETCHECK) {
      self->FForm.chkDontShowTutorial.SetOn(AWParam == BST_CHECKED);
      return 0;
    }
    return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
  }

  static LRESULT CALLBACK PageProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
    return Guarded(AWindow, [&]() -> LRESULT {
      auto* self = reinterpret_cast<TTutorialWindow*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
      switch (AMessage) {
      case WM_ERASEBKGND: return 1;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(AWindow, &ps);
        if (self)
          self->PaintPage(dc);
        EndPaint(AWindow, &ps);
        return 0;
      }
      default: return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
      }
    });
  }

  static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
    return Guarded(AWindow, [&]() -> LRESULT {
      if (AMessage == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(ALParam);
        SetWindowLongPtrW(AWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      }
      auto* self = reinterpret_cast<TTutorialWindow*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
      if (!self)
        return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
      switch (AMessage) {
      case WM_COMMAND:
        if (reinterpret_cast<HWND>(ALParam) == self->FCheck && self->FCheck) {
          if (HIWORD(AWParam) == BN_CLICKED)
            self->FForm.chkDontShowTutorial.Toggle();
          return 0;
        }
        break;
      case WM_DRAWITEM:
        if (reinterpret_cast<const DRAWITEMSTRUCT*>(ALParam)->hwndItem == self->FCheck) {
          self->DrawCheckBox(*reinterpret_cast<const DRAWITEMSTRUCT*>(ALParam));
          return TRUE;
        }
        break;
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
            self->FLastFocus = focus;
        } else {
          SetFocus(self->FLastFocus ? self->FLastFocus : self->FNext);
        }
        return 0;
      case WM_CLOSE:
        self->FForm.FormClose();
        DestroyWindow(AWindow);
        return 0;
      case WM_DESTROY: self->FHandle = nullptr; return 0;
      default: break;
      }
      LRESULT result = 0;
      if (self->FPeers.Route(AMessage, AWParam, ALParam, result))
        return result;
      return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
    });
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
