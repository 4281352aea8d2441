#pragma once

#include <functional>

#include "app/MainWindow.h"

namespace tarvel {

class TFakeMainWindow : public IMainWindow {
public:
  bool Visible = false;
  bool Destroyed = false;
  int BroughtToFront = 0;
  bool LeftButtonDown = false;
  // Run when the window is destroyed and when a hidden window is shown (the form's
  // FormDestroy and FormShow, as the real window does).
  std::function<void()> OnDestroy;
  std::function<void()> OnShow;

  void Show() override {
    const bool wasHidden = !Visible;
    Visible = true;
    if (wasHidden && OnShow)
      OnShow();
  }
  void Hide() override { Visible = false; }
  bool IsVisible() const override { return Visible; }
  void RestoreAndBringToFront() override { ++BroughtToFront; }
  void DestroyAndTerminate() override {
    Visible = false;
    Destroyed = true;
    if (OnDestroy)
      OnDestroy();
  }
  bool IsLeftButtonDown() const override { return LeftButtonDown; }
};

} // namespace tarvel
