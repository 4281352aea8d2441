// The OCR command as the hot key runs it: the guard, the selection, the debug images, the
// preparation on the main thread, the recognition on a worker, and what comes back.
#include <gtest/gtest.h>

#include "fakes/FakeClock.h"
#include "fakes/FakeDispatcher.h"
#include "fakes/FakeOcrRuntime.h"
#include "fakes/FakeScreen.h"
#include "fakes/FakeSelectionOverlay.h"
#include "fakes/FakeShell.h"
#include "ocr/OcrCommand.h"
#include "ocr/OcrPreparation.h"
#include "png/PngDecode.h"

namespace tarvel {
namespace {

using TLines = std::vector<std::u16string>;

const std::u16string Temp = u"C:\\Users\\me\\AppData\\Local\\Temp\\";
constexpr unsigned VkEscape = 27;

// The main window as the command sees it: what it was told, in order.
class TFakeOcrHost : public IOcrCommandHost {
public:
  TLines Log; // AddLogLine, and each OCR line as "[OCR] ..."
  TLines Balloons;
  TLines Published;
  std::u16string Tag;

  void AddLogLine(const std::u16string& AText) override { Log.push_back(AText); }
  void AddOcrLogLine(std::u16string_view AText) override {
    std::u16string text(AText);
    std::size_t start = 0;
    while (start <= text.size() && !text.empty()) {
      const std::size_t end = text.find(u"\r\n", start);
      Log.push_back(u"[OCR] " + text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start));
      if (end == std::u16string::npos)
        break;
      start = end + 2;
    }
  }
  void ShowNotification(const std::u16string& AText) override { Balloons.push_back(AText); }
  void PublishRecognizedText(const std::u16string& AText) override { Published.push_back(AText); }
  std::u16string SelectedOcrLanguageTag() override { return Tag; }
};

class OcrCommandTest : public testing::Test {
protected:
  OcrCommandTest() {
    FScreen.PaintCoordinates({0, 0, 800, 600});
    FOverlay.Script = TFakeSelectionOverlay::Drag({100, 100}, {400, 220});
    FRuntime.Lines = {{{false, TFakeOcrRuntime::Words({u"Hello", u"OCR"}), u""}}};
    FRuntime.RawText = u"Hello OCR";
  }

  // Lets the worker finish and runs what it handed back.
  void FinishRecognition() {
    ASSERT_TRUE(FDispatcher.WaitForPending(1)) << "the worker handed nothing back";
    FDispatcher.JoinBackground();
    FDispatcher.RunPending();
  }
  // The log without the recognition's own lines.
  TLines CommandLog() const {
    TLines lines;
    for (const std::u16string& line : FHost.Log)
      if (line.rfind(u"[OCR] ", 0) != 0)
        lines.push_back(line);
    return lines;
  }

