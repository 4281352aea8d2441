#pragma once

#include "capture/UiAutomation.h"

namespace tarvel {

// UI Automation through COM: the CUIAutomation class, created in process, and its
// interfaces called by their published vtable slots (the MinGW headers do not declare
// them). Every interface is released and every string freed when its owner goes.
class TWin32UiaSystem final : public IUiaSystem {
public:
  std::int32_t InitializeApartment() override;
  void UninitializeApartment() override;
  std::unique_ptr<IUiaAutomation> CreateAutomation() override;
};

} // namespace tarvel
