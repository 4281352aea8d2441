#include "Process.h"

#include <tlhelp32.h>

#include <stdexcept>
#include <thread>

namespace tarvel::e2e {

std::wstring TarvelExePath() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  path.erase(path.find_last_of(L"\\/") + 1);
  return path + L"tarvel.exe";
}

TProcess TProcess::Start(const std::wstring& AExe, const std::wstring& AArguments) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = L"\"" + AExe + L"\"" + (AArguments.empty() ? L"" : L" " + AArguments);
  if (!CreateProcessW(AExe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    throw std::runtime_error("CreateProcessW failed with code " + std::to_string(GetLastError()));
  CloseHandle(pi.hThread);
  TProcess p;
  p.FProcess.Reset(pi.hProcess);
  p.FId = pi.dwProcessId;
  return p;
}

TProcess::~TProcess() {
  if (FProcess && Running())
    Kill();
}

bool TProcess::Running() const {
  return WaitForSingleObject(FProcess.Get(), 0) == WAIT_TIMEOUT;
}

bool TProcess::WaitForExit(DWORD AMilliseconds) const {
  return WaitForSingleObject(FProcess.Get(), AMilliseconds) == WAIT_OBJECT_0;
}

DWORD TProcess::ExitCode() const {
  DWORD code = 0;
  GetExitCodeProcess(FProcess.Get(), &code);
  return code;
}

void TProcess::Kill() {
  if (!FProcess.Valid())
    return;
  TerminateProcess(FProcess.Get(), 99);
  WaitForExit(5000);
}

int CountProcesses(const std::wstring& AName) {
  TUniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot)
    return -1;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL ok = Process32FirstW(snapshot.Get(), &entry); ok; ok = Process32NextW(snapshot.Get(), &entry))
    if (lstrcmpiW(entry.szExeFile, AName.c_str()) == 0)
      ++count;
  return count;
}

namespace {

struct TWindowSearch {
  DWORD Id;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND AWindow, LPARAM AParam) {
  auto* search = reinterpret_cast<TWindowSearch*>(AParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(AWindow, &pid);
  if (pid == search->Id)
    search->Found.push_back(AWindow);
  return TRUE;
}

} // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD AProcessId) {
  TWindowSearch search{AProcessId, {}};
  EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

bool WaitUntil(const std::function<bool()>& ACondition, std::chrono::milliseconds ATimeout) {
  const auto deadline = std::chrono::steady_clock::now() + ATimeout;
  for (;;) {
    if (ACondition())
      return true;
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

} // namespace tarvel::e2e
