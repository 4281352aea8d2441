#include "core/win32/Win32Shell.h"

#include <algorithm>

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include "core/Errors.h"
#include "core/Text.h"
#include "core/win32/Check.h"
#include "core/win32/Handles.h"

namespace tarvel {

namespace {

class TWin32VersionResource final : public IVersionResource {
public:
  explicit TWin32VersionResource(std::vector<std::uint8_t> AData) : FData(std::move(AData)) {}

  std::optional<std::vector<std::uint8_t>> QueryBinary(std::u16string_view ASubBlock) const override {
    void* block = nullptr;
    UINT length = 0;
    if (!Query(ASubBlock, block, length))
      return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    return std::vector<std::uint8_t>(bytes, bytes + length);
  }

  std::optional<std::u16string> QueryString(std::u16string_view ASubBlock) const override {
    void* block = nullptr;
    UINT length = 0; // in characters, with the terminator when there is one
    if (!Query(ASubBlock, block, length))
      return std::nullopt;
    std::u16string text(static_cast<const char16_t*>(block), length);
    if (const auto end = text.find(u'\0'); end != std::u16string::npos)
      text.resize(end);
    return text;
  }

private:
  bool Query(std::u16string_view ASubBlock, void*& ABlock, UINT& ALength) const {
    const std::wstring path = ToWide(std::u16string(ASubBlock));
    return VerQueryValueW(FData.data(), path.c_str(), &ABlock, &ALength) && ABlock;
  }

  // VerQueryValueW takes a writable buffer.
  mutable std::vector<std::uint8_t> FData;
};

} // namespace

std::u16string TWin32Shell::ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      return {};
    if (length < path.size()) {
      path.resize(length);
      return ToU16(path);
    }
    path.resize(path.size() * 2);
  }
}

std::unique_ptr<IVersionResource> TWin32Shell::LoadVersionResource(const std::u16string& AFileName) {
  const std::wstring file = ToWide(AFileName);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0)
    return nullptr;
  std::vector<std::uint8_t> data(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data()))
    return nullptr;
  return std::make_unique<TWin32VersionResource>(std::move(data));
}

std::u16string TWin32Shell::SpecialFolder(TSpecialFolder AFolder) {
  if (AFolder == sfTemp) {
    wchar_t temp[MAX_PATH + 1] = {};
    if (!GetTempPathW(MAX_PATH + 1, temp))
      return {};
    wchar_t full[32768] = {};
    const DWORD length = GetLongPathNameW(temp, full, 32768);
    std::wstring folder = length > 0 && length < 32768 ? full : temp;
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/'))
      folder.pop_back();
    return ToU16(folder.c_str());
  }
  const int csidl = AFolder == sfDesktop ? CSIDL_DESKTOPDIRECTORY : CSIDL_APPDATA;
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
    return {};
  return ToU16(path);
}

void TWin32Shell::WriteFile(const std::u16string& AFileName, const std::vector<std::uint8_t>& AData) {
  const auto fail = [&AFileName](DWORD ACode) {
    return EFileError(Format(u"Cannot create file \"%s\". %s", {AFileName, SystemErrorMessage(ACode)}));
  };
  TUniqueFile file(
      CreateFileW(ToWide(AFileName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    throw fail(GetLastError());
  std::size_t done = 0;
  while (done < AData.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(AData.size() - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file.Get(), AData.data() + done, chunk, &written, nullptr) || written == 0)
      throw EFileError(Format(u"Cannot write file \"%s\". %s", {AFileName, SystemErrorMessage(GetLastError())}));
    done += written;
  }
}

void TWin32Shell::OpenUrl(const std::u16string& AUrl) {
  ShellExecuteW(nullptr, L"open", ToWide(AUrl).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace tarvel
