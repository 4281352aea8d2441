#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/win32/Check.h"
#include "core/win32/Shell.h"
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
