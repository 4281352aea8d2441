#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvel {

// The nine global hotkeys, all Ctrl+Shift+key, by the id they are registered with.
enum THotkeyId : int {
  hkCopyUnderCursor = 1001, // configurable letter
  hkMerge = 1002,           // the plus key of the main keyboard
  hkControlImage = 1003,    // I
  hkOcr = 1004,             // configurable letter
  hkPrevious = 1005,        // Z
  hkNext = 1006,            // Y
  hkScreenBox = 1007,       // configurable letter
  hkScreenFull = 1008,      // configurable letter
  hkSave = 1009,            // configurable letter
};

inline constexpr int FirstHotkeyId = hkCopyUnderCursor;
inline constexpr int LastHotkeyId = hkSave;

// MOD_CONTROL | MOD_SHIFT | MOD_NOREPEAT: holding the keys gives one message, not a stream.
inline constexpr std::uint32_t HotkeyModifiers = 0x4006;
inline constexpr std::uint32_t VkOemPlus = 0xBB;

// The system's global hotkeys for the main window.
class IHotkeys {
public:
  virtual ~IHotkeys() = default;
  // False when the combination is taken (by another program, usually).
  virtual bool Register(int AId, std::uint32_t AModifiers, std::uint32_t AVirtualKey) = 0;
  virtual void Unregister(int AId) = 0;
};

// The hotkey the system refused, so that the user can be told which one it was.
struct THotkeyRefusal {
  int Id = 0;
  std::uint32_t VirtualKey = 0;
};

// The five hotkeys whose letter the user chooses, always in this order: copy under the
// cursor, OCR, screen rectangle, full screen, save (the order of the settings card).
inline constexpr std::size_t LetterHotkeyCount = 5;
using THotkeyLetters = std::array<char16_t, LetterHotkeyCount>;
inline constexpr std::array<int, LetterHotkeyCount> LetterHotkeyIds = {hkCopyUnderCursor, hkOcr, hkScreenBox,
                                                                       hkScreenFull, hkSave};
inline constexpr THotkeyLetters DefaultHotkeyLetters = {u'C', u'X', u'R', u'F', u'S'};

// I, Y and Z in either case: the letters of the fixed hotkeys, which no configurable one may
// take.
bool IsReservedHotkeyLetter(char16_t AChar) noexcept;

// Registers the nine hotkeys in id order, stopping at the first refusal; then releases all
// of them again, so that either all nine hold or none does. The letters are upper-case.
// ARefused, when given, learns which hotkey was refused (and is cleared on success).
bool RegisterAppHotkeys(IHotkeys& AHotkeys, const THotkeyLetters& ALetters, THotkeyRefusal* ARefused = nullptr);

// How a hotkey is named to the user: "Ctrl+Shift+X", and "Ctrl+Shift+Plus" for the plus key.
std::u16string HotkeyText(std::uint32_t AVirtualKey);

// Releases every id, registered or not.
void UnregisterAppHotkeys(IHotkeys& AHotkeys);

} // namespace tarvel
