#include "core/win32/Check.h"

#include "core/Text.h"

namespace tarvel {

std::u16string ToU16(const wchar_t* AText) {
  return AText ? std::u16string(reinterpret_cast<const char16_t*>(AText)) : std::u16string();
}

std::u16string ToU16(const std::wstring& AText) {
  return std::u16string(reinterpret_cast<const char16_t*>(AText.data()), AText.size());
}

std::wstring ToWide(const std::u16string& AText) {
  return std::wstring(reinterpret_cast<const wchar_t*>(AText.data()), AText.size());
}

std::u16string SystemErrorMessage(DWORD ACode) {
  wchar_t* buffer = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, ACode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text;
  if (n > 0 && buffer)
    text = TrimRight(ToU16(buffer));
  if (buffer)
    LocalFree(buffer);
  if (text.empty())
    text = Format(u"System error %u", {static_cast<unsigned>(ACode)});
  return text;
}

void RaiseOSError(const char* ACall, DWORD ACode) {
  const std::u16string call = FromUtf8(ACall ? ACall : "");
  throw EOSError(Format(u"%s failed: %s (code %u)", {call, SystemErrorMessage(ACode), static_cast<unsigned>(ACode)}),
                 ACode);
}

void RaiseLastOSError(const char* ACall) {
  RaiseOSError(ACall, GetLastError());
}

} // namespace tarvel
