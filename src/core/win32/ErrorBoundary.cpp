#include "core/win32/ErrorBoundary.h"

#include "core/BoxText.h"
#include "core/win32/Check.h"

namespace tarvel {

namespace {

TErrorHandler& Handler() {
  static TErrorHandler handler;
  return handler;
}

} // namespace

void SetErrorHandler(TErrorHandler AHandler) {
  Handler() = std::move(AHandler);
}

void ReportError(HWND AWindow, const std::u16string& AMessage) noexcept {
  try {
    if (Handler())
      Handler()(AWindow, AMessage);
    else
      MessageBoxW(AWindow, ToWide(FitBoxText(AMessage)).c_str(), L"Tarvel", MB_OK | MB_ICONERROR);
  } catch (...) {
    // Reporting must not fail in turn; there is nothing better left to do.
  }
}

} // namespace tarvel
