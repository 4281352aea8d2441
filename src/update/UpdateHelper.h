#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Shell.h"

namespace tarvel {

// The result of an update check: the published version, whether it is newer than ours,
// and its four numbers.
struct TVersion {
  std::u16string Version;
  bool NewVersion = false;
  std::int32_t Major = 0;
  std::int32_t Minor = 0;
  std::int32_t Patch = 0;
  std::int32_t Build = 0;
};

// The update server and the site offered for downloads.
inline constexpr char16_t UpdateServerHost[] = u"updates.tarvel.app";
inline constexpr char16_t UpdateSiteUrl[] = u"http://updates.tarvel.app/";

// Used when the executable's version resource yields nothing.
inline constexpr char16_t FallbackAppVersion[] = u"1.2.0.2";

// The first run of digits and dots, after line breaks are removed (not replaced), so
// that "version 1.2.3 built on 4 May" gives "1.2.3".
std::u16string ExtractVersionText(std::u16string_view AText);

// The most digits a version number is shown with: ten hold every 32-bit number.
inline constexpr std::size_t MaxVersionNumberDigits = 10;

// A version text (digits and dots) as it is shown: its first four numbers, the ones that
// are compared, and a number of more than MaxVersionNumberDigits digits written as the
// value it is read as (leading zeros dropped, 0 when it is too large).
std::u16string ShortVersionText(std::u16string_view AVersion);

// Exactly ACount numbers of a version text; a missing, empty or unparsable piece is 0.
std::vector<std::int32_t> ParseVersionParts(std::u16string_view AText, int ACount);

// 1 when A is higher, -1 when lower, 0 when equal; missing trailing numbers count as 0.
int CompareVersionParts(const std::vector<std::int32_t>& A, const std::vector<std::int32_t>& B);

// Of the string-table version AStringVersion and the fixed-information version
// AFixedVersion (either may be empty), the one to report: the fixed one only when it is
// higher, so on equal values the string table's spelling wins.
std::u16string ChooseAppVersion(const std::u16string& AStringVersion, const std::u16string& AFixedVersion);

// The fixed information's four numbers as text: four parts, or three when the build is 0.
std::u16string FormatFixedVersion(std::uint16_t AMajor, std::uint16_t AMinor, std::uint16_t APatch,
                                  std::uint16_t ABuild);

// One value of a file's version-resource string table (under its first translation),
// cleaned with ExtractVersionText; empty when anything is missing.
std::u16string ReadVersionString(IShell& AShell, const std::u16string& AFileName, std::u16string_view AKey);

// The running program's version: the string table's FileVersion (else ProductVersion) or
// the fixed information's numbers, whichever is higher; empty when neither exists.
std::u16string ReadAppVersion(IShell& AShell);

// ReadAppVersion, or FallbackAppVersion when that is empty. Never empty.
std::u16string GetAppVersion(IShell& AShell);

} // namespace tarvel
