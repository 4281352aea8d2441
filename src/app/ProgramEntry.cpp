#include "app/ProgramEntry.h"

namespace tarvel {

int RunProgram(IProgramHost& AHost) {
  if (!AHost.AcquireSingleInstance())
    return 0;

  struct TReleaseOnExit {
    IProgramHost& Host;
    ~TReleaseOnExit() { Host.ReleaseSingleInstance(); }
  } release{AHost};

  AHost.InitializeApplication();
  if (!AHost.ShowTutorialIfNeeded())
    return 0;
  AHost.CreateMainWindow();
  AHost.HideApplicationWindow();
  AHost.RunMessageLoop();
  return 0;
}

} // namespace tarvel
