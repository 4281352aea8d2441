#include "core/win32/Clock.h"

#include <windows.h>

namespace tarvel {

TLocalDateTime TSystemClock::Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

std::uint64_t TSystemClock::TickCount64() { return GetTickCount64(); }

void TSystemClock::Sleep(std::uint32_t AMilliseconds) { ::Sleep(AMilliseconds); }

} // namespace tarvel
