// Drives the real tarvel.exe from outside, as another program does, and prints what it
// measured: Tarvel's processor time (GetProcessTimes of its process) and memory
// (GetProcessMemoryInfo), wall time, how many copies it captured and how long a copy takes
// to show.
//
// Run under Wine with a display, in a prefix where no Tarvel runs; scripts/bench does both,
// for the architecture the machine runs. Each run removes Tarvel's stored settings, stores
// the few it needs, starts tarvel.exe (the one beside this program unless --exe names
// another), measures, ends that Tarvel by its process handle and removes the settings again:
//
//   scripts/bench drive storm 1000 5 text log-shown
//
// Under Wine the processor time is read from the Linux process's /proc counters (10 ms
// steps), because GetProcessTimes of another process reports only a part of it there.
//
//   tarvel_drive_bench.exe [--exe PATH] storm <count> <pause-ms> text|image [log-shown|log-hidden]
//       <count> distinct texts (or small images of distinct sizes) copied with <pause-ms>
//       between them. Prints Tarvel's processor time over the copies and until it is idle
//       again, that wall time, and how many of the copies it captured (counted from its log,
//       read after every 400 copies so that none drops out of its 500 lines; the reading is
//       left out of both times).
//   tarvel_drive_bench.exe [--exe PATH] latency text|image [log-shown|log-hidden] [samples]
//       Fills the log to its 500 lines first, then copies one item a second (20 unless
//       samples says otherwise) and times from the copy to its entry in the clipboard card's
//       counter line and, with the log shown, to its line at the end of the log; prints the
//       median and the maximum, and Tarvel's processor time per capture.
//   tarvel_drive_bench.exe [--exe PATH] memory <count> <width> <height>
//       History size 100; copies <count> distinct screen-like images of that size, each once
//       the one before is captured, and prints Tarvel's working set and private bytes after
//       every 10 copies and at the end (under Wine, which reports no private bytes for
//       another process, also the Linux process's anonymous resident memory).
//
// log-shown (the default): the window shown on its info card with "show log" on, so that
// every log line reaches the field on screen. log-hidden: the same window and card with
// "show log" off, so that the field keeps the information text. The memory run keeps the
// window in the tray with "show log" on, which is how it sees each capture.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Timing.h"
#include "app/win32/ControlIds.h"
#include "e2e/Driver.h"
#include "e2e/OtherProgram.h"
#include "e2e/Process.h"
#include "e2e/Session.h"
#include "ocr_double/OcrScript.h"

namespace {

using namespace tarvel;
using namespace tarvel::e2e;
using namespace std::chrono_literals;
using tarvel::bench::Median;
using tarvel::bench::Milliseconds;
using tarvel::bench::TClock;

constexpr int ReadEvery = 400; // copies between two readings of the log (it keeps 500 lines)

std::vector<std::wstring> Lines(const std::wstring& AText) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  while (start <= AText.size()) {
    const std::size_t end = AText.find(L"\r\n", start);
    lines.push_back(AText.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos)
      break;
    start = end + 2;
  }
  return lines;
}

// What is copied: text number i carries its number at the start; image number i has a size
// of its own, so that its log line names it.
std::wstring CopyText(int AIndex) {
  wchar_t head[32];
  std::swprintf(head, 32, L"copy %06d ", AIndex);
  return head + std::wstring(L"of the bench run, a line of text as long as one copied from a web page or a mail");
}

SIZE SmallImageSize(int AIndex) {
  return {8 + AIndex % 256, 8 + AIndex / 256 % 256};
}

std::wstring ImageTag(SIZE ASize) {
  return std::to_wstring(ASize.cx) + L"x" + std::to_wstring(ASize.cy);
}

// What the log says for a captured copy, up to the copy's own text or the image's size.
constexpr std::wstring_view CapturedTextLine = L"External clipboard captured: text ";
constexpr std::wstring_view CapturedImageLine = L"External clipboard captured: image ";

// The rest of ALine after APrefix, or nothing when ALine does not hold it.
const wchar_t* After(const std::wstring& ALine, std::wstring_view APrefix) {
  const std::size_t at = ALine.find(APrefix);
  return at == std::wstring::npos ? nullptr : ALine.c_str() + at + APrefix.size();
}

