#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "version.h"

namespace tarvel {
namespace {

std::wstring TarvelExePath() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  path.erase(path.find_last_of(L"\\/") + 1);
  return path + L"tarvel.exe";
}

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
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                             reinterpret_cast<void**>(&text), &len));
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

} // namespace
} // namespace tarvel
