#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "core/Errors.h"
#include "core/Shell.h"

namespace tarvel {

// A shell whose files have the version resources a test gives them.
class TFakeShell : public IShell {
public:
  struct TResource {
    std::map<std::u16string, std::vector<std::uint8_t>> Binary;
    std::map<std::u16string, std::u16string> Strings;
  };
  std::u16string Executable = u"C:\\Program Files\\Tarvel\\tarvel.exe";
  std::map<std::u16string, TResource> Resources;
  std::map<TSpecialFolder, std::u16string> Folders = {{sfDesktop, u"C:\\Users\\me\\Desktop"},
                                                      {sfAppData, u"C:\\Users\\me\\AppData\\Roaming"},
                                                      {sfTemp, u"C:\\Users\\me\\AppData\\Local\\Temp"}};
  // Written files by name; names in FailingWrites cannot be written.
  std::map<std::u16string, std::vector<std::uint8_t>> Files;
  std::set<std::u16string> FailingWrites;
  // What OpenUrl was asked to open, in order.
  std::vector<std::u16string> OpenedUrls;

  // The version resource of AFile, created empty for the test to fill.
  TResource& AddResource(const std::u16string& AFile) { return Resources[AFile]; }

  std::u16string ExecutablePath() override { return Executable; }
  std::unique_ptr<IVersionResource> LoadVersionResource(const std::u16string& AFileName) override {
    const auto r = Resources.find(AFileName);
    if (r == Resources.end())
      return nullptr;
    return std::make_unique<TLoaded>(r->second);
  }
  std::u16string SpecialFolder(TSpecialFolder AFolder) override {
    const auto i = Folders.find(AFolder);
    return i == Folders.end() ? std::u16string() : i->second;
  }
  void WriteFile(const std::u16string& AFileName, const std::vector<std::uint8_t>& AData) override {
    if (FailingWrites.count(AFileName))
      throw EFileError(u"Cannot create file \"" + AFileName + u"\". Access is denied.");
    Files[AFileName] = AData;
  }
  void OpenUrl(const std::u16string& AUrl) override { OpenedUrls.push_back(AUrl); }

private:
  class TLoaded : public IVersionResource {
  public:
    explicit TLoaded(TResource AResource) : FResource(std::move(AResource)) {}
    std::optional<std::vector<std::uint8_t>> QueryBinary(std::u16string_view ASubBlock) const override {
      const auto i = FResource.Binary.find(std::u16string(ASubBlock));
      if (i == FResource.Binary.end())
        return std::nullopt;
      return i->second;
    }
    std::optional<std::u16string> QueryString(std::u16string_view ASubBlock) const override {
      const auto i = FResource.Strings.find(std::u16string(ASubBlock));
      if (i == FResource.Strings.end())
        return std::nullopt;
      return i->second;
    }

  private:
    TResource FResource;
  };
};

} // namespace tarvel
