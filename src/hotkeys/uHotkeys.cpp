#include "hotkeys/uHotkeys.h"

#include <algorithm>
#include <iterator>

#include "core/Text.h"

namespace tarvel {

namespace {

// The four hotkeys whose key never changes.
struct TFixedHotkey {
  int Id;
  std::uint32_t Key;
};
constexpr TFixedHotkey FixedHotkeys[] = {
    {hkMerge, VkOemPlus},
    {hkControlImage, u'I'},
    {hkPrevious, u'Z'},
    {hkNext, u'Y'},
};

} // namespace

bool IsReservedHotkeyLetter(char16_t AChar) noexcept {
  const char16_t letter = UpCaseAscii(AChar);
  return std::any_of(std::begin(FixedHotkeys), std::end(FixedHotkeys),
                     [letter](const TFixedHotkey& AFixed) { return AFixed.Key == letter; });
}

bool RegisterAppHotkeys(IHotkeys& AHotkeys, const THotkeyLetters& ALetters, THotkeyRefusal* ARefused) {
  // A letter's virtual-key code is its upper-case character code.
  std::array<std::uint32_t, LastHotkeyId - FirstHotkeyId + 1> keys{};
  for (std::size_t i = 0; i < LetterHotkeyCount; ++i)
    keys[static_cast<std::size_t>(LetterHotkeyIds[i] - FirstHotkeyId)] = ALetters[i];
  for (const TFixedHotkey& fixed : FixedHotkeys)
    keys[static_cast<std::size_t>(fixed.Id - FirstHotkeyId)] = fixed.Key;
  if (ARefused)
    *ARefused = {};
  for (int id = FirstHotkeyId; id <= LastHotkeyId; ++id) {
    const std::uint32_t key = keys[static_cast<std::size_t>(id - FirstHotkeyId)];
    if (!AHotkeys.Register(id, HotkeyModifiers, key)) {
      UnregisterAppHotkeys(AHotkeys);
      if (ARefused)
        *ARefused = {id, key};
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
