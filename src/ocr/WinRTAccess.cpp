#include "ocr/WinRTAccess.h"

#include "core/Text.h"

namespace tarvel {

namespace {

constexpr std::int32_t EInvalidArg = static_cast<std::int32_t>(0x80070057u);
constexpr std::int32_t RpcEChangedMode = static_cast<std::int32_t>(0x80010106u);

std::u16string BoolText(bool AValue) {
  return AValue ? u"True" : u"False";
}

} // namespace

void AppendDiagnostic(const TOcrLog& ALog, std::u16string_view AText) {
  if (!ALog.Lines)
    return;
  // The user's time separator, as in every stamp of the log.
  ALog.Lines->push_back(FormatDateTime(DiagnosticTimePattern, ALog.Clock.Now(), ALog.Clock.TimeSeparator()) + u" " +
                        std::u16string(AText));
}

bool InitializeRuntime(const TOcrContext& AContext, TRuntimeApartment ARequested, bool& ANeedsUninitialize) {
  ANeedsUninitialize = false;
  const int requested = static_cast<int>(ARequested);
  int effective = requested;
  std::int32_t result = AContext.Runtime.Initialize(effective);
  if (result == EInvalidArg && ARequested == TRuntimeApartment::MultiThreaded) {
    AppendDiagnostic(AContext, u"RoInitialize multi-threaded ha restituito E_INVALIDARG: ritento single-threaded");
    effective = static_cast<int>(TRuntimeApartment::SingleThreaded);
    result = AContext.Runtime.Initialize(effective);
  }
  ANeedsUninitialize = result >= 0;
  const bool ok = ANeedsUninitialize || result == RpcEChangedMode;
  AppendDiagnostic(AContext, Format(u"RoInitialize(requested=%s/%d effective=%d) => %s needsUninit=%s ok=%s",
                                    {ApartmentName(requested), requested, effective, HResultToText(result),
                                     BoolText(ANeedsUninitialize), BoolText(ok)}));
  return ok;
}

std::u16string ApartmentName(int AKind) {
  switch (AKind) {
  case static_cast<int>(TRuntimeApartment::SingleThreaded): return u"single-threaded";
  case static_cast<int>(TRuntimeApartment::MultiThreaded): return u"multi-threaded";
  default: return IntToStr(AKind);
  }
}

std::u16string AsyncStatusName(std::int32_t AStatus) {
  switch (AStatus) {
  case AsyncStarted: return u"Started";
  case AsyncCompleted: return u"Completed";
  case AsyncCanceled: return u"Canceled";
  case AsyncError: return u"Error";
  default: return IntToStr(AStatus);
  }
}

std::u16string HResultToText(std::int32_t AResult) {
  static constexpr char16_t Digits[] = u"0123456789ABCDEF";
  const auto value = static_cast<std::uint32_t>(AResult);
  std::u16string text = u"$";
  for (int shift = 28; shift >= 0; shift -= 4)
    text += Digits[(value >> shift) & 0xF];
  return text;
}

} // namespace tarvel