  TFakeOcrRuntime FRuntime;
  TFakeClock FClock;
  TFakeShell FShell;
  TFakeScreen FScreen;
  TFakeSelectionOverlay FOverlay;
  TFakeOcrHost FHost;
  TFakeDispatcher FDispatcher; // after what its workers use: joined first
  TOcrCommand FCommand{{FScreen, FOverlay, FDispatcher, FRuntime, FClock, FShell}, FHost};
};

TEST_F(OcrCommandTest, ASelectionIsPreparedRecognizedAndPublished) {
  FCommand.CaptureOcrUnderMouse();
  EXPECT_TRUE(FCommand.Running());
  const std::u16string source = Temp + u"Tarvel_ocr_20260301_140509_000_source.png";
  const std::u16string prepared = Temp + u"Tarvel_ocr_20260301_140509_000_prepared.png";
  EXPECT_EQ(FHost.Log, (TLines{u"OCR selection: left=100 top=100 right=400 bottom=220 size=300x120",
                               u"OCR screenshot debug: " + source, FHost.Log[2], u"OCR preprocessed debug: " + prepared,
                               u"OCR started: source=300x120 ocr=900x360 Auto - Windows profile"}));
  EXPECT_EQ(FHost.Log[2].rfind(u"[OCR] 14:05:09.000 Preprocess OCR: source=300x120 scale=3 target=900x360", 0), 0u);
  EXPECT_EQ(FHost.Balloons, TLines{u"OCR started"});

  // The two debug images are the cut-out and what recognition gets.
  ASSERT_EQ(FShell.Files.count(source), 1u);
  const TBitmap32 written = DecodePng(FShell.Files[source]);
  EXPECT_EQ(written.Width(), 300);
  EXPECT_EQ(written.Pixel(0, 0) & 0xFFFFFF, TFakeScreen::CoordinatePixel(100, 100) & 0xFFFFFF);
  ASSERT_EQ(FShell.Files.count(prepared), 1u);
  EXPECT_EQ(DecodePng(FShell.Files[prepared]).Width(), 900);

  FinishRecognition();
  EXPECT_FALSE(FCommand.Running());
  ASSERT_EQ(FRuntime.Bitmaps.size(), 1u);
  EXPECT_EQ(FRuntime.Bitmaps[0].Width, 900);
  EXPECT_EQ(FRuntime.Bitmaps[0].Height, 360);
  EXPECT_EQ(FHost.Published, TLines{u"Hello OCR"});
  EXPECT_EQ(CommandLog().back(), u"OCR completed: Hello OCR");
  EXPECT_EQ(FHost.Balloons, (TLines{u"OCR started", u"OCR text copied"}));
  // The recognition's diagnostics come before the outcome, each as an OCR line.
  EXPECT_NE(std::find(FHost.Log.begin(), FHost.Log.end(), u"[OCR] 14:05:09.000 RecognizeBitmap begin preprocess=False"),
            FHost.Log.end());
  EXPECT_EQ(FHost.Log[FHost.Log.size() - 2], u"[OCR] 14:05:09.000 RecognizeBitmap end");
  EXPECT_EQ(FRuntime.Alive, 0);
}

TEST_F(OcrCommandTest, ASecondPressWhileRunningIsIgnoredUntilTheResultIsHandled) {
  FCommand.CaptureOcrUnderMouse();
  FCommand.CaptureOcrUnderMouse();
  EXPECT_EQ(FOverlay.Runs, 1);
  EXPECT_EQ(FHost.Log.back(), u"OCR ignored: processing already in progress");
  EXPECT_EQ(FHost.Balloons, TLines{u"OCR started"});
  FinishRecognition();
  FCommand.CaptureOcrUnderMouse();
  EXPECT_EQ(FOverlay.Runs, 2);
  FinishRecognition();
}

TEST_F(OcrCommandTest, ACancelledSelectionOnlySaysSo) {
  FOverlay.Script = {TFakeSelectionOverlay::Press(VkEscape)};
  FCommand.CaptureOcrUnderMouse();
  EXPECT_EQ(FHost.Log, TLines{u"OCR selection cancelled"});
  EXPECT_TRUE(FHost.Balloons.empty());
  EXPECT_FALSE(FCommand.Running());
  EXPECT_TRUE(FShell.Files.empty());
}

TEST_F(OcrCommandTest, AnErrorBeforeTheWorkerStartsEndsTheRun) {
  FOverlay.WhileOpen = [] { throw EImageError(u"Out of memory for the screen"); };
  FCommand.CaptureOcrUnderMouse();
  EXPECT_EQ(FHost.Log, TLines{u"OCR start error: EImageError: Out of memory for the screen"});
  EXPECT_EQ(FHost.Balloons, TLines{u"OCR error"});
  EXPECT_FALSE(FCommand.Running());
}

TEST_F(OcrCommandTest, DebugImagesThatCannotBeWrittenDoNotStopTheRun) {
  FShell.Folders[sfTemp] = u"C:\\Locked";
  FShell.FailingWrites = {u"C:\\Locked\\Tarvel_ocr_20260301_140509_000_source.png",
                          u"C:\\Locked\\Tarvel_ocr_20260301_140509_000_prepared.png"};
  FCommand.CaptureOcrUnderMouse();
  const TLines log = CommandLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[1], u"OCR screenshot debug error: EFileError: Cannot create file "
                    u"\"C:\\Locked\\Tarvel_ocr_20260301_140509_000_source.png\". Access is denied.");
  EXPECT_EQ(log[2].rfind(u"OCR preprocessed debug error: EFileError: ", 0), 0u);
  FinishRecognition();
  EXPECT_EQ(FHost.Published, TLines{u"Hello OCR"});
}

TEST_F(OcrCommandTest, TheChosenLanguageGoesToTheEngine) {
  FHost.Tag = u"de-DE";
  FRuntime.Languages = std::vector<TOcrLanguageInfo>{{u"de-DE", u"Deutsch"}};
  FCommand.CaptureOcrUnderMouse();
  EXPECT_EQ(CommandLog().back(), u"OCR started: source=300x120 ocr=900x360 de-DE");
  FinishRecognition();
  EXPECT_EQ(FRuntime.EnginesFor, TLines{u"de-DE"});
}

