#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture/UiAutomation.h"
#include "core/Errors.h"

namespace tarvel {

// The element under the cursor as a script: a missing value makes its call fail.
struct TFakeUiaElement {
  std::optional<TRect> Rect = TRect{100, 200, 180, 230};
  std::optional<bool> Password = false;
  std::optional<std::u16string> Name = u"";
  bool NameThrows = false; // the layer raises instead of failing
  // The Value pattern: none when Value is unset; the object may lack the interface.
  std::optional<std::u16string> Value;
  bool ValueCallFails = false;
  bool ValueInterfaceMissing = false;
  // The Text pattern's document: none when Document is unset.
  std::optional<std::u16string> Document;
  bool DocumentRangeMissing = false;
  bool GetTextFails = false;
};

// UI Automation in memory. Every object it hands out counts itself while alive, so that a
// test can see that each was released; Calls lists the calls made, in order.
class TFakeUiaSystem : public IUiaSystem {
public:
  std::int32_t InitializeResult = 0; // S_OK
  bool ClassMissing = false;
  bool InterfaceMissing = false;
  bool NoElement = false;
  TFakeUiaElement Element;

  int Uninitialized = 0;
  int Alive = 0;
  int Made = 0;
  std::vector<std::string> Calls;
  std::optional<TPoint> AskedAt;

  std::int32_t InitializeApartment() override {
    Calls.push_back("initialize");
    return InitializeResult;
  }
  void UninitializeApartment() override {
    Calls.push_back("uninitialize");
    ++Uninitialized;
  }
  std::unique_ptr<IUiaAutomation> CreateAutomation() override;

  bool Asked(const std::string& ACall) const {
    for (const std::string& call : Calls)
      if (call == ACall)
        return true;
    return false;
  }
};

namespace fake_uia {

// Counts itself in the system while it lives.
class TCounted {
public:
  explicit TCounted(TFakeUiaSystem& ASystem) : FSystem(ASystem) {
    ++FSystem.Alive;
    ++FSystem.Made;
  }
  virtual ~TCounted() { --FSystem.Alive; }
  TCounted(const TCounted&) = delete;
  TCounted& operator=(const TCounted&) = delete;

protected:
  TFakeUiaSystem& FSystem;
  const TFakeUiaElement& Script() const { return FSystem.Element; }
  void Call(const char* AName) { FSystem.Calls.push_back(AName); }
};

class TRange : public IUiaTextRange, TCounted {
public:
  using TCounted::TCounted;
  bool GetText(int AMaxLength, std::u16string& AText) override {
    Call(AMaxLength == -1 ? "text" : "text with a limit");
    if (Script().GetTextFails)
      return false;
    AText = *Script().Document;
    return true;
  }
};

class TTextPattern : public IUiaTextPattern, TCounted {
public:
  using TCounted::TCounted;
  std::unique_ptr<IUiaTextRange> DocumentRange() override {
    Call("document range");
    if (Script().DocumentRangeMissing)
      return nullptr;
    return std::make_unique<TRange>(FSystem);
  }
};

class TValuePattern : public IUiaValuePattern, TCounted {
public:
  using TCounted::TCounted;
  bool CurrentValue(std::u16string& AValue) override {
    Call("value");
    if (Script().ValueCallFails)
      return false;
    AValue = *Script().Value;
    return true;
  }
};

class TPattern : public IUiaPattern, TCounted {
public:
  TPattern(TFakeUiaSystem& ASystem, int AId) : TCounted(ASystem), FId(AId) {}
  std::unique_ptr<IUiaValuePattern> AsValuePattern() override {
    if (FId != UiaValuePatternId || Script().ValueInterfaceMissing)
      return nullptr;
    return std::make_unique<TValuePattern>(FSystem);
  }
  std::unique_ptr<IUiaTextPattern> AsTextPattern() override {
    if (FId != UiaTextPatternId)
      return nullptr;
    return std::make_unique<TTextPattern>(FSystem);
  }

private:
  int FId;
};

class TElement : public IUiaElement, TCounted {
public:
  using TCounted::TCounted;
  bool BoundingRectangle(TRect& ARect) override {
    Call("rectangle");
    if (!Script().Rect)
      return false;
    ARect = *Script().Rect;
    return true;
  }
  bool IsPassword(bool& APassword) override {
    Call("password");
    if (!Script().Password)
      return false;
    APassword = *Script().Password;
    return true;
  }
  bool Name(std::u16string& AName) override {
    Call("name");
    if (Script().NameThrows)
      throw EOSError(u"The element is gone", 0x80040201u);
    if (!Script().Name)
      return false;
    AName = *Script().Name;
    return true;
  }
  std::unique_ptr<IUiaPattern> CurrentPattern(int APatternId) override {
    Call(("pattern " + std::to_string(APatternId)).c_str());
    const bool has = (APatternId == UiaValuePatternId && Script().Value) ||
                     (APatternId == UiaTextPatternId && Script().Document) ||
                     (APatternId != UiaValuePatternId && APatternId != UiaTextPatternId);
    if (!has)
      return nullptr;
    return std::make_unique<TPattern>(FSystem, APatternId);
  }
};

class TAutomation : public IUiaAutomation, TCounted {
public:
  using TCounted::TCounted;
  std::unique_ptr<IUiaElement> ElementFromPoint(TPoint APoint) override {
    Call("element from point");
    FSystem.AskedAt = APoint;
    if (FSystem.NoElement)
      return nullptr;
    return std::make_unique<TElement>(FSystem);
  }
};

} // namespace fake_uia

inline std::unique_ptr<IUiaAutomation> TFakeUiaSystem::CreateAutomation() {
  Calls.push_back("create");
  if (ClassMissing)
    throw EOSError(u"Class not registered", 0x80040154u);
  if (InterfaceMissing)
    return nullptr;
  return std::make_unique<fake_uia::TAutomation>(*this);
}

} // namespace tarvel
