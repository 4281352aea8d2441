// What the clipboard card costs when an entry is a 10 MB text: moving the selection onto it
// and away (refresh and publication each time), against two short texts; and what a search
// costs in a full history of 100 entries that hold 10 MB of text among them.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

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
  // A history of ACount entries, AHuge of them 1 MB texts, the others a line each.
  TBrowser(int ACount, int AHuge) {
    FForm.FormCreate();
    FForm.spnMaxClipentries.UserSetValue(ACount);
    std::u16string sentence = u"The Quick brown fox jumps over the lazy dog, then reads the minutes of meeting ";
    std::u16string huge;
    while (huge.size() < (1u << 20))
      huge += sentence;
    for (int i = 0; i < ACount; ++i)
      Copy(i % (ACount / AHuge) == 0 ? huge + IntToStr(i) : sentence + IntToStr(i));
  }
  ~TBrowser() { FForm.FormDestroy(); }
  // The user types a position into the page field: the entry is shown and published.
  void Select(int APosition) {
    FForm.spnClipboardPage.UserSetValue(APosition);
    Deliver();
  }
  // The user types into the search field, one key at a time, then empties it.
  void TypeFind(std::u16string_view AText) {
    for (std::size_t n = 1; n <= AText.size(); ++n)
      FForm.edtFind.UserType(AText.substr(0, n));
    FForm.edtFind.UserType(u"");
  }
  int Count() const { return FForm.History()->Count(); }

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

// A search in a full history of 100 entries with 10 MB of text among them, as the user types
// it: each key refreshes the card. "invoice 2931" is found nowhere, its first letters in
// every entry; "zq" is found nowhere either, and every key but the first searches anew.
void BM_FindWhileTyping(benchmark::State& AState) {
  TBrowser browser(100, 10);
  if (browser.Count() != 100)
    AState.SkipWithError("the history did not fill");
  const std::u16string typed = AState.range(0) ? u"invoice 2931" : u"zq";
  for (auto _ : AState)
    browser.TypeFind(typed);
  AState.counters["keys"] = static_cast<double>(typed.size() + 1);
}
BENCHMARK(BM_FindWhileTyping)->Arg(0)->Arg(1)->ArgName("word")->Unit(benchmark::kMillisecond);

// One key that starts a search over all the entries: the cost a keystroke can have at most.
void BM_FindFirstKey(benchmark::State& AState) {
  TBrowser browser(100, 10);
  for (auto _ : AState)
    browser.TypeFind(AState.range(0) ? u"e" : u"#");
}
BENCHMARK(BM_FindFirstKey)->Arg(0)->Arg(1)->ArgName("common")->Unit(benchmark::kMillisecond);

} // namespace