TEST_F(OcrCommandTest, WhatTheRecognitionGivesBack) {
  struct TCase {
    const char* Name;
    void (*Arrange)(TFakeOcrRuntime&);
    TLines Published;
    std::u16string Outcome;
    std::u16string Balloon;
  };
  using TLine = TFakeOcrRuntime::TLine;
  const TCase cases[] = {
      {"three lines joined by CR LF",
       [](TFakeOcrRuntime& r) {
         r.Lines = {{TLine{false, TFakeOcrRuntime::Words({u"first", u"line"}), u""},
                     TLine{false, TFakeOcrRuntime::Words({u"second"}), u""},
                     TLine{false, TFakeOcrRuntime::Words({u"third", u"."}), u""}}};
       },
       {u"first line\r\nsecond\r\nthird."},
       u"OCR completed: first line second third.",
       u"OCR text copied"},
      {"blank text",
       [](TFakeOcrRuntime& r) {
         r.Lines = std::vector<TLine>{};
         r.RawText = u" \r\n";
       },
       {},
       u"OCR completed: no text recognized",
       u"OCR no text"},
      {"a time-out",
       [](TFakeOcrRuntime& r) { r.Statuses = {AsyncStarted}; },
       {},
       u"OCR completed: no text recognized",
       u"OCR no text"},
      {"a failing runtime call",
       [](TFakeOcrRuntime& r) { r.RecognizeFails = static_cast<std::int32_t>(0x80004005u); },
       {},
       u"OCR error: EOSError: RecognizeAsync failed",
       u"OCR error"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FRuntime.Lines = {{{false, TFakeOcrRuntime::Words({u"Hello"}), u""}}};
    FRuntime.Statuses = {AsyncCompleted};
    FRuntime.RecognizeFails.reset();
    c.Arrange(FRuntime);
    FHost = TFakeOcrHost{};
    FCommand.CaptureOcrUnderMouse();
    FinishRecognition();
    EXPECT_EQ(FHost.Published, c.Published);
    EXPECT_EQ(CommandLog().back(), c.Outcome);
    EXPECT_EQ(FHost.Balloons.back(), c.Balloon);
    EXPECT_FALSE(FCommand.Running());
  }
}

TEST_F(OcrCommandTest, AResultArrivingAfterTheWindowBeganToCloseIsDropped) {
  FCommand.CaptureOcrUnderMouse();
  ASSERT_TRUE(FDispatcher.WaitForPending(1));
  FDispatcher.Shutdown(); // the main window starts to be destroyed
  FDispatcher.JoinBackground();
  EXPECT_EQ(FDispatcher.RunPending(), 0u);
  EXPECT_TRUE(FHost.Published.empty());
  EXPECT_EQ(FHost.Balloons, TLines{u"OCR started"});
}

TEST(OcrLanguageListTest, ItemsTheChoiceAndTheLogLine) {
  const std::vector<TOcrLanguageInfo> installed{
      {u"en-US", u"English (United States)"}, {u"", u"nameless"}, {u"it-IT", u""}};
  TOcrLanguageList list = MakeOcrLanguageList(installed, u"IT-it");
  EXPECT_EQ(list.Items, (TLines{u"Auto - Windows profile", u"en-US | English (United States)", u"it-IT"}));
  EXPECT_EQ(list.Chosen, 2);
  EXPECT_EQ(list.LogLine, u"Available OCR languages: en-US, it-IT");
  EXPECT_FALSE(list.Empty);

  list = MakeOcrLanguageList(installed, u"fr-FR"); // no longer installed
  EXPECT_EQ(list.Chosen, 0);
  list = MakeOcrLanguageList({}, u"en-US");
  EXPECT_EQ(list.Items, TLines{u"Auto - Windows profile"});
  EXPECT_EQ(list.LogLine, u"Available OCR languages: none");
  EXPECT_TRUE(list.Empty);
}

TEST(OcrLanguageListTest, TheTagOfAnItem) {
  EXPECT_EQ(OcrLanguageTagOfItem(0, u"Auto - Windows profile"), u"");
  EXPECT_EQ(OcrLanguageTagOfItem(-1, u"en-US"), u"");
  EXPECT_EQ(OcrLanguageTagOfItem(1, u"en-US | English (United States)"), u"en-US");
  EXPECT_EQ(OcrLanguageTagOfItem(2, u"it-IT"), u"it-IT");
  EXPECT_EQ(OcrLanguageTagOfItem(1, u"a | b | c"), u"a");
}

TEST(OcrLanguageListTest, TheInstallWarningHasItsFourteenLines) {
  const std::u16string text = OcrInstallWarningText();
  EXPECT_EQ(text.rfind(u"Tarvel found no OCR languages installed or available for Windows.\r\n\r\n"
                       u"To use Ctrl+Shift+X install at least one Windows OCR capability.\r\n\r\n",
                       0),
            0u);
  EXPECT_NE(text.find(u"\r\nGet-WindowsCapability -Online | Where-Object { $_.Name -like 'Language.OCR*' } | "
                      u"Select-Object Name, State\r\n\r\nTo install Italian OCR:\r\n"),
            std::u16string::npos);
  EXPECT_NE(text.find(u"\r\nAdd-WindowsCapability -Online -Name Language.OCR~~~en-US~0.0.1.0\r\n\r\n"),
            std::u16string::npos);
  EXPECT_EQ(text.substr(text.size() - 36), u"\r\nRestart Tarvel after installation.");
  std::size_t breaks = 0;
  for (std::size_t at = text.find(u"\r\n"); at != std::u16string::npos; at = text.find(u"\r\n", at + 2))
    ++breaks;
  EXPECT_EQ(breaks, 13u);
}

} // namespace
} // namespace tarvel
