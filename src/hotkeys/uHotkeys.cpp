#include "hotkeys/uHotkeys.h"

namespace tarvel {

bool RegisterAppHotkeys(IHotkeys& AHotkeys, char16_t AControl, char16_t AOCR, char16_t AScreenBox, char16_t AScreenFull,
                        char16_t ASave, THotkeyRefusal* ARefused) {
  // A letter's virtual-key code is its upper-case character code.
  const std::uint32_t keys[] = {AControl, VkOemPlus, u'I', AOCR, u'Z', u'Y', AScreenBox, AScreenFull, ASave};
  if (ARefused)
    *ARefused = {};
  for (int i = 0; i < 9; ++i) {
    if (!AHotkeys.Register(FirstHotkeyId + i, HotkeyModifiers, keys[i])) {
      UnregisterAppHotkeys(AHotkeys);
      if (ARefused)
        *ARefused = {FirstHotkeyId + i, keys[i]};
      return false;
    }
  }
  return true;
}

std::u16string HotkeyText(std::uint32_t AVirtualKey) {
  if (AVirtualKey == VkOemPlus)
    return u"Ctrl+Shift+Plus";
  return u"Ctrl+Shift+" + std::u16string(1, static_cast<char16_t>(AVirtualKey));
}

void UnregisterAppHotkeys(IHotkeys& AHotkeys) {
  for (int id = FirstHotkeyId; id <= LastHotkeyId; ++id)
    AHotkeys.Unregister(id);
}

} // namespace tarvel
