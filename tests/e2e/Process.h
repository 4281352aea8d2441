#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/win32/Handles.h"

namespace tarvel::e2e {

// Path of the tarvel.exe under test: beside this program.
std::wstring TarvelExePath();

// A started program; ended by force when the object goes, unless it has already exited.
class TProcess {
public:
  TProcess() = default;
  // AArguments follow the quoted program path on the command line.
  static TProcess Start(const std::wstring& AExe, const std::wstring& AArguments = {});
  TProcess(TProcess&&) = default;
  TProcess& operator=(TProcess&&) = default;
  ~TProcess();

  DWORD Id() const noexcept { return FId; }
  bool Running() const;
  // Waits for the exit; false on time-out.
  bool WaitForExit(DWORD AMilliseconds) const;
  DWORD ExitCode() const;
  void Kill();

private:
  TUniqueHandle FProcess;
  DWORD FId = 0;
};

// Number of running processes whose executable file name is AName (case-insensitive).
int CountProcesses(const std::wstring& AName);
// Top-level windows owned by a process.
std::vector<HWND> TopLevelWindowsOf(DWORD AProcessId);

// Polls ACondition every 20 ms until it holds or ATimeout passes.
bool WaitUntil(const std::function<bool()>& ACondition, std::chrono::milliseconds ATimeout);

} // namespace tarvel::e2e
