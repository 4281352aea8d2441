#include "hotkeys/uHotkeys.h"

namespace tarvel {

bool RegisterAppHotkeys(IHotkeys& AHotkeys, char16_t AControl, char16_t AOCR, char16_t AScreenBox, char16_t AScreenFull,
                        char16_t ASave) {
  // A letter's virtual-key code is its upper-case character code.
  const std::uint32_t keys[] = {AControl, VkOemPlus, u'I', AOCR, u'Z', u'Y', AScreenBox, AScreenFull, ASave};
  for (int i = 0; i < 9; ++i) {
    if (!AHotkeys.Register(FirstHotkeyId + i, HotkeyModifiers, keys[i])) {
      UnregisterAppHotkeys(AHotkeys);
      return false;
    }
  }
  return true;
}

void UnregisterAppHotkeys(IHotkeys& AHotkeys) {
  for (int id = FirstHotkeyId; id <= LastHotkeyId; ++id)
    AHotkeys.Unregister(id);
}

} // namespace tarvel