// The number of the copy a log line reports captured, or nothing.
std::optional<int> CapturedIndex(const std::wstring& ALine, bool AImage) {
  if (!AImage) {
    const wchar_t* const text = After(ALine, CapturedTextLine);
    int index = 0;
    if (!text || std::swscanf(text, L"copy %d", &index) != 1)
      return std::nullopt;
    return index;
  }
  const wchar_t* const size = After(ALine, CapturedImageLine);
  int w = 0, h = 0;
  if (!size || std::swscanf(size, L"%dx%d", &w, &h) != 2 || w < 8 || h < 8)
    return std::nullopt;
  return (w - 8) + 256 * (h - 8);
}

// A 32-bit bottom-up CF_DIB block; APaint fills the pixels row by row from the top.
template <class TPaint> std::vector<std::uint8_t> Dib(int AWidth, int AHeight, TPaint APaint) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = AWidth;
  header.biHeight = AHeight;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  std::vector<std::uint8_t> dib(sizeof header + 4u * AWidth * AHeight);
  std::memcpy(dib.data(), &header, sizeof header);
  auto* pixels = reinterpret_cast<std::uint32_t*>(dib.data() + sizeof header);
  for (int y = 0; y < AHeight; ++y)
    APaint(y, pixels + static_cast<std::size_t>(AHeight - 1 - y) * AWidth);
  return dib;
}

std::vector<std::uint8_t> SmallImage(int AIndex) {
  const SIZE size = SmallImageSize(AIndex);
  return Dib(size.cx, size.cy, [&](int AY, std::uint32_t* ARow) {
    for (int x = 0; x < size.cx; ++x)
      ARow[x] = static_cast<std::uint32_t>((x * 5) << 16 | (AY * 7) << 8 | (AIndex * 13) % 256);
  });
}

// Looks like a screen: a desktop, a window with a title bar, rows of dark "words" on white,
// and the copy's number as a row of bits in the title bar.
std::vector<std::uint8_t> ScreenImage(int AIndex, int AWidth, int AHeight) {
  const int left = AWidth / 10, right = AWidth * 9 / 10, top = AHeight / 10, bottom = AHeight * 9 / 10;
  return Dib(AWidth, AHeight, [&](int AY, std::uint32_t* ARow) {
    std::fill(ARow, ARow + AWidth, 0x00306090u);
    if (AY < top || AY >= bottom)
      return;
    if (AY < top + 30) {
      std::fill(ARow + left, ARow + right, 0x00202830u);
      for (int bit = 0; bit < 20; ++bit)
        if (AIndex >> bit & 1)
          std::fill(ARow + left + 10 + bit * 12, ARow + left + 18 + bit * 12, 0x00F0F0F0u);
      return;
    }
    std::fill(ARow + left, ARow + right, 0x00FFFFFFu);
    const int line = (AY - top - 30) % 20;
    if (line < 4 || line > 13)
      return;
    const int row = (AY - top - 30) / 20;
    for (int x = left + 12, word = 0; x < right - 12; ++word) {
      const int length = 20 + (row * 7 + word * 13) % 60;
      std::fill(ARow + x, ARow + std::min(x + length, right - 12), 0x00202020u);
      x += length + 8;
    }
  });
}

