#pragma once

#include <gtest/gtest.h>

#include "app/uMain.h"
#include "core/Text.h"
#include "fakes/FakeClipboard.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeDispatcher.h"
#include "fakes/FakeHotkeys.h"
#include "fakes/FakeMainWindow.h"
#include "fakes/FakeOcrRuntime.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeScreen.h"
#include "fakes/FakeSelectionOverlay.h"
#include "fakes/FakeShell.h"
#include "fakes/FakeUiAutomation.h"

namespace tarvel {

// A main window over fakes. Tests that need stored settings or a version resource in place
// before start-up set them in their constructor and call Start() themselves.
class MainFormTest : public testing::Test {
protected:
  explicit MainFormTest(bool AStart = true) {
    // A system with one recognizer language, as most have.
    FOcrRuntime.Languages = std::vector<TOcrLanguageInfo>{{u"en-US", u"English (United States)"}};
    FWindow.OnDestroy = [this] { FForm.FormDestroy(); };
    FWindow.OnShow = [this] { FForm.FormShow(); };
    if (AStart)
      Start();
  }

  // Workers started by the form end before the fakes they use go.
  ~MainFormTest() override { FDispatcher.JoinBackground(); }

  void Start() {
    FForm.FormCreate();
    FStartupLines = FForm.LogLines().size();
  }

  // What the start logs: the recognizer languages first, the start line last.
  std::size_t FStartupLines = 0;
  // The log after the start.
  std::vector<std::u16string> LogAfterStart() const {
    const auto& lines = FForm.LogLines();
    return {lines.begin() + static_cast<std::ptrdiff_t>(std::min(FStartupLines, lines.size())), lines.end()};
  }
  // True when the log holds nothing but what every start writes.
  bool OnlyStartupLog() const {
    const auto& lines = FForm.LogLines();
    if (lines.empty() || lines.back().find(u" - Tarvel started") == std::u16string::npos)
      return false;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
      if (lines[i].find(u" - [OCR] ") == std::u16string::npos &&
          lines[i].find(u" - Available OCR languages: ") == std::u16string::npos)
        return false;
    return true;
  }

  void ChooseTrayItem(const std::u16string& ACaption) {
    auto& menu = FForm.TrayIcon()->Menu;
    for (std::size_t i = 0; i < menu.size(); ++i)
      if (menu[i].Caption == ACaption)
        return FForm.TrayIcon()->UserChooseMenuItem(i);
    FAIL() << "no tray menu item";
  }

  TFakeMainWindow FWindow;
  TFakeDialogs FDialogs;
  TFakeClock FClock;
  TFakeRegistry FRegistry;
  TFakeShell FShell;
  TFakeClipboard FClipboard;
  TFakeHotkeys FHotkeys;
  TFakeDispatcher FDispatcher;
  TFakeScreen FScreen;
  TFakeSelectionOverlay FOverlay;
  TFakeUiaSystem FUia;
  TFakeOcrRuntime FOcrRuntime;
  TMainForm FForm{{FWindow, FDialogs, FClock, FRegistry, FShell, FClipboard, FHotkeys, FDispatcher, FScreen, FOverlay,
                   FUia, FOcrRuntime}};

  // Time passes in steps of the clipboard's retry timer, which ticks whenever it runs.
  void LetClipboardRetriesRun(std::uint64_t AMilliseconds) {
    for (std::uint64_t passed = 0; passed < AMilliseconds; passed += ClipboardRetryIntervalMs) {
      FClock.Advance(ClipboardRetryIntervalMs);
      FForm.ClipboardRetryTimer()->Tick();
    }
  }

  // Another program copies the texts "1" .. "N", one after the other; the newest is selected.
  void CopyNumberedTexts(int ACount) {
    for (int i = 1; i <= ACount; ++i) {
      FClipboard.CopyText(IntToStr(i));
      DeliverClipboardNotifications();
    }
  }

  // Hands the listener's queued clipboard notifications to the window, one at a time.
  void DeliverClipboardNotifications() {
    while (FClipboard.Notifications > 0) {
      --FClipboard.Notifications;
      FForm.WMClipboardUpdate();
    }
  }
};

} // namespace tarvel
