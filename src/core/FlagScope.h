#pragma once

namespace tarvel {

// Holds a flag true while it lives, and false again afterwards, also when an error ends
// the scope: the main window's loading and updating guards, the mark of an own clipboard
// write, a control peer's guard against mirroring a change back.
class TFlagScope {
public:
  explicit TFlagScope(bool& AFlag) : FFlag(AFlag) { FFlag = true; }
  ~TFlagScope() { FFlag = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

private:
  bool& FFlag;
};

} // namespace tarvel
