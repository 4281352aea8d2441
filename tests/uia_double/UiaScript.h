#pragma once

// Scripting the UI Automation double (tarvel_uia_double.dll) from a test program.
//
// Wine has no UI Automation class, so the test programs register a double of their own in
// the test prefix (TUiaDoubleRegistration) before they start Tarvel. Tarvel loads the double
// into its own process when it creates the class; the test program is another process, and
// the two meet through one named file mapping per scripted window:
//
//   name    Local\TarvelUiaDouble.<HWND as 8 upper-case hex digits>
//   layout  THeader, then the name, the value and the text one after another as UTF-16
//           (no terminators; lengths in the header), in at most Capacity units together.
//
// TUiaScript creates the mapping and rewrites it whole on every change, bumping Version to
// an odd number before and to an even one after, so that the double, which opens the
// mapping on every call it plays, never reads half a script. The double ORs what it was
// asked into Asked (interlocked) and writes nothing else.
//
// A window without a mapping is an element with an empty name, no value or text pattern,
// not a password, and what it is asked is not recorded. The element under a point is the
// deepest visible child window there, even a disabled or static one; its bounding rectangle
// is the window's. The test program's target must depend on tarvel_uia_double.
//
//   TUiaDoubleRegistration registration;      // before Tarvel starts
//   TUiaScript edit(editWindow);
//   edit.Name(L"User").Value(L"  two\r\nlines ");
//   ... Tarvel reads the text under the cursor ...
//   EXPECT_TRUE(edit.NameAsked());

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "doubles/RegistryValues.h"

namespace tarvel::uia_double {

// What the double was asked about a window; Asked() ORs them together.
inline constexpr LONG AskedName = 1;     // get_CurrentName
inline constexpr LONG AskedValue = 2;    // the value pattern's get_CurrentValue
inline constexpr LONG AskedText = 4;     // the text range's GetText
inline constexpr LONG AskedPassword = 8; // get_CurrentIsPassword
inline constexpr LONG AskedBounds = 16;  // get_CurrentBoundingRectangle

inline constexpr wchar_t AutomationClsid[] = L"{FF48DBA4-60EF-4201-AA87-54103EEF594E}";
inline constexpr wchar_t DllName[] = L"tarvel_uia_double.dll";

// The record in the mapping, shared with the double.
inline constexpr DWORD Magic = 0x41495554;  // "TUIA"
inline constexpr DWORD Capacity = 1u << 18; // UTF-16 units for the three strings together

enum TFlags : DWORD {
  HasName = 1,
  HasValue = 2, // the element has a value pattern
  HasText = 4,  // the element has a text pattern
  IsPassword = 8,
  NameFails = 16, // the call fails with E_FAIL (and is recorded as asked all the same)
  ValueFails = 32,
  TextFails = 64,
};

enum TString { NameString, ValueString, TextString, StringCount };

struct THeader {
  DWORD Magic;
  volatile LONG Version; // odd while the test program rewrites the script
  volatile LONG Asked;
  DWORD Flags;
  DWORD Lengths[StringCount]; // in UTF-16 units
};

inline constexpr DWORD MappingSize = sizeof(THeader) + Capacity * sizeof(wchar_t);

inline std::wstring MappingName(HWND AWindow) {
  std::wstring name = L"Local\\TarvelUiaDouble.";
  const auto handle = static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(AWindow));
  for (int shift = 28; shift >= 0; shift -= 4)
    name += L"0123456789ABCDEF"[handle >> shift & 15];
  return name;
}

// Scripts what the double answers for one window while the object lives. Setters chain.
class TUiaScript {
public:
  // An element with an empty name, no patterns, not a password, whose asks are recorded.
  // Raises std::runtime_error when the window is scripted already or the mapping fails.
  explicit TUiaScript(HWND AWindow) {
    FMapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, MappingSize, MappingName(AWindow).c_str());
    if (FMapping && GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(FMapping);
      throw std::runtime_error("TUiaScript: the window is scripted already");
    }
    if (FMapping)
      FHeader = static_cast<THeader*>(MapViewOfFile(FMapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!FHeader) {
      if (FMapping)
        CloseHandle(FMapping);
      throw std::runtime_error("TUiaScript: cannot create the mapping");
    }
    FHeader->Magic = Magic;
  }
  ~TUiaScript() {
    UnmapViewOfFile(FHeader);
    CloseHandle(FMapping);
  }
  TUiaScript(const TUiaScript&) = delete;
  TUiaScript& operator=(const TUiaScript&) = delete;

