// What the clipboard card costs when an entry is a 10 MB text: moving the selection onto it
// and away (refresh and publication each time), against two short texts.
#include <benchmark/benchmark.h>

#include <string>

#include "app/uMain.h"
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
#include "history/BrowserPreview.h"

namespace {

using namespace tarvel;

class TBrowser {
public:
  explicit TBrowser(const std::u16string& AFirst) {
    FForm.FormCreate();
    Copy(AFirst);
    Copy(u"a short text");
  }
  ~TBrowser() { FForm.FormDestroy(); }
  // The user types a position into the page field: the entry is shown and published.
  void Select(int APosition) {
    FForm.spnClipboardPage.UserSetValue(APosition);
    Deliver();
  }

private:
  void Copy(const std::u16string& AText) {
    FClipboard.CopyText(AText);
    Deliver();
  }
  void Deliver() {
    while (FClipboard.Notifications > 0) {
      --FClipboard.Notifications;
      FForm.WMClipboardUpdate();
    }
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
};

// Back and forth between the first entry and a short text; the first is 10 MB, or short
// too, for the baseline.
void BM_SelectBackAndForth(benchmark::State& AState) {
  TBrowser browser(AState.range(0) ? std::u16string(10u << 20, u'x') : u"another short text");
  for (auto _ : AState) {
    browser.Select(1);
    browser.Select(2);
  }
}
BENCHMARK(BM_SelectBackAndForth)->Arg(0)->Arg(1)->ArgName("huge")->Unit(benchmark::kMillisecond);

// The preview itself, the part that keeps the edit control's work bounded.
void BM_MemoPreviewOfHugeText(benchmark::State& AState) {
  const std::u16string huge(10u << 20, u'x');
  for (auto _ : AState)
    benchmark::DoNotOptimize(MakeMemoPreviewText(huge));
}
BENCHMARK(BM_MemoPreviewOfHugeText)->Unit(benchmark::kMicrosecond);

} // namespace
