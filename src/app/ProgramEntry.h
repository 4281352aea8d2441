#pragma once

namespace tarvel {

// What the process entry needs from the platform, in the order it uses it.
class IProgramHost {
public:
  virtual ~IProgramHost() = default;
  // Takes the session-wide single-instance lock; false when another instance holds it
  // or the lock cannot be created.
  virtual bool AcquireSingleInstance() = 0;
  virtual void ReleaseSingleInstance() noexcept = 0;
  // The hidden application-level window and everything else the program needs before
  // its first window.
  virtual void InitializeApplication() = 0;
  // The first-run tutorial, when the stored settings do not suppress it; returns when it
  // is closed. False when the session ended meanwhile: the program then ends.
  virtual bool ShowTutorialIfNeeded() = 0;
  // The main window; it starts hidden.
  virtual void CreateMainWindow() = 0;
  virtual void HideApplicationWindow() = 0;
  virtual void RunMessageLoop() = 0;
};

// The process's main routine: one instance per session, hidden start, message loop.
// Returns the exit code. A second instance returns 0 at once without touching anything
// else. The single-instance lock is released on every path, also when a step raises
// (the error then propagates to the caller).
int RunProgram(IProgramHost& AHost);

} // namespace tarvel
