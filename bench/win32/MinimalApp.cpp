// The least a tray program of Tarvel's kind does, as the yardstick of the lifecycle bench: a
// window, a notification-area icon and a clipboard listener, and a quit confirmed in a
// message box that removes them again. With --nothing it ends at once, as a program that
// does nothing.
//   tarvel_minimal_app.exe [--shown | --nothing]
// WM_APP (posted to its window of class TarvelMinimalApp) asks whether to quit.
#include <windows.h>

#include <shellapi.h>

#include <cwchar>

namespace {

constexpr wchar_t ClassName[] = L"TarvelMinimalApp";

LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
  case WM_APP:
    if (MessageBoxW(AWindow, L"Quit?", L"Minimal", MB_YESNO | MB_ICONWARNING) == IDYES)
      DestroyWindow(AWindow);
    return 0;
  case WM_DESTROY: {
    RemoveClipboardFormatListener(AWindow);
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = AWindow;
    icon.uID = 1;
    Shell_NotifyIconW(NIM_DELETE, &icon);
    PostQuitMessage(0);
    return 0;
  }
  default: return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  }
}

} // namespace

int WINAPI wWinMain(HINSTANCE AInstance, HINSTANCE, PWSTR ACommandLine, int) {
  if (std::wcsstr(ACommandLine, L"--nothing"))
    return 0;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = AInstance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = ClassName;
  RegisterClassExW(&wc);
  const HWND window = CreateWindowExW(0, ClassName, L"Minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 480,
                                      360, nullptr, nullptr, AInstance, nullptr);
  if (!window)
    return 1;
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = window;
  icon.uID = 1;
  icon.uFlags = NIF_ICON | NIF_TIP;
  icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  std::wcscpy(icon.szTip, L"Minimal");
  Shell_NotifyIconW(NIM_ADD, &icon);
  AddClipboardFormatListener(window);
  if (std::wcsstr(ACommandLine, L"--shown"))
    ShowWindow(window, SW_SHOW);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
