#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// A file's loaded version resource, asked by the sub-block paths of its tables
// ("\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904B0\\FileVersion").
class IVersionResource {
public:
  virtual ~IVersionResource() = default;
  // The bytes of a binary block; nothing when the block is missing.
  virtual std::optional<std::vector<std::uint8_t>> QueryBinary(std::u16string_view ASubBlock) const = 0;
  // A string-table value without its terminator; nothing when it is missing.
  virtual std::optional<std::u16string> QueryString(std::u16string_view ASubBlock) const = 0;
};

// sfTemp: the user's temporary folder, in its long form.
enum TSpecialFolder { sfDesktop, sfAppData, sfTemp };

// What the program asks of the desktop shell and the file system around it.
class IShell {
public:
  virtual ~IShell() = default;
  // Full path of the running program file.
  virtual std::u16string ExecutablePath() = 0;
  // The file's version resource; null when it has none or it cannot be read.
  virtual std::unique_ptr<IVersionResource> LoadVersionResource(const std::u16string& AFileName) = 0;
  // The current user's folder; empty when the system cannot tell it.
  virtual std::u16string SpecialFolder(TSpecialFolder AFolder) = 0;
  // Creates or replaces the file with exactly AData; raises EFileError on failure.
  virtual void WriteFile(const std::u16string& AFileName, const std::vector<std::uint8_t>& AData) = 0;
  // Asks the system to open AUrl with its default handler; what comes of it is not told.
  virtual void OpenUrl(const std::u16string& AUrl) = 0;
};

} // namespace tarvel
