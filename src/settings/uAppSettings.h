#pragma once

#include <string>
#include <string_view>

#include "core/Shell.h"
#include "hotkeys/uHotkeys.h"
#include "ocr/OcrLayout.h"
#include "settings/Registry.h"

namespace tarvel {

// Everything the user can set, as one value. Copies are independent.
struct TTarvelSettings {
  bool ShowLog = false;
  bool ShowNotifications = false;
  bool DontShowTutorial = false;
  int MaxClipEntries = 10;
  std::u16string OcrLanguageTag;
  TOcrTextLayout OcrTextLayout = TOcrTextLayout::Lines;
  char16_t HotkeyControl = DefaultHotkeyLetters[0];
  char16_t HotkeyOCR = DefaultHotkeyLetters[1];
  char16_t HotkeyScreenBox = DefaultHotkeyLetters[2];
  char16_t HotkeyScreenFull = DefaultHotkeyLetters[3];
  char16_t HotkeySave = DefaultHotkeyLetters[4];

  friend bool operator==(const TTarvelSettings&, const TTarvelSettings&) = default;
};

// Where each configurable hotkey's letter lives in the record, and the name it is stored
// under; in the order of THotkeyLetters.
struct THotkeyLetterField {
  char16_t TTarvelSettings::*Field;
  const char16_t* ValueName;
};
inline constexpr std::array<THotkeyLetterField, LetterHotkeyCount> HotkeyLetterFields = {{
    {&TTarvelSettings::HotkeyControl, u"HotkeyControl"},
    {&TTarvelSettings::HotkeyOCR, u"HotkeyOCR"},
    {&TTarvelSettings::HotkeyScreenBox, u"HotkeyScreenBox"},
    {&TTarvelSettings::HotkeyScreenFull, u"HotkeyScreenFull"},
    {&TTarvelSettings::HotkeySave, u"HotkeySave"},
}};

// The record's five letters, in the order of THotkeyLetters.
THotkeyLetters HotkeyLetters(const TTarvelSettings& ASettings);

// Where the settings live in the current user's hive.
inline constexpr char16_t SettingsKeyPath[] = u"Software\\Nusk\\Tarvel";

// Longest stored text the loader accepts; a longer value is treated as missing.
inline constexpr std::size_t MaxStoredTextLength = 260;

// Fills ASettings with the defaults, overlays what the store holds and repairs the hotkey
// letters. Every record it returns has MaxClipEntries in 1..100, a known OCR text layout
// and five distinct letters from A to Z other than I, Y and Z. A missing key or value, a
// value of another type or out of range and an absurdly long value all leave the default
// in place.
void LoadAppSettings(IRegistry& ARegistry, TTarvelSettings& ASettings);

// Writes all eleven values, creating the key if needed. A key that cannot be opened for
// writing, or a value that cannot be written, raises ERegistryError (the values before it
// stay written).
void SaveAppSettings(IRegistry& ARegistry, const TTarvelSettings& ASettings);

int ClampMaxClipEntries(int AValue) noexcept;

// A to Z in either case, except I, Y and Z (they belong to the fixed hotkeys).
bool IsAllowedHotkeyLetter(char16_t AChar) noexcept;

// The first that holds: AValue upper-cased if allowed and not in AUsed; ADefault upper-cased
// if allowed and not in AUsed; the first allowed letter from A not in AUsed; ADefault
// upper-cased.
char16_t NormalizeHotkeyLetter(char16_t AValue, char16_t ADefault, std::u16string_view AUsed) noexcept;

// Start with Windows: the value "Tarvel" of the current user's Run key.
inline constexpr char16_t AutostartRunKeyPath[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char16_t AutostartValueName[] = u"Tarvel";

// The running program's path in double quotes.
std::u16string AutostartCommandLine(IShell& AShell);
// Whether the Run value holds this program's command line (ASCII letters in either case);
// a value of another type or pointing elsewhere counts as not enabled.
bool IsAutostartEnabled(IRegistry& ARegistry, IShell& AShell);
// Writes or removes the Run value. A Run key that cannot be opened for writing, or a value
// that cannot be written or removed, raises ERegistryError; removing a value that is not
// there does nothing.
void SetAutostart(IRegistry& ARegistry, IShell& AShell, bool AEnabled);

} // namespace tarvel
