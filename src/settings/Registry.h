#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Errors.h"

namespace tarvel {

// Registry value types, with the system's numbers.
enum TRegType : std::uint32_t {
  rtNone = 0,
  rtString = 1,       // REG_SZ
  rtExpandString = 2, // REG_EXPAND_SZ
  rtBinary = 3,       // REG_BINARY
  rtDword = 4,        // REG_DWORD
  rtMultiString = 7,  // REG_MULTI_SZ
  rtQword = 11,       // REG_QWORD
};

// A value as stored: its type and its bytes.
struct TRegValue {
  std::uint32_t Type = rtNone;
  // The stored size in bytes, even when Data was not read because it was too long.
  std::size_t Size = 0;
  std::vector<std::uint8_t> Data;
};

// One open key.
class IRegistryKey {
public:
  virtual ~IRegistryKey() = default;
  // The named value, or nothing when it does not exist or cannot be read. A value longer
  // than AMaxBytes comes back with its type and Size but without Data.
  virtual std::optional<TRegValue> ReadValue(std::u16string_view AName, std::size_t AMaxBytes) = 0;
  // False when the value could not be written.
  virtual bool WriteValue(std::u16string_view AName, std::uint32_t AType, const std::vector<std::uint8_t>& AData) = 0;
  // False when the value could not be deleted (or did not exist).
  virtual bool DeleteValue(std::u16string_view AName) = 0;
};

// The current user's hive (HKEY_CURRENT_USER on Windows); paths are relative to it.
class IRegistry {
public:
  virtual ~IRegistry() = default;
  // Opens an existing key for reading; null when it is missing or cannot be opened.
  virtual std::unique_ptr<IRegistryKey> OpenKeyReadOnly(std::u16string_view APath) = 0;
  // Opens a key for writing, creating it if missing; null on failure.
  virtual std::unique_ptr<IRegistryKey> CreateKey(std::u16string_view APath) = 0;
};

// A key or a value that could not be written.
TARVEL_DECLARE_ERROR(ERegistryError, EError);

// Opens a key for writing, creating it if missing; raises ERegistryError "Cannot open
// '<path>' for writing" when it cannot, so that a store never fails unnoticed.
std::unique_ptr<IRegistryKey> CreateKeyOrRaise(IRegistry& ARegistry, std::u16string_view APath);

// Typed reads. A value of another type, of the wrong size or longer than asked for is
// treated as missing, so callers fall back to their defaults.
std::optional<std::uint32_t> ReadDword(IRegistryKey& AKey, std::u16string_view AName);
// REG_SZ or REG_EXPAND_SZ (not expanded), up to AMaxLength code units; the text ends at
// its first zero unit, with or without a stored terminator.
std::optional<std::u16string> ReadString(IRegistryKey& AKey, std::u16string_view AName, std::size_t AMaxLength);

// Typed writes; a failure raises ERegistryError "Failed to set data for '<name>'".
void WriteDword(IRegistryKey& AKey, std::u16string_view AName, std::uint32_t AValue);
void WriteString(IRegistryKey& AKey, std::u16string_view AName, std::u16string_view AValue);

} // namespace tarvel
