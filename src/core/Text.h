#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarvel {

// Blanks and control characters: every code unit up to 32.
constexpr bool IsBlankOrControl(char16_t AChar) noexcept {
  return AChar <= 32;
}
// Whether trimming would leave nothing: every unit is a blank or a control character.
bool IsBlank(std::u16string_view AText) noexcept;

std::u16string Trim(std::u16string_view AText);
std::u16string TrimLeft(std::u16string_view AText);
std::u16string TrimRight(std::u16string_view AText);

// Upper-cases a to z only; every other code unit is kept.
char16_t UpCaseAscii(char16_t AChar) noexcept;
std::u16string UpperCaseAscii(std::u16string_view AText);

// Replaces every occurrence of AFrom (non-empty) by ATo, left to right.
std::u16string ReplaceAll(std::u16string_view AText, std::u16string_view AFrom, std::u16string_view ATo);

// Conversions at the edges (files, logs, exception texts). Invalid sequences become U+FFFD.
std::string ToUtf8(std::u16string_view AText);
std::u16string FromUtf8(std::string_view AText);

// A trimmed one-line form of AText for labels and log lines: line breaks (and tabs, when
// ATabsToBlanks) become blanks, runs of blanks one blank, and a result longer than
// AMaxLength is cut to AMaxLength units ending in "...". Only as much as can be shown is
// built, so a text of megabytes costs no more than a short one.
std::u16string MakeOneLinePreview(std::u16string_view AText, std::size_t AMaxLength, bool ATabsToBlanks);

// UTF-16 little-endian bytes, as the registry and the clipboard store text, with a
// terminating zero unit.
std::vector<std::uint8_t> ToUtf16LeBytes(std::u16string_view AText);
// The text of such bytes up to the first zero unit, or all of them when there is none; an
// odd last byte is dropped.
std::u16string FromUtf16LeBytes(const std::uint8_t* AData, std::size_t ASize);

// One argument of Format: a signed or unsigned integer or a text.
using TFormatArg = std::variant<std::int64_t, std::uint64_t, std::u16string>;

struct TFormatValue {
  TFormatArg Value;
  TFormatValue(int AValue) : Value(static_cast<std::int64_t>(AValue)) {}
  TFormatValue(long AValue) : Value(static_cast<std::int64_t>(AValue)) {}
  TFormatValue(long long AValue) : Value(static_cast<std::int64_t>(AValue)) {}
  TFormatValue(unsigned AValue) : Value(static_cast<std::uint64_t>(AValue)) {}
  TFormatValue(unsigned long AValue) : Value(static_cast<std::uint64_t>(AValue)) {}
  TFormatValue(unsigned long long AValue) : Value(static_cast<std::uint64_t>(AValue)) {}
  TFormatValue(std::u16string AValue) : Value(std::move(AValue)) {}
  TFormatValue(std::u16string_view AValue) : Value(std::u16string(AValue)) {}
  TFormatValue(const char16_t* AValue) : Value(std::u16string(AValue)) {}
  TFormatValue(char16_t AValue) : Value(std::u16string(1, AValue)) {}
};

// The program's patterns: %d (signed), %u (unsigned), %s (text) and %% (a percent sign),
// taken in order. A missing argument, a mismatched kind or an unknown directive raises
// EConvertError, as does an argument left over.
std::u16string Format(std::u16string_view APattern, std::initializer_list<TFormatValue> AArgs);

std::u16string IntToStr(std::int64_t AValue);
std::u16string UIntToStr(std::uint64_t AValue);

// The lines of a text, split at CR LF, a lone CR or a lone LF. As in a classic string list,
// a line break at the very end adds no empty line; an empty text has no lines.
std::vector<std::u16string_view> SplitLines(std::u16string_view AText);
// With a comma between groups of three digits: 10,485,760.
std::u16string GroupDigits(std::uint64_t AValue);

} // namespace tarvel
