// The settings store against the real registry: a scratch key stands in for the user's hive.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "core/win32/Win32Shell.h"
#include "settings/uAppSettings.h"
#include "settings/win32/Win32Registry.h"

namespace tarvel {
namespace {

const std::wstring SettingsPath = L"Software\\Nusk\\Tarvel";

class Win32RegistryTest : public testing::Test {
protected:
  void SetUp() override {
    FScratch = L"Software\\TarvelTests\\" + std::to_wstring(GetCurrentProcessId());
    RegDeleteTreeW(HKEY_CURRENT_USER, FScratch.c_str());
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, FScratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &FRoot, nullptr),
        ERROR_SUCCESS);
    FRegistry = std::make_unique<TWin32Registry>(FRoot);
  }
  void TearDown() override {
    RegCloseKey(FRoot);
    RegDeleteTreeW(HKEY_CURRENT_USER, FScratch.c_str());
  }

  // Writes a raw value under the settings key, creating the key.
  void Put(const wchar_t* AName, DWORD AType, const void* AData, DWORD ASize) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(FRoot, SettingsPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, AName, 0, AType, static_cast<const BYTE*>(AData), ASize), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void PutString(const wchar_t* AName, const std::wstring& AValue, DWORD AType = REG_SZ) {
    Put(AName, AType, AValue.c_str(), static_cast<DWORD>((AValue.size() + 1) * sizeof(wchar_t)));
  }
  void PutDword(const wchar_t* AName, DWORD AValue) { Put(AName, REG_DWORD, &AValue, sizeof AValue); }

  bool SettingsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(FRoot, SettingsPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    RegCloseKey(key);
    return true;
  }

  TTarvelSettings Load() {
    TTarvelSettings s;
    LoadAppSettings(*FRegistry, s);
    return s;
  }

  std::wstring FScratch;
  HKEY FRoot = nullptr;
  std::unique_ptr<TWin32Registry> FRegistry;
};

TEST_F(Win32RegistryTest, MissingKeyGivesDefaultsAndLoadingCreatesNothing) {
  EXPECT_EQ(Load(), TTarvelSettings{});
  EXPECT_FALSE(SettingsKeyExists());
}

TEST_F(Win32RegistryTest, AllTenValuesRoundTripWithTheirTypes) {
  TTarvelSettings s;
  s.ShowLog = true;
  s.ShowNotifications = true;
  s.DontShowTutorial = true;
  s.MaxClipEntries = 73;
  s.OcrLanguageTag = u"zh-Hans-CN";
  s.HotkeyControl = u'Q';
  s.HotkeyOCR = u'W';
  s.HotkeyScreenBox = u'E';
  s.HotkeyScreenFull = u'T';
  s.HotkeySave = u'U';
  SaveAppSettings(*FRegistry, s);
  EXPECT_EQ(Load(), s);

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(FRoot, SettingsPath.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  const struct {
    const wchar_t* Name;
    DWORD Type;
    DWORD Size;
  } expected[] = {{L"ShowLog", REG_DWORD, 4},          {L"ShowNotifications", REG_DWORD, 4},
                  {L"DontShowTutorial", REG_DWORD, 4}, {L"MaxClipEntries", REG_DWORD, 4},
                  {L"OcrLanguageTag", REG_SZ, 22},     {L"HotkeyControl", REG_SZ, 4},
                  {L"HotkeyOCR", REG_SZ, 4},           {L"HotkeyScreenBox", REG_SZ, 4},
                  {L"HotkeyScreenFull", REG_SZ, 4},    {L"HotkeySave", REG_SZ, 4}};
  for (const auto& e : expected) {
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, e.Name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, e.Type) << e.Name;
    EXPECT_EQ(size, e.Size) << e.Name;
  }
  RegCloseKey(key);
}

