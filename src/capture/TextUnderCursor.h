#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "capture/Screen.h"
#include "capture/UiAutomation.h"

namespace tarvel {

// The accessibility layer's answer for what is under the mouse cursor. Nothing here raises:
// every failure of COM, of the automation class or of the element is a plain false, so that
// the caller can always fall back to an image of the screen.

// The text of the element under the cursor: its name, else the value of its Value pattern,
// else the whole document of its Text pattern, the first that is not blank, untrimmed. A
// password field gives no text. ARect is the element's rectangle as far as it was read,
// else all zero; AText is empty unless the result is true.
bool GetTextUnderCursor(IUiaSystem& ASystem, IScreen& AScreen, std::u16string& AText, TRect& ARect);
// The rectangle of the element under the cursor, as far as it was read (else all zero);
// true when it was read and is at least 8 x 8.
bool GetElementRectUnderCursor(IUiaSystem& ASystem, IScreen& AScreen, TRect& ARect);

// A new automation object; raises an EError when the class cannot be created or does not
// offer the automation interface.
std::unique_ptr<IUiaAutomation> CreateUIAutomation(IUiaSystem& ASystem);
// The non-blank text of the element's Value (10002) or Text (10014) pattern; any other
// pattern id gives false.
bool ReadPatternText(IUiaElement& AElement, int APatternId, std::u16string& AText);
// Something other than characters 0 to 32 is left after trimming them from both ends.
bool HasNonBlankText(std::u16string_view AText) noexcept;

} // namespace tarvel
