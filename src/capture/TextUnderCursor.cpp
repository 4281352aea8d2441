#include "capture/TextUnderCursor.h"

#include "capture/uCapture.h"
#include "core/Errors.h"
#include "core/Text.h"

namespace tarvel {

namespace {

constexpr std::int32_t RpcEChangedMode = static_cast<std::int32_t>(0x80010106u);

// One apartment for one lookup: joined before the body, left after it when the join
// succeeded. A thread that already lives in the multi-threaded apartment does the work
// there; any other failure to join ends the lookup.
template <typename TBody> bool InApartment(IUiaSystem& ASystem, TBody ABody) {
  const std::int32_t joined = ASystem.InitializeApartment();
  if (joined < 0 && joined != RpcEChangedMode)
    return false;
  bool result = false;
  try {
    result = ABody();
  } catch (...) {
    result = false;
  }
  if (joined >= 0)
    ASystem.UninitializeApartment();
  return result;
}

std::unique_ptr<IUiaElement> ElementUnderCursor(IUiaAutomation& AAutomation, IScreen& AScreen) {
  const std::optional<TPoint> cursor = AScreen.CursorPos();
  if (!cursor)
    return nullptr;
  return AAutomation.ElementFromPoint(*cursor);
}

} // namespace

bool HasNonBlankText(std::u16string_view AText) noexcept {
  return !IsBlank(AText);
}

std::unique_ptr<IUiaAutomation> CreateUIAutomation(IUiaSystem& ASystem) {
  std::unique_ptr<IUiaAutomation> automation = ASystem.CreateAutomation();
  if (!automation)
    throw EError(u"The UI Automation object does not offer IUIAutomation");
  return automation;
}

bool ReadPatternText(IUiaElement& AElement, int APatternId, std::u16string& AText) {
  AText.clear();
  const std::unique_ptr<IUiaPattern> pattern = AElement.CurrentPattern(APatternId);
  if (!pattern)
    return false;
  std::u16string text;
  if (APatternId == UiaValuePatternId) {
    const std::unique_ptr<IUiaValuePattern> value = pattern->AsValuePattern();
    if (!value || !value->CurrentValue(text) || !HasNonBlankText(text))
      return false;
  } else if (APatternId == UiaTextPatternId) {
    const std::unique_ptr<IUiaTextPattern> document = pattern->AsTextPattern();
    const std::unique_ptr<IUiaTextRange> range = document ? document->DocumentRange() : nullptr;
    if (!range || !range->GetText(-1, text) || !HasNonBlankText(text))
      return false;
  } else {
    return false;
  }
  AText = std::move(text);
  return true;
}

bool GetTextUnderCursor(IUiaSystem& ASystem, IScreen& AScreen, std::u16string& AText, TRect& ARect) {
  AText.clear();
  ARect = {};
  const bool found = InApartment(ASystem, [&] {
    const std::unique_ptr<IUiaAutomation> automation = CreateUIAutomation(ASystem);
    const std::unique_ptr<IUiaElement> element = ElementUnderCursor(*automation, AScreen);
    if (!element)
      return false;
    element->BoundingRectangle(ARect);
    bool password = false;
    if (element->IsPassword(password) && password)
      return false;
    std::u16string name;
    if (element->Name(name) && HasNonBlankText(name)) {
      AText = std::move(name);
      return true;
    }
    return ReadPatternText(*element, UiaValuePatternId, AText) || ReadPatternText(*element, UiaTextPatternId, AText);
  });
  if (!found)
    AText.clear();
  return found;
}

bool GetElementRectUnderCursor(IUiaSystem& ASystem, IScreen& AScreen, TRect& ARect) {
  ARect = {};
  return InApartment(ASystem, [&] {
    const std::unique_ptr<IUiaAutomation> automation = CreateUIAutomation(ASystem);
    const std::unique_ptr<IUiaElement> element = ElementUnderCursor(*automation, AScreen);
    return element && element->BoundingRectangle(ARect) && IsUsableRect(ARect);
  });
}

} // namespace tarvel
