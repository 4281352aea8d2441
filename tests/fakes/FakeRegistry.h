#pragma once

#include <map>
#include <set>
#include <string>

#include "core/Bytes.h"
#include "core/Text.h"
#include "settings/Registry.h"

namespace tarvel {

// The registry in memory: keys by path, values by name, with switches for the failures a
// real hive can produce.
class TFakeRegistry : public IRegistry {
public:
  using TKey = std::map<std::u16string, TRegValue>;
  std::map<std::u16string, TKey> Keys;
  // Key paths that cannot be opened, and cannot be created.
  std::set<std::u16string> Unopenable;
  std::set<std::u16string> Uncreatable;
  // Value names whose writes fail.
  std::set<std::u16string> FailingWrites;
  // Every successful write, in order, as "<name>".
  std::vector<std::u16string> Writes;

  void Put(const std::u16string& APath, const std::u16string& AName, std::uint32_t AType,
           std::vector<std::uint8_t> AData) {
    TRegValue& v = Keys[APath][AName];
    v.Type = AType;
    v.Size = AData.size();
    v.Data = std::move(AData);
  }
  void PutDword(const std::u16string& APath, const std::u16string& AName, std::uint32_t AValue) {
    std::vector<std::uint8_t> data(sizeof AValue);
    StoreLE32(data.data(), AValue);
    Put(APath, AName, rtDword, std::move(data));
  }
  // With its terminating zero, as the system stores strings.
  void PutString(const std::u16string& APath, const std::u16string& AName, const std::u16string& AValue,
                 std::uint32_t AType = rtString) {
    Put(APath, AName, AType, ToUtf16LeBytes(AValue));
  }
  const TRegValue* Find(const std::u16string& APath, const std::u16string& AName) const {
    const auto key = Keys.find(APath);
    if (key == Keys.end())
      return nullptr;
    const auto value = key->second.find(AName);
    return value == key->second.end() ? nullptr : &value->second;
  }

  std::unique_ptr<IRegistryKey> OpenKeyReadOnly(std::u16string_view APath) override {
    const std::u16string path(APath);
    if (Unopenable.count(path) || !Keys.count(path))
      return nullptr;
    return std::make_unique<TOpenKey>(*this, path, false);
  }
  std::unique_ptr<IRegistryKey> CreateKey(std::u16string_view APath) override {
    const std::u16string path(APath);
    if (Uncreatable.count(path) || Unopenable.count(path))
      return nullptr;
    Keys[path];
    return std::make_unique<TOpenKey>(*this, path, true);
  }

private:
  class TOpenKey : public IRegistryKey {
  public:
    TOpenKey(TFakeRegistry& AOwner, std::u16string APath, bool AWritable)
        : FOwner(AOwner), FPath(std::move(APath)), FWritable(AWritable) {}
    std::optional<TRegValue> ReadValue(std::u16string_view AName, std::size_t AMaxBytes) override {
      const TRegValue* v = FOwner.Find(FPath, std::u16string(AName));
      if (!v)
        return std::nullopt;
      TRegValue r = *v;
      if (r.Size > AMaxBytes)
        r.Data.clear();
      return r;
    }
    bool WriteValue(std::u16string_view AName, std::uint32_t AType, const std::vector<std::uint8_t>& AData) override {
      const std::u16string name(AName);
      if (!FWritable || FOwner.FailingWrites.count(name))
        return false;
      FOwner.Put(FPath, name, AType, AData);
      FOwner.Writes.push_back(name);
      return true;
    }

    bool DeleteValue(std::u16string_view AName) override {
      return FWritable && FOwner.Keys[FPath].erase(std::u16string(AName)) != 0;
    }

  private:
    TFakeRegistry& FOwner;
    std::u16string FPath;
    bool FWritable;
  };
};

} // namespace tarvel
