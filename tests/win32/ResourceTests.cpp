#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "core/win32/Check.h"
#include "core/win32/Win32Shell.h"
#include "update/UpdateHelper.h"
#include "version.h"
#include "win32/TarvelExe.h"

#define WIDEN2(x) L##x
#define WIDEN(x) WIDEN2(x)

namespace tarvel {
namespace {

TEST(ResourceTest, ExecutableCarriesTheProjectVersion) {
  const std::wstring exe = TarvelExePath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  ASSERT_GT(size, 0u) << "no version resource in tarvel.exe";
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len));
  EXPECT_EQ(HIWORD(info->dwFileVersionMS), TARVEL_VERSION_MAJOR);
  EXPECT_EQ(LOWORD(info->dwFileVersionMS), TARVEL_VERSION_MINOR);
  EXPECT_EQ(HIWORD(info->dwFileVersionLS), TARVEL_VERSION_PATCH);
  EXPECT_EQ(LOWORD(info->dwFileVersionLS), TARVEL_VERSION_TWEAK);
  wchar_t* text = nullptr;
  ASSERT_TRUE(
      VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductName", reinterpret_cast<void**>(&text), &len));
  EXPECT_STREQ(text, L"Tarvel");
}

TEST(ResourceTest, ExecutableCarriesItsManifest) {
  HMODULE exe = LoadLibraryExW(TarvelExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  HRSRC res = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(res, nullptr);
  const char* text = static_cast<const char*>(LockResource(LoadResource(exe, res)));
  const std::string manifest(text, SizeofResource(exe, res));
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
  EXPECT_NE(manifest.find("true/pm"), std::string::npos);
  EXPECT_NE(manifest.find("level=\"asInvoker\" uiAccess=\"false\""), std::string::npos);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
  FreeLibrary(exe);
}

TEST(ResourceTest, ExecutableMayUseTheWholeAddressSpaceOf64BitWindows) {
  HMODULE exe = LoadLibraryExW(TarvelExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  // A data-file mapping is tagged in its low bits.
  const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(exe) & ~ULONG_PTR{3});
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  EXPECT_NE(nt->FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE, 0);
  FreeLibrary(exe);
}

// The DLLs an executable file loads at its start: the names in its import directory.
std::vector<std::string> ImportedDlls(const std::wstring& AExe) {
  std::vector<std::string> names;
  const HANDLE file = CreateFileW(AExe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return names;
  std::vector<BYTE> bytes(GetFileSize(file, nullptr));
  DWORD read = 0;
  const BOOL ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  if (!ok || read != bytes.size())
    return names;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(bytes.data() + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
  const auto offset = [&](DWORD ARva) -> std::size_t {
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i)
      if (ARva >= sections[i].VirtualAddress && ARva < sections[i].VirtualAddress + sections[i].SizeOfRawData)
        return ARva - sections[i].VirtualAddress + sections[i].PointerToRawData;
    return 0;
  };
  const DWORD directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(bytes.data() + offset(directory));
       directory != 0 && entry->Name != 0; ++entry) {
    std::string name(reinterpret_cast<const char*>(bytes.data() + offset(entry->Name)));
    for (char& c : name)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names.push_back(name);
  }
  return names;
}

// A second start only gives way to the first: the libraries of work that comes later (the
// update check, the save dialog, UI Automation, the selection overlay) are loaded when it
// first runs, not at start.
TEST(ResourceTest, ExecutableLoadsAtItsStartOnlyWhatEveryStartNeeds) {
  const std::vector<std::string> imported = ImportedDlls(TarvelExePath());
  ASSERT_FALSE(imported.empty()) << "no import directory read";
  EXPECT_NE(std::find(imported.begin(), imported.end(), "user32.dll"), imported.end());
  for (const char* later : {"winhttp.dll", "crypt32.dll", "comdlg32.dll", "ole32.dll", "oleaut32.dll", "shcore.dll"})
    EXPECT_EQ(std::find(imported.begin(), imported.end(), later), imported.end()) << later << " is loaded at start";
}

// The shell as the running tarvel.exe sees it.
class TShellOfTarvel : public TWin32Shell {
public:
  std::u16string ExecutablePath() override { return ToU16(TarvelExePath()); }
};

TEST(VersionResourceTest, ReadsTheVersionOfTheRealExecutable) {
  TWin32Shell shell;
  const std::u16string exe = ToU16(TarvelExePath());
  const std::u16string expected = ToU16(std::wstring(WIDEN(TARVEL_VERSION_TEXT)));
  EXPECT_EQ(ReadVersionString(shell, exe, u"FileVersion"), expected);
  EXPECT_EQ(ReadVersionString(shell, exe, u"ProductVersion"), expected);
  EXPECT_EQ(ReadVersionString(shell, exe, u"NoSuchValue"), u"");
  TShellOfTarvel tarvel;
  EXPECT_EQ(ReadAppVersion(tarvel), expected);
  EXPECT_EQ(GetAppVersion(tarvel), expected);
}

TEST(VersionResourceTest, AProgramWithoutVersionResourceGetsTheFallback) {
  TWin32Shell shell; // this test program carries no version resource
  EXPECT_NE(shell.ExecutablePath().find(u"tarvel_win32_tests.exe"), std::u16string::npos);
  EXPECT_EQ(ReadAppVersion(shell), u"");
  EXPECT_EQ(GetAppVersion(shell), u"1.2.0.2");
  EXPECT_EQ(ReadVersionString(shell, u"C:\\no\\such\\file.exe", u"FileVersion"), u"");
}

} // namespace
} // namespace tarvel
