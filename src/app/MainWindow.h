#pragma once

namespace tarvel {

// The real window behind TMainForm: what the controller asks of it.
class IMainWindow {
public:
  virtual ~IMainWindow() = default;
  // Shows the window; one that was hidden runs the form's FormShow as it comes up.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool IsVisible() const = 0;
  // Un-minimises the program and brings the window to the foreground.
  virtual void RestoreAndBringToFront() = 0;
  // Destroys the window (its FormDestroy runs) and ends the message loop.
  virtual void DestroyAndTerminate() = 0;
  // Whether the left mouse button is held down now (a slider drag in progress).
  virtual bool IsLeftButtonDown() const = 0;
};

} // namespace tarvel
