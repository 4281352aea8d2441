#pragma once

#include <windows.h>

#include <functional>

#include "hotkeys/uHotkeys.h"

namespace tarvel {

// RegisterHotKey for one window, asked for when needed (it is created after this object).
class TWin32Hotkeys final : public IHotkeys {
public:
  explicit TWin32Hotkeys(std::function<HWND()> AWindow) : FWindow(std::move(AWindow)) {}

  bool Register(int AId, std::uint32_t AModifiers, std::uint32_t AVirtualKey) override {
    return RegisterHotKey(FWindow(), AId, AModifiers, AVirtualKey) != FALSE;
  }
  void Unregister(int AId) override { UnregisterHotKey(FWindow(), AId); }

private:
  std::function<HWND()> FWindow;
};

} // namespace tarvel
