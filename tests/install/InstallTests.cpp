// The installer as a user runs it from a command line: a silent install, a silent upgrade
// over the running program, a silent uninstall; checked from outside, in the files, the
// registry and the running program. scripts/test builds the installer (scripts/package) and
// names it in TARVEL_SETUP.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Process.h"
#include "ocr_double/OcrScript.h"
#include "version.h"

#define WIDEN2(x) L##x
#define WIDEN(x) WIDEN2(x)

namespace tarvel::install {
namespace {

using namespace std::chrono_literals;
using e2e::TProcess;
using e2e::WaitUntil;

constexpr wchar_t UninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvel";
constexpr wchar_t RunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t SettingsKey[] = L"Software\\Nusk\\Tarvel";
constexpr wchar_t MainWindowClass[] = L"TarvelMainWindow";

std::wstring KnownFolder(int ACsidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, ACsidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

std::wstring InstallFolder() {
  return KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Tarvel";
}
std::wstring InstalledExe() {
  return InstallFolder() + L"\\tarvel.exe";
}
std::wstring Shortcut() {
  return KnownFolder(CSIDL_PROGRAMS) + L"\\Tarvel.lnk";
}
// Where a user unpacked the portable zip.
std::wstring PortableFolder() {
  return KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\Tarvel portable";
}
std::wstring PortableExe() {
  return PortableFolder() + L"\\tarvel.exe";
}

bool Exists(const std::wstring& APath) {
  return GetFileAttributesW(APath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::wstring> RegString(const wchar_t* AKey, const wchar_t* AName) {
  wchar_t value[2048] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, AKey, AName, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(value);
}

std::optional<DWORD> RegDword(const wchar_t* AKey, const wchar_t* AName) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, AKey, AName, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

bool KeyExists(const wchar_t* AKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, AKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

// The "FileVersion" text of an executable's version resource, in its first language.
std::wstring FileVersionOf(const std::wstring& AExe) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(AExe.c_str(), &ignored);
  std::vector<char> data(size);
  if (size == 0 || !GetFileVersionInfoW(AExe.c_str(), 0, size, data.data()))
    return {};
  WORD* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
      length < 4)
    return {};
  wchar_t block[64];
  swprintf(block, 64, L"\\StringFileInfo\\%04X%04X\\FileVersion", translation[0], translation[1]);
  wchar_t* text = nullptr;
  if (!VerQueryValueW(data.data(), block, reinterpret_cast<void**>(&text), &length) || !text)
    return {};
  return text;
}

// Where a shortcut points.
std::wstring ShortcutTarget(const std::wstring& ALink) {
  std::wstring target;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(file->Load(ALink.c_str(), STGM_READ)) && SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)))
      target = path;
    file->Release();
  }
  link->Release();
  return target;
}

bool SamePath(const std::wstring& A, const std::wstring& B) {
  return CompareStringOrdinal(A.c_str(), -1, B.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The running Tarvel of this session, seen through its main window.
struct TRunning {
  HWND MainWindow = nullptr;
  DWORD ProcessId = 0;
  std::wstring Exe;
};

std::optional<TRunning> RunningTarvel() {
  const HWND main = FindWindowW(MainWindowClass, nullptr);
  if (!main)
    return std::nullopt;
  TRunning running{main, 0, {}};
  GetWindowThreadProcessId(main, &running.ProcessId);
  if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, running.ProcessId)) {
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (QueryFullProcessImageNameW(process, 0, path, &size))
      running.Exe = path;
    CloseHandle(process);
  }
  return running;
}

// True when the shell holds the notification-area icon of a window: modifying nothing
// succeeds only for an icon it holds.
bool TrayIconShown(HWND AOwner) {
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = AOwner;
  nid.uID = 1;
  return Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

bool TarvelRunsWithItsTrayIcon() {
  const std::optional<TRunning> running = RunningTarvel();
  return running && TrayIconShown(running->MainWindow);
}

// Runs a command line to its end; its exit code, or -1 when it did not end in time.
long RunToEnd(const std::wstring& ACommandLine, DWORD ATimeoutMs = 120000) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = ACommandLine;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return -2;
  CloseHandle(pi.hThread);
  long code = -1;
  if (WaitForSingleObject(pi.hProcess, ATimeoutMs) == WAIT_OBJECT_0) {
    DWORD exitCode = 0;
    GetExitCodeProcess(pi.hProcess, &exitCode);
    code = static_cast<long>(exitCode);
  }
  CloseHandle(pi.hProcess);
  return code;
}

long Elapsed(std::chrono::steady_clock::time_point AFrom) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - AFrom).count());
}

