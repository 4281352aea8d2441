#pragma once

#include <functional>

#include "app/MainWindow.h"

namespace tarvel {

class TFakeMainWindow : public IMainWindow {
public:
  bool Visible = false;
  bool Destroyed = false;
  int BroughtToFront = 0;
  int RowWidth = 557;
  int EditRight = 180;
  bool LeftButtonDown = false;
  // Runs when the window is destroyed (the form's FormDestroy, as the real window does).
  std::function<void()> OnDestroy;

  void Show() override { Visible = true; }
  void Hide() override { Visible = false; }
  bool IsVisible() const override { return Visible; }
  void RestoreAndBringToFront() override { ++BroughtToFront; }
  void DestroyAndTerminate() override {
    Visible = false;
    Destroyed = true;
    if (OnDestroy)
      OnDestroy();
  }
  int SliderRowClientWidth() const override { return RowWidth; }
  int PageEditRight() const override { return EditRight; }
  bool IsLeftButtonDown() const override { return LeftButtonDown; }
};

} // namespace tarvel
