#include "settings/win32/Win32Registry.h"

#include "core/win32/Check.h"
#include "core/win32/Handles.h"

namespace tarvel {

namespace {

class TWin32RegistryKey final : public IRegistryKey {
public:
  explicit TWin32RegistryKey(HKEY AKey) : FKey(AKey) {}

  std::optional<TRegValue> ReadValue(std::u16string_view AName, std::size_t AMaxBytes) override {
    const std::wstring name = ToWide(std::u16string(AName));
    // The value may change between asking its size and reading it; a few tries settle that.
    for (int attempt = 0; attempt < 3; ++attempt) {
      DWORD type = 0;
      DWORD size = 0;
      if (RegQueryValueExW(FKey.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
      TRegValue value;
      value.Type = type;
      value.Size = size;
      if (size > AMaxBytes)
        return value;
      value.Data.resize(size);
      DWORD read = size;
      const LSTATUS status =
          RegQueryValueExW(FKey.Get(), name.c_str(), nullptr, &type, size ? value.Data.data() : nullptr, &read);
      if (status == ERROR_MORE_DATA)
        continue;
      if (status != ERROR_SUCCESS)
        return std::nullopt;
      value.Type = type;
      value.Size = read;
      value.Data.resize(read);
      return value;
    }
    return std::nullopt;
  }

  bool WriteValue(std::u16string_view AName, std::uint32_t AType, const std::vector<std::uint8_t>& AData) override {
    return RegSetValueExW(FKey.Get(), ToWide(std::u16string(AName)).c_str(), 0, AType, AData.data(),
                          static_cast<DWORD>(AData.size())) == ERROR_SUCCESS;
  }

  bool DeleteValue(std::u16string_view AName) override {
    return RegDeleteValueW(FKey.Get(), ToWide(std::u16string(AName)).c_str()) == ERROR_SUCCESS;
  }

private:
  TUniqueHKey FKey;
};

} // namespace

std::unique_ptr<IRegistryKey> TWin32Registry::OpenKeyReadOnly(std::u16string_view APath) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(FRoot, ToWide(std::u16string(APath)).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<TWin32RegistryKey>(key);
}

std::unique_ptr<IRegistryKey> TWin32Registry::CreateKey(std::u16string_view APath) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(FRoot, ToWide(std::u16string(APath)).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<TWin32RegistryKey>(key);
}

} // namespace tarvel