class InstallTest : public testing::Test {
protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const char* setup = std::getenv("TARVEL_SETUP");
    ASSERT_NE(setup, nullptr) << "TARVEL_SETUP names no installer (scripts/test sets it)";
    FSetup.assign(setup, setup + std::strlen(setup));
    ASSERT_TRUE(Exists(FSetup)) << "no installer at TARVEL_SETUP";
    ASSERT_FALSE(RunningTarvel()) << "a Tarvel already runs in this prefix";
    RemoveLeftovers();
  }
  void TearDown() override {
    // Whatever a failed step left behind: a Tarvel the installer started, the installation.
    if (const std::optional<TRunning> running = RunningTarvel()) {
      if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, running->ProcessId)) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
      }
    }
    RemoveLeftovers();
    RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey);
    CoUninitialize();
  }
  // Of an interrupted earlier run.
  static void RemoveLeftovers() {
    DeleteFileW(InstalledExe().c_str());
    DeleteFileW((InstallFolder() + L"\\uninstall.exe").c_str());
    RemoveDirectoryW(InstallFolder().c_str());
    DeleteFileW(Shortcut().c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, UninstallKey);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, RunKey, L"Tarvel");
    DeleteFileW(PortableExe().c_str());
    RemoveDirectoryW(PortableFolder().c_str());
  }
  void StoreSetting(const wchar_t* AName, DWORD AValue) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, SettingsKey, AName, REG_DWORD, &AValue, sizeof AValue), ERROR_SUCCESS);
  }
  std::wstring FSetup;
};

TEST_F(InstallTest, SilentInstallUpgradeOverTheRunningProgramAndUninstall) {
  const std::wstring exe = InstalledExe();
  const std::wstring quotedExe = L"\"" + exe + L"\"";
  // The user's own settings, which no installer may touch; no first-run tutorial either.
  StoreSetting(L"DontShowTutorial", 1);
  StoreSetting(L"MaxClipEntries", 42);

  // 1. A fresh silent install that also starts Tarvel with Windows.
  auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(RunToEnd(L"\"" + FSetup + L"\" /S /AUTOSTART"), 0) << "the silent install failed";
  std::printf("[ info     ] silent install: %ld ms\n", Elapsed(t0));
  ASSERT_TRUE(Exists(exe)) << "tarvel.exe is not in the per-user programs folder";
  EXPECT_TRUE(Exists(InstallFolder() + L"\\uninstall.exe"));
  ASSERT_TRUE(Exists(Shortcut())) << "no start-menu shortcut";
  EXPECT_TRUE(SamePath(ShortcutTarget(Shortcut()), exe)) << "the shortcut points elsewhere";

  // The installer of an architecture installs the program of that architecture (this test
  // program's: scripts/test pairs them).
  DWORD kind = 0;
  EXPECT_TRUE(GetBinaryTypeW(exe.c_str(), &kind));
  EXPECT_EQ(kind, DWORD{sizeof(void*) == 8 ? SCS_64BIT_BINARY : SCS_32BIT_BINARY});
  const std::wstring version = FileVersionOf(exe);
  EXPECT_EQ(version, WIDEN(TARVEL_VERSION_TEXT));
  EXPECT_EQ(RegString(UninstallKey, L"DisplayName"), L"Tarvel");
  EXPECT_EQ(RegString(UninstallKey, L"DisplayVersion"), version);
  EXPECT_EQ(RegString(UninstallKey, L"Publisher"), L"Nusk");
  EXPECT_EQ(RegString(UninstallKey, L"DisplayIcon"), exe + L",0");
  EXPECT_EQ(RegString(UninstallKey, L"InstallLocation"), InstallFolder());
  const std::wstring uninstaller = L"\"" + InstallFolder() + L"\\uninstall.exe\"";
  EXPECT_EQ(RegString(UninstallKey, L"UninstallString"), uninstaller);
  EXPECT_EQ(RegString(UninstallKey, L"QuietUninstallString"), uninstaller + L" /S");
  EXPECT_EQ(RegDword(UninstallKey, L"NoModify"), 1u);
  EXPECT_EQ(RegDword(UninstallKey, L"NoRepair"), 1u);
  WIN32_FILE_ATTRIBUTE_DATA file{};
  GetFileAttributesExW(exe.c_str(), GetFileExInfoStandard, &file);
  EXPECT_GE(RegDword(UninstallKey, L"EstimatedSize").value_or(0), file.nFileSizeLow / 1024) << "in KB";
  // The value Tarvel's own "Start with Windows" switch writes and recognises.
  EXPECT_EQ(RegString(RunKey, L"Tarvel"), quotedExe);
  EXPECT_FALSE(RunningTarvel()) << "an install over no running Tarvel started one";

  // 2. The installed program starts, hidden, with its tray icon.
  TProcess first = TProcess::Start(exe);
  ASSERT_TRUE(WaitUntil(TarvelRunsWithItsTrayIcon, 30s)) << "the installed Tarvel shows no tray icon";
  EXPECT_EQ(RunningTarvel()->ProcessId, first.Id());

  // 3. The same installer once more over the running program: it closes it cleanly,
  //    replaces the file and starts it again; settings and the autostart choice stay.
  t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(RunToEnd(L"\"" + FSetup + L"\" /S"), 0) << "the silent upgrade over the running Tarvel failed";
  std::printf("[ info     ] silent upgrade over the running program: %ld ms\n", Elapsed(t0));
  ASSERT_TRUE(first.WaitForExit(5000)) << "the first Tarvel still runs";
  EXPECT_EQ(first.ExitCode(), 0u) << "it was not closed the way a session end closes it";
  ASSERT_TRUE(WaitUntil(TarvelRunsWithItsTrayIcon, 30s)) << "Tarvel does not run again after the upgrade";
  const std::optional<TRunning> again = RunningTarvel();
  ASSERT_TRUE(again);
  EXPECT_NE(again->ProcessId, first.Id());
  EXPECT_TRUE(SamePath(again->Exe, exe)) << "the Tarvel running now is not the installed one";
  EXPECT_EQ(e2e::CountProcesses(L"tarvel.exe"), 1);
  EXPECT_EQ(RegString(RunKey, L"Tarvel"), quotedExe);
  EXPECT_EQ(RegDword(SettingsKey, L"MaxClipEntries"), 42u);
  EXPECT_EQ(RegString(UninstallKey, L"DisplayVersion"), version);

  // 4. The silent uninstall closes the program and takes everything of the installation
  //    with it; the settings stay (a silent run does not ask about them). The uninstaller
  //    runs from a copy of itself, so the original ends before the work is done.
  const std::wstring quietUninstall = RegString(UninstallKey, L"QuietUninstallString").value_or(L"");
  t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(RunToEnd(quietUninstall), 0);
  const auto everythingGone = [&] {
    return !Exists(exe) && !Exists(InstallFolder()) && !Exists(Shortcut()) && !KeyExists(UninstallKey) &&
           !RunningTarvel();
  };
  EXPECT_TRUE(WaitUntil(everythingGone, 60s));
  std::printf("[ info     ] silent uninstall: %ld ms\n", Elapsed(t0));
  EXPECT_FALSE(RunningTarvel()) << "Tarvel still runs";
  EXPECT_FALSE(Exists(exe));
  EXPECT_FALSE(Exists(InstallFolder() + L"\\uninstall.exe"));
  EXPECT_FALSE(Exists(InstallFolder())) << "the program folder is left";
  EXPECT_FALSE(Exists(Shortcut())) << "the shortcut is left";
  EXPECT_FALSE(KeyExists(UninstallKey)) << "the Apps & features entry is left";
  EXPECT_EQ(RegString(RunKey, L"Tarvel"), std::nullopt) << "Windows would still start the removed program";
  EXPECT_EQ(RegDword(SettingsKey, L"MaxClipEntries"), 42u) << "a silent uninstall removed the settings";
}

