// The settings record and its store in the registry, and the rule for hotkey letters.
#include "settings/uAppSettings.h"

#include <algorithm>

#include "core/Text.h"

namespace tarvel {

namespace {

constexpr char16_t ValueShowLog[] = u"ShowLog";
constexpr char16_t ValueShowNotifications[] = u"ShowNotifications";
constexpr char16_t ValueDontShowTutorial[] = u"DontShowTutorial";
constexpr char16_t ValueMaxClipEntries[] = u"MaxClipEntries";
constexpr char16_t ValueOcrLanguageTag[] = u"OcrLanguageTag";
constexpr char16_t ValueOcrTextLayout[] = u"OcrTextLayout";

void ReadFlag(IRegistryKey& AKey, const char16_t* AName, bool& AField) {
  if (const auto value = ReadDword(AKey, AName))
    AField = *value != 0;
}

// Each letter is settled against the ones settled before it.
void RepairHotkeyLetters(TTarvelSettings& ASettings) {
  std::u16string used;
  for (std::size_t i = 0; i < LetterHotkeyCount; ++i) {
    char16_t& letter = ASettings.*HotkeyLetterFields[i].Field;
    letter = NormalizeHotkeyLetter(letter, DefaultHotkeyLetters[i], used);
    used.push_back(letter);
  }
}

} // namespace

int ClampMaxClipEntries(int AValue) noexcept {
  return std::clamp(AValue, 1, 100);
}

bool IsAllowedHotkeyLetter(char16_t AChar) noexcept {
  const char16_t c = UpCaseAscii(AChar);
  return c >= u'A' && c <= u'Z' && !IsReservedHotkeyLetter(c);
}

THotkeyLetters HotkeyLetters(const TTarvelSettings& ASettings) {
  THotkeyLetters letters{};
  for (std::size_t i = 0; i < LetterHotkeyCount; ++i)
    letters[i] = ASettings.*HotkeyLetterFields[i].Field;
  return letters;
}

char16_t NormalizeHotkeyLetter(char16_t AValue, char16_t ADefault, std::u16string_view AUsed) noexcept {
  const auto usable = [AUsed](char16_t AChar) {
    return IsAllowedHotkeyLetter(AChar) && AUsed.find(AChar) == std::u16string_view::npos;
  };
  if (const char16_t value = UpCaseAscii(AValue); usable(value))
    return value;
  const char16_t fallback = UpCaseAscii(ADefault);
  if (usable(fallback))
    return fallback;
  for (char16_t c = u'A'; c <= u'Z'; ++c)
    if (usable(c))
      return c;
  return fallback;
}

void LoadAppSettings(IRegistry& ARegistry, TTarvelSettings& ASettings) {
  ASettings = TTarvelSettings{};
  if (const auto key = ARegistry.OpenKeyReadOnly(SettingsKeyPath)) {
    ReadFlag(*key, ValueShowLog, ASettings.ShowLog);
    ReadFlag(*key, ValueShowNotifications, ASettings.ShowNotifications);
    ReadFlag(*key, ValueDontShowTutorial, ASettings.DontShowTutorial);
    // Stored as an unsigned double word; a negative number written by hand reads as one.
    if (const auto value = ReadDword(*key, ValueMaxClipEntries))
      ASettings.MaxClipEntries = ClampMaxClipEntries(static_cast<std::int32_t>(*value));
    if (auto value = ReadString(*key, ValueOcrLanguageTag, MaxStoredTextLength))
      ASettings.OcrLanguageTag = std::move(*value);
    if (const auto value = ReadDword(*key, ValueOcrTextLayout); value && *value <= OcrTextLayoutLast)
      ASettings.OcrTextLayout = static_cast<TOcrTextLayout>(*value);
    for (const THotkeyLetterField& f : HotkeyLetterFields)
      if (const auto value = ReadString(*key, f.ValueName, MaxStoredTextLength); value && !value->empty())
        ASettings.*f.Field = UpCaseAscii((*value)[0]);
  }
  RepairHotkeyLetters(ASettings);
}

void SaveAppSettings(IRegistry& ARegistry, const TTarvelSettings& ASettings) {
  const auto key = CreateKeyOrRaise(ARegistry, SettingsKeyPath);
  WriteDword(*key, ValueShowLog, ASettings.ShowLog ? 1 : 0);
  WriteDword(*key, ValueShowNotifications, ASettings.ShowNotifications ? 1 : 0);
  WriteDword(*key, ValueDontShowTutorial, ASettings.DontShowTutorial ? 1 : 0);
  WriteDword(*key, ValueMaxClipEntries, static_cast<std::uint32_t>(ClampMaxClipEntries(ASettings.MaxClipEntries)));
  WriteString(*key, ValueOcrLanguageTag, ASettings.OcrLanguageTag);
  WriteDword(*key, ValueOcrTextLayout, static_cast<std::uint32_t>(ASettings.OcrTextLayout));
  for (const THotkeyLetterField& f : HotkeyLetterFields)
    WriteString(*key, f.ValueName, std::u16string(1, ASettings.*f.Field));
}

std::u16string AutostartCommandLine(IShell& AShell) {
  const std::u16string path = AShell.ExecutablePath();
  std::u16string line;
  line.reserve(path.size() + 2);
  line.push_back(u'"');
  line.append(path);
  line.push_back(u'"');
  return line;
}

bool IsAutostartEnabled(IRegistry& ARegistry, IShell& AShell) {
  const auto key = ARegistry.OpenKeyReadOnly(AutostartRunKeyPath);
  if (!key)
    return false;
  // Room for the longest path Windows knows, in quotes.
  const auto value = ReadString(*key, AutostartValueName, 32767 + 2);
  return value && UpperCaseAscii(*value) == UpperCaseAscii(AutostartCommandLine(AShell));
}

void SetAutostart(IRegistry& ARegistry, IShell& AShell, bool AEnabled) {
  if (AEnabled) {
    WriteString(*CreateKeyOrRaise(ARegistry, AutostartRunKeyPath), AutostartValueName, AutostartCommandLine(AShell));
    return;
  }
  // Nothing to remove is no failure, whether or not the key could be written.
  const auto exists = [&] {
    const auto key = ARegistry.OpenKeyReadOnly(AutostartRunKeyPath);
    return key && key->ReadValue(AutostartValueName, 0).has_value();
  };
  if (!exists())
    return;
  if (!CreateKeyOrRaise(ARegistry, AutostartRunKeyPath)->DeleteValue(AutostartValueName) && exists())
    throw ERegistryError(Format(u"Failed to delete '%s'", {std::u16string(AutostartValueName)}));
}

} // namespace tarvel
