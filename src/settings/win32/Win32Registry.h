#pragma once

#include <windows.h>

#include "settings/Registry.h"

namespace tarvel {

// The registry below a root key: HKEY_CURRENT_USER for the program, a scratch key in tests.
// The root must stay open as long as this object and the keys it opened.
class TWin32Registry final : public IRegistry {
public:
  explicit TWin32Registry(HKEY ARoot = HKEY_CURRENT_USER) : FRoot(ARoot) {}

  std::unique_ptr<IRegistryKey> OpenKeyReadOnly(std::u16string_view APath) override;
  std::unique_ptr<IRegistryKey> CreateKey(std::u16string_view APath) override;

private:
  HKEY FRoot;
};

} // namespace tarvel