// Only the Tarvel whose file is replaced or removed is closed: a portable copy running from
// a folder of its own goes on running through a silent install and a silent uninstall, and
// nothing starts the installed copy in its place.
TEST_F(InstallTest, ACopyRunningFromAnotherFolderIsLeftAlone) {
  StoreSetting(L"DontShowTutorial", 1);
  ASSERT_TRUE(CreateDirectoryW(PortableFolder().c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(e2e::TarvelExePath().c_str(), PortableExe().c_str(), FALSE));
  TProcess portable = TProcess::Start(PortableExe());
  ASSERT_TRUE(WaitUntil(TarvelRunsWithItsTrayIcon, 30s)) << "the portable Tarvel shows no tray icon";
  const auto portableRunsAlone = [&] {
    const std::optional<TRunning> running = RunningTarvel();
    return portable.Running() && running && running->ProcessId == portable.Id() &&
           SamePath(running->Exe, PortableExe()) && e2e::CountProcesses(L"tarvel.exe") == 1;
  };
  ASSERT_TRUE(portableRunsAlone());

  ASSERT_EQ(RunToEnd(L"\"" + FSetup + L"\" /S"), 0) << "the silent install failed";
  ASSERT_TRUE(Exists(InstalledExe()));
  EXPECT_FALSE(portable.WaitForExit(2000)) << "the install closed the portable Tarvel";
  EXPECT_TRUE(portableRunsAlone()) << "the install started another Tarvel";

  ASSERT_EQ(RunToEnd(RegString(UninstallKey, L"QuietUninstallString").value_or(L"")), 0);
  EXPECT_TRUE(WaitUntil([] { return !Exists(InstalledExe()) && !KeyExists(UninstallKey); }, 60s))
      << "the uninstall left the installation";
  EXPECT_FALSE(portable.WaitForExit(2000)) << "the uninstall closed the portable Tarvel";
  EXPECT_TRUE(portableRunsAlone());
}

} // namespace
} // namespace tarvel::install

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Wine has no text recognition: the installed Tarvel finds the test's runtime classes with
  // one language, as in the end-to-end tier, and so starts without its OCR warning.
  const tarvel::ocr_double::TOcrDoubleRegistration ocr;
  const tarvel::ocr_double::TOcrScript languages;
  return RUN_ALL_TESTS();
}
