#pragma once

#include <windows.h>

#include <string>

namespace tarvel {

// The program built beside the test program.
inline std::wstring TarvelExePath() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  path.erase(path.find_last_of(L"\\/") + 1);
  return path + L"tarvel.exe";
}

} // namespace tarvel
