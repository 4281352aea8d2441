#pragma once

#include <functional>
#include <vector>

#include "ocr/uOcrSelector.h"

namespace tarvel {

// The overlay without a window: Run plays the scripted user actions into the model, in
// order, until the model is finished, and remembers what the overlay was shown.
class TFakeSelectionOverlay : public ISelectionOverlay {
public:
  using TAction = std::function<void(TSelectionModel&)>;
  std::vector<TAction> Script;
  // Runs before the script, while the overlay is "open": where a test presses other
  // hotkeys or changes the screen.
  std::function<void()> WhileOpen;
  int Runs = 0;
  TBitmap32 Shown;
  TRect ShownRect;

  // The usual user: a left-button drag from AFrom to ATo (client coordinates).
  static std::vector<TAction> Drag(TPoint AFrom, TPoint ATo) {
    return {[=](TSelectionModel& m) { m.MouseDown(TMouseButton::Left, AFrom); },
            [=](TSelectionModel& m) { m.MouseMove(ATo); },
            [=](TSelectionModel& m) { m.MouseUp(TMouseButton::Left, ATo); }};
  }
  static TAction Press(unsigned AVirtualKey) {
    return [=](TSelectionModel& m) { m.KeyDown(AVirtualKey); };
  }
  static TAction Click(TMouseButton AButton, TPoint APoint) {
    return [=](TSelectionModel& m) {
      m.MouseDown(AButton, APoint);
      m.MouseUp(AButton, APoint);
    };
  }

  void Run(const TFrozenScreen& AScreen, TSelectionModel& AModel) override {
    ++Runs;
    Shown = AScreen.Image;
    ShownRect = AScreen.VirtualRect;
    if (WhileOpen)
      WhileOpen();
    for (const TAction& action : Script) {
      if (AModel.Finished())
        break;
      action(AModel);
    }
    // A user who stops acting closes the overlay some other way.
    AModel.Close();
  }
};

} // namespace tarvel
