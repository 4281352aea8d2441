#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "core/win32/Handles.h"
#include "core/win32/MemoryDib.h"
#include "ocr/uOcrSelector.h"

namespace tarvel {

// The overlay's window class, for tests that look for it on screen.
inline constexpr wchar_t SelectionOverlayClass[] = L"TarvelSelectionOverlay";

// The selection overlay's window: borderless, topmost, out of the taskbar and the task
// switcher, as large as the virtual screen, showing the frozen screen pixel for pixel. It
// feeds mouse and key events to the model and paints what the model says; it decides
// nothing itself.
class TOcrSelectionForm {
public:
  // Creates the window, hidden, at AScreen's virtual rectangle. AScreen and AModel are
  // borrowed and must outlive the window.
  TOcrSelectionForm(HINSTANCE AInstance, const TFrozenScreen& AScreen, TSelectionModel& AModel);
  ~TOcrSelectionForm();
  TOcrSelectionForm(const TOcrSelectionForm&) = delete;
  TOcrSelectionForm& operator=(const TOcrSelectionForm&) = delete;

  HWND Handle() const noexcept { return FWindow.Get(); }
  // Places the window topmost over the virtual screen, shows and activates it, and
  // dispatches the process's messages until the model is finished. Every key goes to the
  // overlay, whichever window of the program has the focus. A quit request ends the loop as
  // a cancel and is passed on to the outer loop.
  void ShowModal();
  // The accepted selection in screen coordinates; (0, 0, 0, 0) unless one was accepted.
  TRect SelectedRect() const noexcept { return FModel.SelectedRect(); }

  // The overlay window's messages (ObjectWindowProc).
  LRESULT HandleMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);

private:
  void MouseDown(TMouseButton AButton, LPARAM ALParam);
  void Invalidate(const std::vector<TRect>& ARects);
  void Paint();
  void DrawOverlay(HDC ADC, const RECT& AClip);
  // The modal loop may be asleep in GetMessage when the model finishes inside a message
  // sent to the window: a posted null message wakes it.
  void WakeWhenFinished();

  const TFrozenScreen& FScreen;
  TSelectionModel& FModel;
  // The frozen image in a form GDI paints from.
  TMemoryDib FImage;
  TUniqueGdiObject FPen;
  // The label's font, made for the size the label asks for.
  TUniqueGdiObject FFont;
  int FFontPixels = 0;
  TUniqueWindow FWindow;
  bool FWakePosted = false;
};

// Runs the overlay window for one selection, and gives the keyboard back to the window
// that had it before.
class TWin32SelectionOverlay final : public ISelectionOverlay {
public:
  explicit TWin32SelectionOverlay(HINSTANCE AInstance) : FInstance(AInstance) {}
  void Run(const TFrozenScreen& AScreen, TSelectionModel& AModel) override;

private:
  HINSTANCE FInstance;
};

} // namespace tarvel
