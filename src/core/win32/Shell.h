#pragma once

#include "core/Shell.h"

namespace tarvel {

class TWin32Shell : public IShell {
public:
  std::u16string ExecutablePath() override;
  std::unique_ptr<IVersionResource> LoadVersionResource(const std::u16string& AFileName) override;
};

} // namespace tarvel
