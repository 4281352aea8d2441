#pragma once

#include <string>

namespace tarvel {

// Everything the user can set, as one value. Copies are independent.
struct TTarvelSettings {
  bool ShowLog = false;
  bool ShowNotifications = false;
  bool DontShowTutorial = false;
  int MaxClipEntries = 10;
  std::u16string OcrLanguageTag;
  char16_t HotkeyControl = u'C';
  char16_t HotkeyOCR = u'X';
  char16_t HotkeyScreenBox = u'R';
  char16_t HotkeyScreenFull = u'F';
  char16_t HotkeySave = u'S';

  friend bool operator==(const TTarvelSettings&, const TTarvelSettings&) = default;
};

} // namespace tarvel