// Each value stored with a type the loader does not expect is ignored; the other values
// still load.
TEST_F(Win32RegistryTest, EachWrongTypeCountsAsMissing) {
  PutString(L"ShowLog", L"1");
  const unsigned long long big = 5;
  Put(L"ShowNotifications", REG_QWORD, &big, sizeof big);
  const BYTE binary[] = {50, 0, 0, 0};
  Put(L"MaxClipEntries", REG_BINARY, binary, sizeof binary);
  const wchar_t multi[] = L"en-US\0de-DE\0";
  Put(L"OcrLanguageTag", REG_MULTI_SZ, multi, sizeof multi);
  PutDword(L"HotkeyControl", 'Q');
  const DWORD bigEndian = 0x01000000;
  Put(L"DontShowTutorial", REG_DWORD_BIG_ENDIAN, &bigEndian, sizeof bigEndian);
  PutString(L"HotkeyOCR", L"k");
  PutString(L"HotkeySave", std::wstring(100000, L'V')); // absurdly long
  TTarvelSettings expected;
  expected.HotkeyOCR = u'K';
  EXPECT_EQ(Load(), expected);
}

TEST_F(Win32RegistryTest, ExpandableStringsAreReadAsStored) {
  PutString(L"OcrLanguageTag", L"%USERNAME%", REG_EXPAND_SZ);
  EXPECT_EQ(Load().OcrLanguageTag, u"%USERNAME%");
}

TEST_F(Win32RegistryTest, StoredNumbersAreLimitedOnLoad) {
  PutDword(L"MaxClipEntries", 500);
  EXPECT_EQ(Load().MaxClipEntries, 100);
  PutDword(L"MaxClipEntries", 0xFFFFFFFF);
  EXPECT_EQ(Load().MaxClipEntries, 1);
}

TEST_F(Win32RegistryTest, AKeyThatCannotBeCreatedIsAnError) {
  // Below a volatile key only volatile keys may be created, so the settings key cannot be.
  HKEY software = nullptr;
  ASSERT_EQ(
      RegCreateKeyExW(FRoot, L"Software", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &software, nullptr),
      ERROR_SUCCESS);
  RegCloseKey(software);
  EXPECT_THROW(SaveAppSettings(*FRegistry, TTarvelSettings{}), ERegistryError);
  EXPECT_FALSE(SettingsKeyExists());
}

// The shell of a program installed at a path chosen by the test.
class TShellAt : public TWin32Shell {
public:
  explicit TShellAt(std::u16string APath) : FPath(std::move(APath)) {}
  std::u16string ExecutablePath() override { return FPath; }

private:
  std::u16string FPath;
};

TEST_F(Win32RegistryTest, AutostartWritesReadsAndRemovesTheRunValue) {
  TShellAt shell(u"C:\\Program Files\\Tarvel\\tarvel.exe");
  EXPECT_FALSE(IsAutostartEnabled(*FRegistry, shell));
  SetAutostart(*FRegistry, shell, true);
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value;
  ASSERT_EQ(RegGetValueW(FRoot, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Tarvel", RRF_RT_REG_SZ, nullptr,
                         value, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(value, L"\"C:\\Program Files\\Tarvel\\tarvel.exe\"");
  EXPECT_TRUE(IsAutostartEnabled(*FRegistry, shell));
  TShellAt moved(u"D:\\Tools\\tarvel.exe");
  EXPECT_FALSE(IsAutostartEnabled(*FRegistry, moved));
  SetAutostart(*FRegistry, shell, false);
  EXPECT_FALSE(IsAutostartEnabled(*FRegistry, shell));
  SetAutostart(*FRegistry, shell, false); // nothing to remove: no error
  // A value of another type is not this program.
  HKEY run = nullptr;
  ASSERT_EQ(RegCreateKeyExW(FRoot, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, nullptr, 0, KEY_WRITE,
                            nullptr, &run, nullptr),
            ERROR_SUCCESS);
  const DWORD number = 1;
  RegSetValueExW(run, L"Tarvel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(run);
  EXPECT_FALSE(IsAutostartEnabled(*FRegistry, shell));
}

} // namespace
} // namespace tarvel
