#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/DateTime.h"
#include "ocr/OcrRuntime.h"

namespace tarvel {

// The diagnostic log of one OCR operation and the clock of its stamps and waits. Without
// lines nothing is recorded; everything else runs the same.
struct TOcrLog {
  IClock& Clock;
  std::vector<std::u16string>* Lines = nullptr;
};

// What an operation that calls the runtime runs with.
struct TOcrContext : TOcrLog {
  IWinRTRuntime& Runtime;
};

// Appends "hh:nn:ss.zzz " (with the user's time separator) and AText to the log, if there
// are lines.
void AppendDiagnostic(const TOcrLog& ALog, std::u16string_view AText);

// Initializes the runtime for the calling thread in the requested apartment; a refused
// multi-threaded request is tried once more single-threaded. False: no runtime calls on
// this thread. ANeedsUninitialize: the caller uninitializes once when done.
bool InitializeRuntime(const TOcrContext& AContext, TRuntimeApartment ARequested, bool& ANeedsUninitialize);

// "single-threaded", "multi-threaded", else the number.
std::u16string ApartmentName(int AKind);
// "Started", "Completed", "Canceled", "Error", else the number.
std::u16string AsyncStatusName(std::int32_t AStatus);
// "$" and eight upper-case hexadecimal digits: $80070057.
std::u16string HResultToText(std::int32_t AResult);

} // namespace tarvel