  // std::nullopt takes the string away again: an empty name, no value pattern, no text pattern.
  TUiaScript& Name(std::optional<std::wstring> AName) { return Put(NameString, HasName, std::move(AName)); }
  TUiaScript& Value(std::optional<std::wstring> AValue) { return Put(ValueString, HasValue, std::move(AValue)); }
  TUiaScript& Text(std::optional<std::wstring> AText) { return Put(TextString, HasText, std::move(AText)); }
  TUiaScript& Password(bool AOn = true) { return Set(IsPassword, AOn); }
  TUiaScript& FailName(bool AOn = true) { return Set(NameFails, AOn); }
  TUiaScript& FailValue(bool AOn = true) { return Set(ValueFails, AOn); }
  TUiaScript& FailText(bool AOn = true) { return Set(TextFails, AOn); }

  LONG Asked() const { return InterlockedCompareExchange(&FHeader->Asked, 0, 0); }
  bool NameAsked() const { return Asked() & AskedName; }
  bool ValueAsked() const { return Asked() & AskedValue; }
  bool TextAsked() const { return Asked() & AskedText; }
  bool PasswordAsked() const { return Asked() & AskedPassword; }
  bool BoundsAsked() const { return Asked() & AskedBounds; }
  void ForgetAsked() { InterlockedExchange(&FHeader->Asked, 0); }

private:
  HANDLE FMapping = nullptr;
  THeader* FHeader = nullptr;
  DWORD FFlags = 0;
  std::wstring FStrings[StringCount];

  TUiaScript& Put(TString AWhich, DWORD AFlag, std::optional<std::wstring> AString) {
    std::size_t total = AString ? AString->size() : 0;
    for (int i = 0; i < StringCount; ++i)
      total += i == AWhich ? 0 : FStrings[i].size();
    if (total > Capacity)
      throw std::length_error("TUiaScript: the strings do not fit the mapping");
    FStrings[AWhich] = AString ? std::move(*AString) : std::wstring();
    return Set(AFlag, AString.has_value());
  }

  // Rewrites the whole record.
  TUiaScript& Set(DWORD AFlag, bool AOn) {
    FFlags = AOn ? FFlags | AFlag : FFlags & ~AFlag;
    InterlockedIncrement(&FHeader->Version);
    FHeader->Flags = FFlags;
    auto* chars = reinterpret_cast<wchar_t*>(FHeader + 1);
    for (int i = 0; i < StringCount; ++i) {
      FHeader->Lengths[i] = static_cast<DWORD>(FStrings[i].size());
      chars = std::copy(FStrings[i].begin(), FStrings[i].end(), chars);
    }
    InterlockedIncrement(&FHeader->Version);
    return *this;
  }
};

// Registers the double as the UI Automation class for the whole prefix (HKLM: Wine's COM
// does not look at HKCU) while the object lives, from beside the running program, and puts
// back exactly what was there before. Raises std::runtime_error when it cannot.
class TUiaDoubleRegistration {
public:
  TUiaDoubleRegistration() : FServer(HKEY_LOCAL_MACHINE, ServerKey()) {
    const std::wstring path = DllPath();
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
      throw std::runtime_error("TUiaDoubleRegistration: tarvel_uia_double.dll is not beside the program");
    FServer.Set(L"", test::TRegistryValues::String(path)); // the key's default value
    FServer.Set(L"ThreadingModel", test::TRegistryValues::String(L"Both"));
  }
  TUiaDoubleRegistration(const TUiaDoubleRegistration&) = delete;
  TUiaDoubleRegistration& operator=(const TUiaDoubleRegistration&) = delete;

  static std::wstring DllPath() { return test::FileBesideProgram(DllName); }

private:
  static std::wstring ServerKey() {
    return std::wstring(L"Software\\Classes\\CLSID\\") + AutomationClsid + L"\\InprocServer32";
  }

  // Put back as they were when it goes, down to the class key if it had to be made.
  test::TRegistryValues FServer;
};

} // namespace tarvel::uia_double
