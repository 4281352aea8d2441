#include "capture/win32/Win32UiAutomation.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include "core/win32/Check.h"
#include "core/win32/ComSlots.h"
#include "core/win32/Handles.h"

namespace tarvel {

namespace {

constexpr CLSID ClsidCUIAutomation = {0xFF48DBA4, 0x60EF, 0x4201, {0xAA, 0x87, 0x54, 0x10, 0x3E, 0xEF, 0x59, 0x4E}};
constexpr IID IidIUIAutomation = {0x30CBE57D, 0xD9D0, 0x452A, {0xAB, 0x13, 0x7A, 0xC5, 0xAC, 0x48, 0x25, 0xEE}};
constexpr IID IidValuePattern = {0xA94CD8B1, 0x0844, 0x4CD6, {0x9D, 0x2D, 0x64, 0x05, 0x37, 0xAB, 0x39, 0xE9}};
constexpr IID IidTextPattern = {0x32EBA289, 0x3583, 0x42C9, {0x9C, 0x59, 0x3B, 0x6D, 0x9A, 0x1E, 0x9B, 0x6A}};

// Vtable slots, counting IUnknown's three.
enum TSlot : int {
  slAutomationElementFromPoint = 7,
  slElementGetCurrentPattern = 16,
  slElementName = 23,
  slElementIsPassword = 35,
  slElementBoundingRectangle = 43,
  slValuePatternCurrentValue = 4,
  slTextPatternDocumentRange = 7,
  slTextRangeGetText = 12,
};

// A method that hands out a string: the string, freed here; false when the call failed.
template <typename... TArgs>
bool CallForString(const TComObject& AObject, int ASlot, std::u16string& AText, TArgs... AArgs) {
  BSTR text = nullptr;
  const HRESULT result = CallSlot(AObject, ASlot, AArgs..., &text);
  if (SUCCEEDED(result))
    AText.assign(reinterpret_cast<const char16_t*>(text ? text : L""), text ? SysStringLen(text) : 0);
  SysFreeString(text);
  return SUCCEEDED(result);
}

class TWin32TextRange final : public IUiaTextRange {
public:
  explicit TWin32TextRange(TComObject ARange) : FRange(std::move(ARange)) {}
  bool GetText(int AMaxLength, std::u16string& AText) override {
    return CallForString(FRange, slTextRangeGetText, AText, AMaxLength);
  }

private:
  TComObject FRange;
};

class TWin32TextPattern final : public IUiaTextPattern {
public:
  explicit TWin32TextPattern(TComObject APattern) : FPattern(std::move(APattern)) {}
  std::unique_ptr<IUiaTextRange> DocumentRange() override {
    TComObject range = CallForObject(FPattern, slTextPatternDocumentRange);
    return range ? std::make_unique<TWin32TextRange>(std::move(range)) : nullptr;
  }

private:
  TComObject FPattern;
};

class TWin32ValuePattern final : public IUiaValuePattern {
public:
  explicit TWin32ValuePattern(TComObject APattern) : FPattern(std::move(APattern)) {}
  bool CurrentValue(std::u16string& AValue) override {
    return CallForString(FPattern, slValuePatternCurrentValue, AValue);
  }

private:
  TComObject FPattern;
};

class TWin32Pattern final : public IUiaPattern {
public:
  explicit TWin32Pattern(TComObject APattern) : FPattern(std::move(APattern)) {}
  std::unique_ptr<IUiaValuePattern> AsValuePattern() override {
    TComObject value = QueryFor(FPattern, IidValuePattern);
    return value ? std::make_unique<TWin32ValuePattern>(std::move(value)) : nullptr;
  }
  std::unique_ptr<IUiaTextPattern> AsTextPattern() override {
    TComObject text = QueryFor(FPattern, IidTextPattern);
    return text ? std::make_unique<TWin32TextPattern>(std::move(text)) : nullptr;
  }

private:
  TComObject FPattern;
};

class TWin32Element final : public IUiaElement {
public:
  explicit TWin32Element(TComObject AElement) : FElement(std::move(AElement)) {}
  bool BoundingRectangle(TRect& ARect) override {
    RECT r{};
    if (FAILED(CallSlot(FElement, slElementBoundingRectangle, &r)))
      return false;
    ARect = {r.left, r.top, r.right, r.bottom};
    return true;
  }
  bool IsPassword(bool& APassword) override {
    BOOL password = FALSE;
    if (FAILED(CallSlot(FElement, slElementIsPassword, &password)))
      return false;
    APassword = password != FALSE;
    return true;
  }
  bool Name(std::u16string& AName) override { return CallForString(FElement, slElementName, AName); }
  std::unique_ptr<IUiaPattern> CurrentPattern(int APatternId) override {
    TComObject pattern = CallForObject(FElement, slElementGetCurrentPattern, APatternId);
    return pattern ? std::make_unique<TWin32Pattern>(std::move(pattern)) : nullptr;
  }

private:
  TComObject FElement;
};

class TWin32Automation final : public IUiaAutomation {
public:
  explicit TWin32Automation(TComObject AAutomation) : FAutomation(std::move(AAutomation)) {}
  std::unique_ptr<IUiaElement> ElementFromPoint(TPoint APoint) override {
    // The point goes by value: on x86 its two coordinates take two stack slots.
    TComObject element = CallForObject(FAutomation, slAutomationElementFromPoint, POINT{APoint.X, APoint.Y});
    return element ? std::make_unique<TWin32Element>(std::move(element)) : nullptr;
  }

private:
  TComObject FAutomation;
};

} // namespace

std::int32_t TWin32UiaSystem::InitializeApartment() {
  return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}

void TWin32UiaSystem::UninitializeApartment() {
  CoUninitialize();
}

std::unique_ptr<IUiaAutomation> TWin32UiaSystem::CreateAutomation() {
  TComObject automation;
  const HRESULT created =
      CoCreateInstance(ClsidCUIAutomation, nullptr, CLSCTX_INPROC_SERVER, IidIUIAutomation, automation.PutVoid());
  if (created == E_NOINTERFACE)
    return nullptr;
  CheckHResult(created, "CoCreateInstance(CUIAutomation)");
  if (!automation)
    return nullptr;
  return std::make_unique<TWin32Automation>(std::move(automation));
}

} // namespace tarvel
