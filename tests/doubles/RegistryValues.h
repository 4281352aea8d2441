#pragma once

// What the test doubles' registrations share: where the double's file is, and registry values
// set for as long as an object lives, put back exactly as they were afterwards.
#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tarvel::test {

// The full path of AName in the folder of the running program, where the doubles are built.
inline std::wstring FileBesideProgram(const wchar_t* AName) {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length;
  while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) == path.size())
    path.resize(path.size() * 2);
  path.resize(length);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + AName;
}

// One registry key's named values while the object lives: Set() writes them, the destructor
// puts back exactly what was there before, down to deleting the keys it had to create.
class TRegistryValues {
public:
  struct TValue {
    DWORD Type;
    std::vector<BYTE> Data;
  };

  TRegistryValues(HKEY ARoot, std::wstring AKey) : FRoot(ARoot), FKey(std::move(AKey)) {}
  ~TRegistryValues() { Restore(); }
  TRegistryValues(const TRegistryValues&) = delete;
  TRegistryValues& operator=(const TRegistryValues&) = delete;

  static TValue String(const std::wstring& AText) {
    const auto* first = reinterpret_cast<const BYTE*>(AText.c_str());
    return {REG_SZ, {first, first + (AText.size() + 1) * sizeof(wchar_t)}};
  }
  static TValue Dword(DWORD AValue) {
    const auto* first = reinterpret_cast<const BYTE*>(&AValue);
    return {REG_DWORD, {first, first + sizeof AValue}};
  }

  // Raises std::runtime_error when the key cannot be created or the value written.
  void Set(const wchar_t* AName, const TValue& AValue) {
    if (!FTouched) {
      // The first key on the way that is not there yet goes again on restoring.
      for (std::size_t end = FKey.find(L'\\'); FCreated.empty(); end = FKey.find(L'\\', end + 1)) {
        const std::wstring key = FKey.substr(0, end);
        if (!Exists(key))
          FCreated = key;
        if (end == std::wstring::npos)
          break;
      }
      FTouched = true;
    }
    HKEY handle = nullptr;
    if (RegCreateKeyExW(FRoot, FKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) != ERROR_SUCCESS)
      throw std::runtime_error("TRegistryValues: cannot create the key");
    bool saved = false;
    for (const auto& old : FOld)
      saved = saved || old.first == AName;
    if (!saved && FCreated.empty())
      FOld.emplace_back(AName, Read(handle, AName));
    const bool written = Write(handle, AName, AValue);
    RegCloseKey(handle);
    if (!written)
      throw std::runtime_error("TRegistryValues: cannot write the value");
  }

  void Restore() {
    if (!FTouched)
      return;
    FTouched = false;
    if (!FCreated.empty()) {
      RegDeleteTreeW(FRoot, FCreated.c_str());
      RegDeleteKeyW(FRoot, FCreated.c_str());
      FCreated.clear();
      return;
    }
    HKEY handle = nullptr;
    if (RegOpenKeyExW(FRoot, FKey.c_str(), 0, KEY_ALL_ACCESS, &handle) == ERROR_SUCCESS) {
      for (const auto& old : FOld)
        Write(handle, old.first.c_str(), old.second);
      RegCloseKey(handle);
    }
    FOld.clear();
  }

private:
  HKEY FRoot;
  std::wstring FKey;
  bool FTouched = false;
  std::wstring FCreated; // empty: the key was there
  std::vector<std::pair<std::wstring, std::optional<TValue>>> FOld;

  bool Exists(const std::wstring& AKey) const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(FRoot, AKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    RegCloseKey(key);
    return true;
  }
  static std::optional<TValue> Read(HKEY AKey, const wchar_t* AName) {
    TValue value{};
    DWORD size = 0;
    if (RegQueryValueExW(AKey, AName, nullptr, &value.Type, nullptr, &size) != ERROR_SUCCESS)
      return std::nullopt;
    value.Data.resize(size);
    if (RegQueryValueExW(AKey, AName, nullptr, &value.Type, value.Data.data(), &size) != ERROR_SUCCESS)
      return std::nullopt;
    value.Data.resize(size);
    return value;
  }
  // Sets the value, or deletes it when there is none.
  static bool Write(HKEY AKey, const wchar_t* AName, const std::optional<TValue>& AValue) {
    if (!AValue) {
      const LONG result = RegDeleteValueW(AKey, AName);
      return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    return RegSetValueExW(AKey, AName, 0, AValue->Type, AValue->Data.data(), static_cast<DWORD>(AValue->Data.size())) ==
           ERROR_SUCCESS;
  }
};

} // namespace tarvel::test
