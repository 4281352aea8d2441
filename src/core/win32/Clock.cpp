#include "core/win32/Clock.h"

#include <windows.h>

#include "core/win32/Check.h"

namespace tarvel {

TLocalDateTime TSystemClock::Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

std::uint64_t TSystemClock::TickCount64() {
  return GetTickCount64();
}

void TSystemClock::Sleep(std::uint32_t AMilliseconds) {
  ::Sleep(AMilliseconds);
}

std::u16string TSystemClock::TimeSeparator() {
  // Deprecated as a way to build time formats, but still the user's own choice of
  // separator; the system allows at most three characters and a terminator.
  wchar_t separator[8] = {};
  const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STIME, separator, 8);
  if (n <= 1)
    return u":";
  return ToU16(std::wstring(separator, static_cast<std::size_t>(n - 1)));
}

} // namespace tarvel
