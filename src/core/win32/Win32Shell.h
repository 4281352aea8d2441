#pragma once

#include "core/Shell.h"

namespace tarvel {

class TWin32Shell : public IShell {
public:
  std::u16string ExecutablePath() override;
  std::unique_ptr<IVersionResource> LoadVersionResource(const std::u16string& AFileName) override;
  std::u16string SpecialFolder(TSpecialFolder AFolder) override;
  void WriteFile(const std::u16string& AFileName, const std::vector<std::uint8_t>& AData) override;
  void OpenUrl(const std::u16string& AUrl) override;
};

} // namespace tarvel
