#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "core/Errors.h"

namespace tarvel {

// The system's text for a Win32 error code or HRESULT, without the trailing line break.
std::u16string SystemErrorMessage(DWORD ACode);
std::u16string ToU16(const wchar_t* AText);
std::u16string ToU16(const std::wstring& AText);
std::wstring ToWide(const std::u16string& AText);

// The throw variants of the check family (core/Errors.h has its return and log variants).
// These raise EOSError naming the call and the code.
[[noreturn]] void RaiseLastOSError(const char* ACall);
[[noreturn]] void RaiseOSError(const char* ACall, DWORD ACode);

// Raises the program's own error TError (built from a message), "<AWhat>: <the system's
// text for GetLastError>".
template <class TError> [[noreturn]] void RaiseLastError(std::u16string_view AWhat) {
  const DWORD code = GetLastError();
  throw TError(std::u16string(AWhat) + u": " + SystemErrorMessage(code));
}

// A BOOL-style result (or a handle/pointer that is null on failure): GetLastError tells why.
template <class T> T CheckWin32(T AResult, const char* ACall) {
  if (!AResult)
    RaiseLastOSError(ACall);
  return AResult;
}

// The same, raising TError as RaiseLastError does.
template <class TError, class T> T CheckWin32(T AResult, std::u16string_view AWhat) {
  if (!AResult)
    RaiseLastError<TError>(AWhat);
  return AResult;
}

// A registry-style status (ERROR_SUCCESS on success).
inline void CheckStatus(LSTATUS AStatus, const char* ACall) {
  if (AStatus != ERROR_SUCCESS)
    RaiseOSError(ACall, static_cast<DWORD>(AStatus));
}

inline HRESULT CheckHResult(HRESULT AResult, const char* ACall) {
  if (FAILED(AResult))
    RaiseOSError(ACall, static_cast<DWORD>(AResult));
  return AResult;
}

} // namespace tarvel
