#include "settings/Registry.h"

#include "core/Bytes.h"
#include "core/Text.h"

namespace tarvel {

std::optional<std::uint32_t> ReadDword(IRegistryKey& AKey, std::u16string_view AName) {
  const auto value = AKey.ReadValue(AName, sizeof(std::uint32_t));
  if (!value || value->Type != rtDword || value->Data.size() != sizeof(std::uint32_t))
    return std::nullopt;
  return ReadLE32(value->Data.data());
}

std::optional<std::u16string> ReadString(IRegistryKey& AKey, std::u16string_view AName, std::size_t AMaxLength) {
  // Room for the text and its terminator.
  const std::size_t maxBytes = (AMaxLength + 1) * sizeof(char16_t);
  const auto value = AKey.ReadValue(AName, maxBytes);
  if (!value || (value->Type != rtString && value->Type != rtExpandString) || value->Size > maxBytes ||
      value->Data.size() != value->Size)
    return std::nullopt;
  std::u16string text = FromUtf16LeBytes(value->Data.data(), value->Data.size());
  if (text.size() > AMaxLength)
    return std::nullopt;
  return text;
}

namespace {

void Write(IRegistryKey& AKey, std::u16string_view AName, std::uint32_t AType, const std::vector<std::uint8_t>& AData) {
  if (!AKey.WriteValue(AName, AType, AData))
    throw ERegistryError(Format(u"Failed to set data for '%s'", {std::u16string(AName)}));
}

} // namespace

std::unique_ptr<IRegistryKey> CreateKeyOrRaise(IRegistry& ARegistry, std::u16string_view APath) {
  auto key = ARegistry.CreateKey(APath);
  if (!key)
    throw ERegistryError(Format(u"Cannot open '%s' for writing", {std::u16string(APath)}));
  return key;
}

void WriteDword(IRegistryKey& AKey, std::u16string_view AName, std::uint32_t AValue) {
  std::vector<std::uint8_t> data(sizeof AValue);
  StoreLE32(data.data(), AValue);
  Write(AKey, AName, rtDword, data);
}

void WriteString(IRegistryKey& AKey, std::u16string_view AName, std::u16string_view AValue) {
  Write(AKey, AName, rtString, ToUtf16LeBytes(AValue));
}

} // namespace tarvel
