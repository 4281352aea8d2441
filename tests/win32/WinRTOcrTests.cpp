// Text recognition through the real Windows Runtime entry points and vtable calls. Wine has
// no OCR classes: the test registers a runtime component of its own that plays them, scripted
// with what the engine should find and recording what it was given.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <optional>
#include <thread>

#include "core/win32/Clock.h"
#include "ocr/OcrPreparation.h"
#include "ocr/uWinRTOcr.h"
#include "ocr/win32/Win32WinRT.h"
#include "ocr_double/OcrScript.h"

namespace tarvel {
namespace {

using ocr_double::TOcrDoubleRegistration;
using ocr_double::TOcrScript;

class Win32WinRTTest : public testing::Test {
protected:
  // On a worker, as the OCR command runs it.
  std::u16string RecognizeOnWorker(const TBitmap32& AImage, const std::u16string& ATag, bool APreprocess,
                                   TOcrTextLayout ALayout = TOcrTextLayout::Lines) {
    std::u16string text;
    std::optional<std::u16string> error;
    std::thread([&] {
      try {
        text = RecognizeBitmap(FContext, &AImage, ATag, APreprocess, ALayout);
      } catch (const EError& e) {
        error = e.ClassName() + u": " + e.Message();
      }
    }).join();
    if (error)
      throw EOSError(*error, 0);
    return text;
  }
  bool Recorded(const std::string& ALine) const {
    const std::vector<std::string> records = FScript.Records();
    return std::find(records.begin(), records.end(), ALine) != records.end();
  }
  bool Logged(std::u16string_view AText) const {
    return std::any_of(FLog.begin(), FLog.end(),
                       [&](const std::u16string& ALine) { return ALine.find(AText) != std::u16string::npos; });
  }

  std::optional<TOcrDoubleRegistration> FRegistration{std::in_place};
  TOcrScript FScript;
  TWin32WinRTRuntime FRuntime;
  TSystemClock FClock;
  std::vector<std::u16string> FLog;
  TOcrContext FContext{{FClock, &FLog}, FRuntime};
};

TEST_F(Win32WinRTTest, APreparedSelectionIsRecognizedOnAWorker) {
  ASSERT_GE(FRuntime.WindowsMajorVersion(), 10u) << "the test prefix should say Windows 10";
  FScript.Lines({L"Hello OCR", L"second  line"});
  const TBitmap32 selection(300, 120, 0xFFD3D3D3);
  EXPECT_EQ(RecognizeOnWorker(selection, u"", true), u"Hello OCR\r\nsecond line");

  // The engine got the prepared image: three times the selection, grey, opaque, Bgra8 with
  // its alpha ignored, byte for byte.
  const std::optional<TBitmap32> prepared = PreprocessOcrBitmap(&selection, TOcrLog{FClock, nullptr});
  ASSERT_TRUE(prepared);
  const std::vector<std::uint8_t> bytes = OcrBufferBytes(*prepared);
  EXPECT_TRUE(Recorded("bitmap width=900 height=360 format=87 alpha=2 length=1296000 checksum=" +
                       ocr_double::OcrChecksum(bytes.data(), bytes.size()) + " grey=1 opaque=1"))
      << testing::PrintToString(FScript.Records());
  EXPECT_TRUE(Recorded("engine for=profile"));
  EXPECT_TRUE(Logged(u"RoInitialize(requested=multi-threaded/1 effective=1) => $00000000 needsUninit=True ok=True"));
  EXPECT_TRUE(Logged(u"Engine OCR creato: en-US - English (United States)"));
  EXPECT_TRUE(Logged(u"RecognizeAsync status=Completed error=$00000000"));
  EXPECT_EQ(FLog.back().substr(13), u"RecognizeBitmap end");
}

TEST_F(Win32WinRTTest, TheChosenLanguageAndItsSpacing) {
  FScript.Languages({{L"en-US", L"English"}, {L"ja-JP", L"Japanese"}}).Lines({L"東京 大学"});
  EXPECT_EQ(RecognizeOnWorker(TBitmap32(40, 20, 0xFFFFFFFF), u"JA-jp", false), u"東京大学");
  EXPECT_TRUE(Recorded("language tag=JA-jp"));
  EXPECT_TRUE(Recorded("engine for=JA-jp")) << testing::PrintToString(FScript.Records());
}

// The words' rectangles come through the real vtable calls: laid out as paragraphs, a wrapped
// line joins the next one and an indented line starts a paragraph of its own; a row of cells
// whose gaps line up with the next row's is a table.
TEST_F(Win32WinRTTest, TheWordsRectanglesLayTheTextOut) {
  const TBitmap32 image(400, 120, 0xFFFFFFFF);
  FScript.Page({L"Wrapped text that goes on", L"to the next line.", L"  Indented start."});
  EXPECT_EQ(RecognizeOnWorker(image, u"", false, TOcrTextLayout::Paragraphs),
            u"Wrapped text that goes on to the next line.\r\nIndented start.");
  EXPECT_TRUE(Logged(u"Impaginazione OCR: paragraphs"));
  EXPECT_EQ(RecognizeOnWorker(image, u"", false), u"Wrapped text that goes on\r\nto the next line.\r\nIndented start.");

  FScript.Page({L"Name      Size", L"a.txt     12", L"b.txt     345"});
  EXPECT_EQ(RecognizeOnWorker(image, u"", false, TOcrTextLayout::Table), u"Name\tSize\r\na.txt\t12\r\nb.txt\t345");
}

TEST_F(Win32WinRTTest, FailuresOfTheRecognition) {
  FScript.Outcome(ocr_double::TOcrOutcome::Error, static_cast<HRESULT>(0x80004005u));
  EXPECT_EQ(RecognizeOnWorker(TBitmap32(40, 20, 0xFFFFFFFF), u"", false), u"");
  EXPECT_TRUE(Logged(u"RecognizeAsync status=Error error=$80004005"));

  FScript.Outcome(ocr_double::TOcrOutcome::Completed).FailRecognize(static_cast<HRESULT>(0x80070057u));
  EXPECT_THROW(RecognizeOnWorker(TBitmap32(40, 20, 0xFFFFFFFF), u"", false), EOSError);
  EXPECT_TRUE(Logged(u"RecognizeBitmap exception: EOSError: "));
  EXPECT_EQ(FLog.back().substr(13), u"RecognizeBitmap end");
}

TEST_F(Win32WinRTTest, TheInstalledLanguagesOnTheMainThread) {
  FScript.Languages({{L"en-US", L"English (United States)"}, {L"it-IT", L"Italiano"}});
  EXPECT_EQ(AvailableLanguages(FContext),
            (std::vector<TOcrLanguageInfo>{{u"en-US", u"English (United States)"}, {u"it-IT", u"Italiano"}}));
  FScript.Languages({});
  TWin32WinRTRuntime fresh;
  FLog.clear();
  EXPECT_TRUE(AvailableLanguages(TOcrContext{{FClock, &FLog}, fresh}).empty());
  EXPECT_TRUE(Logged(u"AvailableRecognizerLanguages count=0"));
}

TEST_F(Win32WinRTTest, WithoutTheClassesTheListIsEmptyAndSaysWhy) {
  FRegistration.reset();
  EXPECT_TRUE(AvailableLanguages(FContext).empty());
  EXPECT_TRUE(Logged(u"AvailableLanguages exception: EWinRTException: Cannot get factory for class "
                     u"Windows.Media.Ocr.OcrEngine"));
  EXPECT_EQ(FLog.back().substr(13), u"AvailableLanguages end");
}

} // namespace
} // namespace tarvel