// A file read whole, as bytes; empty when it cannot be opened.
std::string ReadWhole(const std::wstring& APath) {
  TUniqueFile file(
      CreateFileW(APath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  if (!file)
    return bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
    bytes.append(buffer, read);
  return bytes;
}

// The fields of a Linux /proc/<pid>/stat after the command name: [0] is the state, [11] and
// [12] the user and system time in clock ticks, [19] the start time.
std::vector<std::string> StatFields(const std::string& AStat) {
  std::vector<std::string> fields;
  const std::size_t close = AStat.rfind(')');
  if (close == std::string::npos)
    return fields;
  std::size_t at = close + 1;
  while (at < AStat.size()) {
    const std::size_t start = AStat.find_first_not_of(" \n", at);
    if (start == std::string::npos)
      break;
    at = AStat.find_first_of(" \n", start);
    fields.push_back(AStat.substr(start, at == std::string::npos ? std::string::npos : at - start));
  }
  return fields;
}

// Under Wine, GetProcessTimes of another process reports a small fraction of what the kernel
// counts for it; the Linux process of the started program is found by its command line (the
// newest one that names AExe) and read through the Z: drive. Zero when there is none, as on
// Windows.
DWORD UnixProcessOf(const std::wstring& AExe) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
  if (search == INVALID_HANDLE_VALUE)
    return 0;
  const std::string exe(AExe.begin(), AExe.end());
  DWORD best = 0;
  unsigned long long bestStart = 0;
  do {
    const DWORD pid = std::wcstoul(found.cFileName, nullptr, 10);
    if (pid == 0)
      continue;
    const std::wstring folder = L"Z:\\proc\\" + std::wstring(found.cFileName) + L"\\";
    const std::string commandLine = ReadWhole(folder + L"cmdline");
    if (lstrcmpiA(commandLine.c_str(), exe.c_str()) != 0)
      continue;
    const std::vector<std::string> fields = StatFields(ReadWhole(folder + L"stat"));
    if (fields.size() > 19 && std::stoull(fields[19]) >= bestStart) {
      bestStart = std::stoull(fields[19]);
      best = pid;
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return best;
}

struct TOptions {
  std::wstring Exe;
  std::vector<std::wstring> Args;
};

// One Tarvel under measurement, with its window and the other program that copies.
class TBench : TTarvelSession {
public:
  explicit TBench(const std::wstring& AExe) : FExe(AExe) {}
  ~TBench() {
    FTarvel.Kill();
    DeleteStoredSettings();
  }

  // Starts Tarvel from stored settings; AShowWindow shows its window on the info card.
  bool Start(bool AShowLog, DWORD AHistorySize, bool AShowWindow) {
    if (OpenClipboard(FOther.Window())) {
      EmptyClipboard();
      CloseClipboard();
    }
    StoreFreshSettings();
    StoreSetting(L"ShowLog", AShowLog ? 1 : 0);
    StoreSetting(L"MaxClipEntries", AHistorySize);
    StoreSetting(L"ShowNotifications", 0);
    if (const std::wstring failure = StartTarvelFrom(FExe); !failure.empty())
      return Fail(failure);
    FHandle.Reset(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, FTarvel.Id()));
    if (!FHandle.Valid())
      return Fail(L"cannot open the Tarvel process");
    if (!WaitUntil([&] { return (FUnixPid = UnixProcessOf(FExe)) != 0; }, 2s) &&
        GetEnvironmentVariableW(L"WINEPREFIX", nullptr, 0) > 0)
      return Fail(L"Tarvel's Linux process was not found");
    if (AShowLog && !WaitUntil([&] { return Log().find(L" - Tarvel started") != std::wstring::npos; }, 10s))
      return Fail(L"Tarvel did not finish starting");
    if (!AShowWindow)
      return true;
    if (const std::wstring failure = ShowAppFromTray(); !failure.empty())
      return Fail(failure);
    if (const std::wstring failure = ShowCardOf(idBtnCard3, idMemoInfoLog); !failure.empty())
      return Fail(failure);
    return true;
  }

  using TTarvelSession::Control;
  std::wstring Log() const { return TextOf(Control(idMemoInfoLog)); }
  std::wstring Counter() const { return TextOf(Control(idLabel1)); }

  // Flips "show log" with a click and waits until the field shows the log or the
  // information text.
  bool SetShowLog(bool AOn) {
    ClickControl(Control(idSwtShowLog));
    const bool shown = WaitUntil(
        [&] {
          const std::wstring text = Log();
          return AOn == (text.find(L"Tray-resident utility") == std::wstring::npos && !text.empty());
        },
        10s);
    return shown || Fail(L"the switch did not change the field");
  }

  double CpuMs() const {
    if (FUnixPid != 0) {
      const std::vector<std::string> fields =
          StatFields(ReadWhole(L"Z:\\proc\\" + std::to_wstring(FUnixPid) + L"\\stat"));
      if (fields.size() > 12)
        return (std::stod(fields[11]) + std::stod(fields[12])) * 10; // 100 ticks a second
      return -1;
    }
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(FHandle.Get(), &created, &exited, &kernel, &user))
      return -1;
    const auto value = [](const FILETIME& AF) {
      return static_cast<double>(ULARGE_INTEGER{{AF.dwLowDateTime, AF.dwHighDateTime}}.QuadPart) / 10'000;
    };
    return value(kernel) + value(user);
  }

  // Under Wine: the Linux process's resident anonymous memory (RssAnon of /proc/<pid>/status,
  // in MB), which stands for private bytes there (Wine reports none); -1 elsewhere.
  double LinuxPrivateMb() const {
    if (FUnixPid == 0)
      return -1;
    const std::string status = ReadWhole(L"Z:\\proc\\" + std::to_wstring(FUnixPid) + L"\\status");
    const std::size_t at = status.find("RssAnon:");
    return at == std::string::npos ? -1 : std::strtod(status.c_str() + at + 8, nullptr) / 1024;
  }

  PROCESS_MEMORY_COUNTERS_EX Memory() const {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(FHandle.Get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return counters;
  }

  // Waits until Tarvel has answered a sent message and its processor time has not grown for
  // 150 ms; returns when it last grew.
  TClock::time_point WaitIdle() const {
    DWORD_PTR result;
    SendMessageTimeoutW(FMain, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
    double last = CpuMs();
    TClock::time_point changed = TClock::now();
    for (int still = 0; still < 3;) {
      Pump(50);
      const double now = CpuMs();
      if (now != last) {
        last = now;
        changed = TClock::now();
        still = 0;
      } else {
        ++still;
      }
    }
    return changed;
  }

  // Handles what comes for this program's windows for AMilliseconds, as a program does
  // between two copies: Tarvel's reading of the clipboard may wait for the owner's answer.
  static void Pump(DWORD AMilliseconds) {
    const ULONGLONG end = GetTickCount64() + AMilliseconds;
    for (;;) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      const ULONGLONG now = GetTickCount64();
      if (now >= end)
        return;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
  }

  void CopyText(const std::wstring& AText) { FOther.CopyText(AText); }
  void CopyDib(const std::vector<std::uint8_t>& ADib) { FOther.CopyFormats({{CF_DIB, ADib}}); }

private:
  bool Fail(const std::wstring& AWhy) const {
    std::fwprintf(stderr, L"drive bench: %ls\n", AWhy.c_str());
    return false;
  }

  std::wstring FExe;
  TOtherProgram FOther;
  TUniqueHandle FHandle;
  DWORD FUnixPid = 0;
};

bool ParseMode(const std::vector<std::wstring>& AArgs, std::size_t AAt, bool& AShown) {
  if (AArgs.size() <= AAt || AArgs[AAt] == L"log-shown")
    AShown = true;
  else if (AArgs[AAt] == L"log-hidden")
    AShown = false;
  else
    return false;
  return true;
}

int Storm(const TOptions& AOptions) {
  const auto& a = AOptions.Args;
  bool shown = true;
  if (a.size() < 4 || (a[3] != L"text" && a[3] != L"image") || !ParseMode(a, 4, shown))
    return 1;
  const int count = std::max(1, _wtoi(a[1].c_str()));
  const int pause = std::max(0, _wtoi(a[2].c_str()));
  const bool image = a[3] == L"image";
  TBench bench(AOptions.Exe);
  if (!bench.Start(shown, 10, true))
    return 2;
  bench.WaitIdle();

  std::set<int> captured;
  const auto count_captured = [&] {
    if (!shown && !bench.SetShowLog(true))
      return false;
    for (const std::wstring& line : Lines(bench.Log()))
      if (const auto index = CapturedIndex(line, image))
        captured.insert(*index);
    return shown || bench.SetShowLog(false);
  };

  double cpu = 0, wall = 0, copying = 0;
  for (int first = 0; first < count; first += ReadEvery) {
    const int last = std::min(count, first + ReadEvery);
    std::vector<std::vector<std::uint8_t>> images;
    if (image)
      for (int i = first; i < last; ++i)
        images.push_back(SmallImage(i));
    const double cpu0 = bench.CpuMs();
    const TClock::time_point t0 = TClock::now();
    for (int i = first; i < last; ++i) {
      if (image)
        bench.CopyDib(images[static_cast<std::size_t>(i - first)]);
      else
        bench.CopyText(CopyText(i));
      TBench::Pump(i + 1 < last ? static_cast<DWORD>(pause) : 0);
    }
    copying += Milliseconds(TClock::now() - t0);
    const TClock::time_point idle = bench.WaitIdle();
    wall += Milliseconds(std::max(idle, t0) - t0);
    cpu += bench.CpuMs() - cpu0;
    if (!count_captured())
      return 2;
  }
  std::printf("storm %ls %ls: %d copies, pause %d ms, copying took %.0f ms (%.0f copies/s)\n", a[3].c_str(),
              shown ? L"log-shown" : L"log-hidden", count, pause, copying, count * 1000.0 / std::max(copying, 1.0));
  std::printf("  tarvel cpu %.0f ms (%.2f ms per copy), wall until idle %.0f ms, captured %zu of %d (%.1f%%)\n", cpu,
              cpu / count, wall, captured.size(), count, 100.0 * static_cast<double>(captured.size()) / count);
  return 0;
}

int Latency(const TOptions& AOptions) {
  const auto& a = AOptions.Args;
  bool shown = true;
  if (a.size() < 2 || (a[1] != L"text" && a[1] != L"image") || !ParseMode(a, 2, shown))
    return 1;
  const bool image = a[1] == L"image";
  const int samples = a.size() > 3 ? std::max(1, _wtoi(a[3].c_str())) : 20;
  TBench bench(AOptions.Exe);
  // The log is filled with "show log" off, each copy waited for, and shown afterwards.
  if (!bench.Start(false, 10, true))
    return 2;
  const auto counter_shows = [&](int AIndex) {
    const std::wstring tag = image ? L"Image " + ImageTag(SmallImageSize(AIndex)) : CopyText(AIndex).substr(0, 12);
    return bench.Counter().find(tag) != std::wstring::npos;
  };
  const auto copy = [&](int AIndex) {
    if (image)
      bench.CopyDib(SmallImage(AIndex));
    else
      bench.CopyText(CopyText(AIndex));
  };
  int next = 0;
  for (; next < 510; ++next) {
    copy(next);
    if (!WaitUntil([&] { return counter_shows(next); }, 10s)) {
      std::fprintf(stderr, "drive bench: copy %d was not captured while filling the log\n", next);
      return 2;
    }
  }
  if (shown) {
    if (!bench.SetShowLog(true))
      return 2;
    std::printf("log filled: %zu lines\n", Lines(bench.Log()).size());
  }
  bench.WaitIdle();

  std::vector<double> toCounter, toLog;
  const double cpu0 = bench.CpuMs();
  for (int s = 0; s < samples; ++s, ++next) {
    const std::vector<std::uint8_t> dib = image ? SmallImage(next) : std::vector<std::uint8_t>{};
    const std::wstring text = CopyText(next);
    const TClock::time_point t0 = TClock::now();
    if (image)
      bench.CopyDib(dib);
    else
      bench.CopyText(text);
    while (!counter_shows(next)) {
      if (TClock::now() - t0 > 30s) {
        std::fprintf(stderr, "drive bench: copy %d was not captured\n", next);
        return 2;
      }
      TBench::Pump(1);
    }
    toCounter.push_back(Milliseconds(TClock::now() - t0));
    if (shown) {
      for (;;) {
        const std::vector<std::wstring> lines = Lines(bench.Log());
        if (CapturedIndex(lines.back(), image) == next)
          break;
        if (TClock::now() - t0 > 30s) {
          std::fprintf(stderr, "drive bench: copy %d did not reach the log\n", next);
          return 2;
        }
        TBench::Pump(1);
      }
      toLog.push_back(Milliseconds(TClock::now() - t0));
    }
    // The next copy finds Tarvel idle, and its log back to showing each line at once.
    TBench::Pump(1000);
  }
  const double cpu = bench.CpuMs() - cpu0;
  std::printf("latency %ls %ls, %d samples with the log full:\n", a[1].c_str(), shown ? L"log-shown" : L"log-hidden",
              samples);
  std::printf("  to the counter line: median %.1f ms, max %.1f ms\n", Median(toCounter),
              *std::max_element(toCounter.begin(), toCounter.end()));
  if (shown)
    std::printf("  to the log line:     median %.1f ms, max %.1f ms\n", Median(toLog),
                *std::max_element(toLog.begin(), toLog.end()));
  std::printf("  tarvel cpu %.1f ms per capture (reading the fields included)\n", cpu / samples);
  return 0;
}

int Memory(const TOptions& AOptions) {
  const auto& a = AOptions.Args;
  if (a.size() < 4)
    return 1;
  const int count = std::max(1, _wtoi(a[1].c_str()));
  const int width = std::max(1, _wtoi(a[2].c_str()));
  const int height = std::max(1, _wtoi(a[3].c_str()));
  TBench bench(AOptions.Exe);
  if (!bench.Start(true, 100, false))
    return 2;
  bench.WaitIdle();
  const auto report = [&](int ACopies) {
    const PROCESS_MEMORY_COUNTERS_EX m = bench.Memory();
    std::printf("  after %4d copies: working set %7.1f MB, private bytes %7.1f MB", ACopies,
                m.WorkingSetSize / 1048576.0, m.PrivateUsage / 1048576.0);
    if (const double anon = bench.LinuxPrivateMb(); anon >= 0)
      std::printf(" (Linux RssAnon %7.1f MB)", anon);
    std::printf("\n");
    std::fflush(stdout);
  };
  std::printf("memory: %d images of %dx%d, history size 100\n", count, width, height);
  report(0);
  const auto captures = [&] {
    std::size_t n = 0;
    for (const std::wstring& line : Lines(bench.Log()))
      n += After(line, CapturedImageLine) != nullptr;
    return n;
  };
  int missed = 0;
  for (int i = 0; i < count; ++i) {
    const std::vector<std::uint8_t> dib = ScreenImage(i, width, height);
    const std::size_t before = captures();
    bench.CopyDib(dib);
    if (!WaitUntil([&] { return captures() > before; }, 20s))
      ++missed;
    if ((i + 1) % 10 == 0 && i + 1 < count)
      report(i + 1);
  }
  bench.WaitIdle();
  report(count);
  std::printf("  peak working set %.1f MB; %d copies not seen captured\n",
              bench.Memory().PeakWorkingSetSize / 1048576.0, missed);
  return 0;
}

} // namespace

int wmain(int AArgc, wchar_t** AArgv) {
  TOptions options{TarvelExePath(), {}};
  for (int i = 1; i < AArgc; ++i) {
    if (std::wcscmp(AArgv[i], L"--exe") == 0 && i + 1 < AArgc)
      options.Exe = AArgv[++i];
    else
      options.Args.emplace_back(AArgv[i]);
  }
  if (CountProcesses(L"tarvel.exe") != 0) {
    std::fprintf(stderr, "drive bench: a tarvel.exe is already running in this prefix\n");
    return 2;
  }
  // Wine has no text recognition: Tarvel finds the test double's, with one language, as in
  // the end-to-end tier (without any it would stop at a warning box).
  const tarvel::ocr_double::TOcrDoubleRegistration ocr;
  const tarvel::ocr_double::TOcrScript languages;
  int result = 1;
  const std::wstring command = options.Args.empty() ? L"" : options.Args[0];
  if (command == L"storm")
    result = Storm(options);
  else if (command == L"latency")
    result = Latency(options);
  else if (command == L"memory")
    result = Memory(options);
  if (result == 1)
    std::fprintf(stderr, "usage: tarvel_drive_bench [--exe PATH] storm <count> <pause-ms> text|image "
                         "[log-shown|log-hidden]\n"
                         "       tarvel_drive_bench [--exe PATH] latency text|image [log-shown|log-hidden] "
                         "[samples]\n"
                         "       tarvel_drive_bench [--exe PATH] memory <count> <width> <height>\n");
  return result;
}
