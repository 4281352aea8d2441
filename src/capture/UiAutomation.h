#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/Geometry.h"

namespace tarvel {

// The calls of the system's accessibility layer (UI Automation) that the lookup of the text
// under the cursor makes, and nothing more. Each answers whether it succeeded; an object
// handed out is released when its owner lets it go. The system's side lives in win32/.

inline constexpr int UiaValuePatternId = 10002;
inline constexpr int UiaTextPatternId = 10014;

class IUiaTextRange {
public:
  virtual ~IUiaTextRange() = default;
  // The range's text, at most AMaxLength characters (-1: all of it).
  virtual bool GetText(int AMaxLength, std::u16string& AText) = 0;
};

class IUiaTextPattern {
public:
  virtual ~IUiaTextPattern() = default;
  // The range of the whole document; nothing when the call fails or gives no range.
  virtual std::unique_ptr<IUiaTextRange> DocumentRange() = 0;
};

class IUiaValuePattern {
public:
  virtual ~IUiaValuePattern() = default;
  virtual bool CurrentValue(std::u16string& AValue) = 0;
};

// What an element gives for a pattern id, before it is asked for the pattern's interface.
class IUiaPattern {
public:
  virtual ~IUiaPattern() = default;
  // The pattern's interface; nothing when the object does not have it.
  virtual std::unique_ptr<IUiaValuePattern> AsValuePattern() = 0;
  virtual std::unique_ptr<IUiaTextPattern> AsTextPattern() = 0;
};

class IUiaElement {
public:
  virtual ~IUiaElement() = default;
  // In physical virtual-screen pixels.
  virtual bool BoundingRectangle(TRect& ARect) = 0;
  virtual bool IsPassword(bool& APassword) = 0;
  virtual bool Name(std::u16string& AName) = 0;
  // Nothing when the call fails or the element has no such pattern.
  virtual std::unique_ptr<IUiaPattern> CurrentPattern(int APatternId) = 0;
};

class IUiaAutomation {
public:
  virtual ~IUiaAutomation() = default;
  // Nothing when the call fails or finds no element.
  virtual std::unique_ptr<IUiaElement> ElementFromPoint(TPoint APoint) = 0;
};

// The thread's COM apartment and the automation class.
class IUiaSystem {
public:
  virtual ~IUiaSystem() = default;
  // Joins the calling thread to a single-threaded apartment; the system's result code
  // (S_OK, S_FALSE, RPC_E_CHANGED_MODE or another failure).
  virtual std::int32_t InitializeApartment() = 0;
  // Leaves it again; called once for each successful InitializeApartment.
  virtual void UninitializeApartment() = 0;
  // A new automation object; raises EOSError when the class cannot be created. Nothing
  // when the object does not offer the automation interface.
  virtual std::unique_ptr<IUiaAutomation> CreateAutomation() = 0;
};

} // namespace tarvel
