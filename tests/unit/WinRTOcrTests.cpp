// The OCR unit over a runtime in memory: the runtime's initialization, the engine choice and
// its fallback, the wait with its time-out, the assembly of the text, the language list,
// and the diagnostic lines each step writes.
#include <gtest/gtest.h>

#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "core/Text.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeOcrRuntime.h"
#include "ocr/OcrPreparation.h"
#include "ocr/WinRTAccess.h"
#include "ocr/uWinRTOcr.h"

namespace tarvel {
namespace {

constexpr std::int32_t SOk = 0;
constexpr std::int32_t SFalse = 1;
constexpr std::int32_t EInvalidArg = static_cast<std::int32_t>(0x80070057u);
constexpr std::int32_t RpcEChangedMode = static_cast<std::int32_t>(0x80010106u);
constexpr std::int32_t EFail = static_cast<std::int32_t>(0x80004005u);

using TLines = std::vector<std::u16string>;

class OcrTest : public testing::Test {
protected:
  // The log without its time stamps.
  TLines Messages() const {
    TLines messages;
    for (const std::u16string& line : FLog)
      messages.push_back(line.substr(13));
    return messages;
  }

  TFakeOcrRuntime FRuntime;
  TFakeClock FClock;
  TLines FLog;
  TOcrContext FContext{{FClock, &FLog}, FRuntime};
};

TEST(WinRTNamesTest, ResultCodesStatusesAndApartments) {
  EXPECT_EQ(HResultToText(RpcEChangedMode), u"$80010106");
  EXPECT_EQ(HResultToText(SOk), u"$00000000");
  EXPECT_EQ(HResultToText(SFalse), u"$00000001");
  EXPECT_EQ(HResultToText(EInvalidArg), u"$80070057");
  EXPECT_EQ(AsyncStatusName(0), u"Started");
  EXPECT_EQ(AsyncStatusName(1), u"Completed");
  EXPECT_EQ(AsyncStatusName(2), u"Canceled");
  EXPECT_EQ(AsyncStatusName(3), u"Error");
  EXPECT_EQ(AsyncStatusName(7), u"7");
  EXPECT_EQ(ApartmentName(0), u"single-threaded");
  EXPECT_EQ(ApartmentName(1), u"multi-threaded");
  EXPECT_EQ(ApartmentName(5), u"5");
}

TEST_F(OcrTest, ADiagnosticLineCarriesTheTimeToTheMillisecond) {
  FClock.Time = {2026, 3, 1, 9, 4, 3, 7};
  AppendDiagnostic(FContext, u"text");
  FClock.Separator = u"."; // the user's regional time separator
  AppendDiagnostic(FContext, u"regional");
  EXPECT_EQ(FLog, (TLines{u"09:04:03.007 text", u"09.04.03.007 regional"}));
  const TOcrLog silent{FClock, nullptr};
  AppendDiagnostic(silent, u"nowhere"); // no log: nothing recorded, nothing breaks
  EXPECT_EQ(FLog.size(), 2u);
}

struct TInitCase {
  const char* Name;
  TRuntimeApartment Requested;
  std::deque<std::int32_t> Results;
  bool Ok;
  bool NeedsUninitialize;
  TLines Log;
};

void PrintTo(const TInitCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class InitializeRuntimeTest : public OcrTest, public testing::WithParamInterface<TInitCase> {};

TEST_P(InitializeRuntimeTest, InitializesOnceOrFallsBackOnceAndSaysSo) {
  const TInitCase& c = GetParam();
  FRuntime.InitializeResults = c.Results;
  bool needsUninitialize = true;
  EXPECT_EQ(InitializeRuntime(FContext, c.Requested, needsUninitialize), c.Ok);
  EXPECT_EQ(needsUninitialize, c.NeedsUninitialize);
  EXPECT_EQ(Messages(), c.Log);

  // Without a log the outcome is the same.
  FRuntime.InitializeResults = c.Results;
  const TOcrContext silent{{FClock, nullptr}, FRuntime};
  EXPECT_EQ(InitializeRuntime(silent, c.Requested, needsUninitialize), c.Ok);
  EXPECT_EQ(needsUninitialize, c.NeedsUninitialize);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InitializeRuntimeTest,
    testing::Values(
        TInitCase{"a fresh worker thread",
                  TRuntimeApartment::MultiThreaded,
                  {SOk},
                  true,
                  true,
                  {u"RoInitialize(requested=multi-threaded/1 effective=1) => $00000000 needsUninit=True ok=True"}},
        TInitCase{"multi-threaded refused, single-threaded taken",
                  TRuntimeApartment::MultiThreaded,
                  {EInvalidArg, SOk},
                  true,
                  true,
                  {u"RoInitialize multi-threaded ha restituito E_INVALIDARG: ritento single-threaded",
                   u"RoInitialize(requested=multi-threaded/1 effective=0) => $00000000 needsUninit=True ok=True"}},
        TInitCase{"single-threaded refused is not retried",
                  TRuntimeApartment::SingleThreaded,
                  {EInvalidArg, SOk},
                  false,
                  false,
                  {u"RoInitialize(requested=single-threaded/0 effective=0) => $80070057 needsUninit=False ok=False"}},
        TInitCase{"the main thread, already single-threaded",
                  TRuntimeApartment::SingleThreaded,
                  {SFalse},
                  true,
                  true,
                  {u"RoInitialize(requested=single-threaded/0 effective=0) => $00000001 needsUninit=True ok=True"}},
        TInitCase{"the other apartment already",
                  TRuntimeApartment::SingleThreaded,
                  {RpcEChangedMode},
                  true,
                  false,
                  {u"RoInitialize(requested=single-threaded/0 effective=0) => $80010106 needsUninit=False ok=True"}},
        TInitCase{"a plain failure",
                  TRuntimeApartment::MultiThreaded,
                  {EFail},
                  false,
                  false,
                  {u"RoInitialize(requested=multi-threaded/1 effective=1) => $80004005 needsUninit=False ok=False"}}));

TEST(OcrTextRulesTest, CjkLanguagesAndClosingPunctuation) {
  for (const char16_t* tag : {u"zh-Hans-CN", u"ja", u"KO-kr", u" ja-JP ", u"zh"})
    EXPECT_TRUE(IsCjkLanguage(tag)) << "tag " << ToUtf8(tag);
  for (const char16_t* tag : {u"en-US", u"", u"de", u"jav", u"-ja"})
    EXPECT_FALSE(IsCjkLanguage(tag)) << "tag " << ToUtf8(tag);

  EXPECT_FALSE(NeedsSpaceBefore(u""));
  for (const char16_t c : std::u16string_view(u".,:;!?)]}'\""))
    EXPECT_FALSE(NeedsSpaceBefore(std::u16string(1, c))) << "character " << static_cast<int>(c);
  for (const char16_t* word : {u"(", u"[", u"a", u"...", u",x", u"-"})
    EXPECT_TRUE(NeedsSpaceBefore(word)) << "word " << ToUtf8(word);
}

struct TAssembleCase {
  const char* Name;
  std::optional<std::vector<TFakeOcrRuntime::TLine>> Lines;
  std::u16string Raw;
  std::u16string Tag;
  std::u16string Text;
};

void PrintTo(const TAssembleCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

using TLine = TFakeOcrRuntime::TLine;
TLine Words(std::initializer_list<const char16_t*> ATexts) {
  return {false, TFakeOcrRuntime::Words(ATexts), u""};
}

class AssembleOcrTextTest : public OcrTest, public testing::WithParamInterface<TAssembleCase> {};

TEST_P(AssembleOcrTextTest, JoinsWordsAndLines) {
  const TAssembleCase& c = GetParam();
  FRuntime.Lines = c.Lines;
  FRuntime.RawText = c.Raw;
  {
    const std::unique_ptr<IOcrResult> result = FRuntime.MakeResult();
    EXPECT_EQ(AssembleOcrText(FContext, result.get(), c.Tag), c.Text);
  }
  EXPECT_EQ(FRuntime.Alive, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AssembleOcrTextTest,
    testing::Values(
        TAssembleCase{
            "punctuation without blanks", {{Words({u"Hello", u",", u"world", u"!"})}}, u"", u"en-US", u"Hello, world!"},
        TAssembleCase{"an opening parenthesis with blanks", {{Words({u"x", u"(", u"a"})}}, u"", u"en-US", u"x ( a"},
        TAssembleCase{"Japanese without blanks", {{Words({u"東京", u"大学"})}}, u"", u"ja-JP", u"東京大学"},
        TAssembleCase{"the same words in English", {{Words({u"東京", u"大学"})}}, u"", u"en-US", u"東京 大学"},
        TAssembleCase{"words trimmed, blank words and lines dropped",
                      {{Words({u" one ", u"\t", u"two"}), Words({u" ", u"\r\n"}), Words({u"three"})}},
                      u"",
                      u"",
                      u"one two\r\nthree"},
        TAssembleCase{"a line without words takes its own text",
                      {{TLine{false, std::nullopt, u"  whole line \r\n"},
                        TLine{false, std::vector<TFakeOcrRuntime::TWord>{}, u" b "}}},
                      u"",
                      u"",
                      u"whole line\r\nb"},
        TAssembleCase{
            "missing lines and words are skipped",
            {{TLine{true, std::nullopt, u"gone"},
              TLine{false, std::vector<TFakeOcrRuntime::TWord>{{std::nullopt, std::nullopt}, {u"kept", std::nullopt}},
                    u""}}},
            u"",
            u"",
            u"kept"},
        TAssembleCase{"all lines empty: the raw text", {{Words({u" "})}}, u"  raw text\r\n", u"", u"raw text"},
        TAssembleCase{"no lines at all: the raw text", {std::vector<TLine>{}}, u" raw ", u"", u"raw"},
        TAssembleCase{"no line vector: the raw text", std::nullopt, u"\tr a w\t", u"", u"r a w"}));

TEST_F(OcrTest, AssemblyWritesALineForEachLineAndTheTotal) {
  FRuntime.Lines = {{Words({u"Hello", u"OCR"}), TLine{true, std::nullopt, u""}, Words({u"again"})}};
  FRuntime.RawText = u"Hello OCR\r\nagain\r\n" + std::u16string(200, u'x');
  const std::unique_ptr<IOcrResult> result = FRuntime.MakeResult();
  EXPECT_EQ(AssembleOcrText(FContext, result.get(), u"en-US"), u"Hello OCR\r\nagain");
  const std::u16string snippet = (u"Hello OCR again " + std::u16string(200, u'x')).substr(0, 160);
  EXPECT_EQ(Messages(), (TLines{u"Righe OCR riconosciute: 3; testo raw length=218; raw=\"" + snippet + u"\"",
                                u"OCR line 1: words=2 text=\"Hello OCR\"", u"OCR line 3: words=1 text=\"again\"",
                                u"Testo OCR finale length=16"}));
}

TEST_F(OcrTest, AssemblyOfNothing) {
  EXPECT_EQ(AssembleOcrText(FContext, nullptr, u"en-US"), u"");
  FRuntime.Lines.reset();
  FRuntime.RawText = u" 12345 ";
  const std::unique_ptr<IOcrResult> result = FRuntime.MakeResult();
  EXPECT_EQ(AssembleOcrText(FContext, result.get(), u"en-US"), u"12345");
  EXPECT_EQ(Messages(), (TLines{u"OcrResult nil", u"OcrResult senza Lines, testo raw length=7"}));
}

// The words' rectangles and the text angle are read with the text, once; a layout other than
// Lines lays the lines out from them, and says so.
class OcrLayoutReadingTest : public OcrTest {
protected:
  OcrLayoutReadingTest() {
    FRuntime.Lines = {{Placed({{u"The", TOcrRect{10, 10, 24, 16}},
                               {u"quick", TOcrRect{40, 10, 40, 16}},
                               {u"brown", TOcrRect{86, 10, 40, 16}}}),
                       Placed({{u"fox.", TOcrRect{10, 30, 32, 16}}})}};
    FRuntime.RawText = u"The quick brown\r\nfox.";
  }
  static TLine Placed(std::initializer_list<std::pair<const char16_t*, std::optional<TOcrRect>>> AWords) {
    std::vector<TFakeOcrRuntime::TWord> words;
    for (const auto& [text, bounds] : AWords)
      words.push_back({std::u16string(text), bounds});
    return {false, std::move(words), u""};
  }
  std::u16string Assemble(TOcrTextLayout ALayout) {
    FLog.clear();
    const std::unique_ptr<IOcrResult> result = FRuntime.MakeResult();
    return AssembleOcrText(FContext, result.get(), u"en-US", ALayout);
  }
};

TEST_F(OcrLayoutReadingTest, ParagraphsFromTheRectangles) {
  EXPECT_EQ(Assemble(TOcrTextLayout::Paragraphs), u"The quick brown fox.");
  const TLines log = Messages();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[3], u"Impaginazione OCR: paragraphs");
  EXPECT_EQ(log[4], u"Testo OCR finale length=20");
  EXPECT_EQ(Assemble(TOcrTextLayout::OneLine), u"The quick brown fox.");
  EXPECT_EQ(Assemble(TOcrTextLayout::Lines), u"The quick brown\r\nfox.");
  EXPECT_EQ(Messages().size(), 4u); // no word about a layout
  EXPECT_EQ(FRuntime.Alive, 0);
}

TEST_F(OcrLayoutReadingTest, WhatCannotBeReadLeavesTheEnginesLines) {
  struct TCase {
    const char* Name;
    void (*Arrange)(TFakeOcrRuntime&);
    std::u16string Why;
  };
  const TCase cases[] = {
      {"a word whose rectangle fails", [](TFakeOcrRuntime& r) { (*r.Lines)[1].Words->front().Bounds.reset(); },
       u"parola senza rettangolo"},
      {"a text angle that fails", [](TFakeOcrRuntime& r) { r.TextAngleFails = true; }, u"testo ruotato"},
      {"rotated text", [](TFakeOcrRuntime& r) { r.TextAngle = 12.0; }, u"testo ruotato"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto lines = FRuntime.Lines;
    c.Arrange(FRuntime);
    for (const TOcrTextLayout layout : {TOcrTextLayout::Lines, TOcrTextLayout::Paragraphs, TOcrTextLayout::Table})
      EXPECT_EQ(Assemble(layout), u"The quick brown\r\nfox.");
    EXPECT_EQ(Messages()[3], u"Impaginazione OCR: table non applicabile (" + c.Why + u"), righe come dal motore");
    FRuntime.Lines = lines;
    FRuntime.TextAngleFails = false;
    FRuntime.TextAngle.reset();
  }
}

TEST_F(OcrTest, TheWaitPollsUntilTheRecognitionEnds) {
  FRuntime.Statuses = {AsyncStarted, AsyncStarted, AsyncStarted, AsyncCompleted};
  const std::unique_ptr<IOcrOperation> operation = FRuntime.StartRecognition();
  EXPECT_TRUE(WaitForRecognition(FContext, operation.get()));
  EXPECT_EQ(FRuntime.Polls, 5); // four in the loop, one for the report
  EXPECT_EQ(Messages(),
            (TLines{u"RecognizeAsync avviato", u"RecognizeAsync status=Completed error=$00000000 elapsed=30ms"}));
}

TEST_F(OcrTest, ARecognitionStillRunningAfterThirtySecondsIsCancelled) {
  FRuntime.Statuses = {AsyncStarted};
  const std::unique_ptr<IOcrOperation> operation = FRuntime.StartRecognition();
  EXPECT_FALSE(WaitForRecognition(FContext, operation.get()));
  EXPECT_EQ(FRuntime.Cancelled, 1);
  // Polled at 0, 10, ... 30010 ms: only then is more than 30000 ms gone; then the report.
  EXPECT_EQ(FRuntime.Polls, 3003);
  EXPECT_EQ(Messages(), (TLines{u"RecognizeAsync avviato", u"Timeout OCR: annullo operazione async",
                                u"RecognizeAsync status=Canceled error=$00000000 elapsed=30010ms"}));
}

TEST_F(OcrTest, AFailedRecognitionOrAMissingOperationGivesNoResultAndRaisesNothing) {
  FRuntime.Statuses = {AsyncError};
  FRuntime.ErrorCode = EFail;
  {
    const std::unique_ptr<IOcrOperation> operation = FRuntime.StartRecognition();
    EXPECT_FALSE(WaitForRecognition(FContext, operation.get()));
  }
  EXPECT_FALSE(WaitForRecognition(FContext, nullptr));
  FRuntime.NoAsyncInfo = true;
  {
    const std::unique_ptr<IOcrOperation> operation = FRuntime.StartRecognition();
    EXPECT_FALSE(WaitForRecognition(FContext, operation.get()));
  }
  EXPECT_EQ(FRuntime.Alive, 0);
  EXPECT_EQ(Messages(), (TLines{u"RecognizeAsync avviato", u"RecognizeAsync status=Error error=$80004005 elapsed=0ms",
                                u"RecognizeAsync non ha restituito una operazione",
                                u"IAsyncInfo non disponibile per RecognizeAsync"}));
}

struct TEngineCase {
  const char* Name;
  std::u16string Tag;
  void (*Arrange)(TFakeOcrRuntime&);
  std::vector<std::u16string> EnginesFor; // "" for the profile's
  TLines Log;
};

void PrintTo(const TEngineCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class CreateOcrEngineTest : public OcrTest, public testing::WithParamInterface<TEngineCase> {};

TEST_P(CreateOcrEngineTest, TakesTheTagsEngineElseTheProfilesOne) {
  const TEngineCase& c = GetParam();
  FRuntime.Languages = std::vector<TOcrLanguageInfo>{{u"en-US", u"English"}, {u"de-DE", u"Deutsch"}};
  c.Arrange(FRuntime);
  const bool made = CreateOcrEngine(FContext, c.Tag) != nullptr;
  EXPECT_EQ(made, !c.EnginesFor.empty());
  EXPECT_EQ(FRuntime.EnginesFor, c.EnginesFor);
  EXPECT_EQ(Messages(), c.Log);
  EXPECT_EQ(FRuntime.Alive, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreateOcrEngineTest,
    testing::Values(
        TEngineCase{"an installed language",
                    u"de-DE",
                    [](TFakeOcrRuntime&) {},
                    {u"de-DE"},
                    {u"Richiesta lingua OCR: de-DE", u"True da TryCreateFromLanguage",
                     u"Engine OCR creato: de-DE - Name of de-DE"}},
        TEngineCase{"no tag: straight to the profile",
                    u" \t",
                    [](TFakeOcrRuntime&) {},
                    {u""},
                    {u"Uso TryCreateFromUserProfileLanguages", u"Engine OCR creato: en-US - Name of en-US"}},
        TEngineCase{"a language not installed",
                    u"fr-FR",
                    [](TFakeOcrRuntime&) {},
                    {u""},
                    {u"Richiesta lingua OCR: fr-FR", u"Lingua OCR non supportata/installata: fr-FR",
                     u"Uso TryCreateFromUserProfileLanguages", u"Engine OCR creato: en-US - Name of en-US"}},
        TEngineCase{"no language object",
                    u"de-DE",
                    [](TFakeOcrRuntime& r) { r.CreateLanguageGivesNothing = true; },
                    {u""},
                    {u"Richiesta lingua OCR: de-DE", u"TLanguage.CreateLanguage ha restituito nil",
                     u"Uso TryCreateFromUserProfileLanguages", u"Engine OCR creato: en-US - Name of en-US"}},
        TEngineCase{"no engine for an installed language",
                    u"de-DE",
                    [](TFakeOcrRuntime& r) { r.LanguageEngineFails = true; },
                    {u""},
                    {u"Richiesta lingua OCR: de-DE", u"False da TryCreateFromLanguage",
                     u"Uso TryCreateFromUserProfileLanguages", u"Engine OCR creato: en-US - Name of en-US"}},
        TEngineCase{"a profile engine without a language",
                    u"",
                    [](TFakeOcrRuntime& r) { r.ProfileLanguage = u""; },
                    {u""},
                    {u"Uso TryCreateFromUserProfileLanguages", u"Engine OCR creato senza RecognizerLanguage"}},
        TEngineCase{"no engine at all",
                    u"",
                    [](TFakeOcrRuntime& r) { r.ProfileEngine = false; },
                    {},
                    {u"Uso TryCreateFromUserProfileLanguages", u"Engine OCR non disponibile"}}));

TEST_F(OcrTest, ATagTheLanguageFactoryRefusesRaises) {
  FRuntime.CreateLanguageFails = EInvalidArg;
  EXPECT_THROW(CreateOcrEngine(FContext, u"not a tag"), EOSError);
}

TEST_F(OcrTest, TheLanguageListInTheEnginesOrder) {
  FRuntime.Languages =
      std::vector<TOcrLanguageInfo>{{u"en-US", u"English (United States)"}, {u"(missing)", u""}, {u"ja-JP", u"日本語"}};
  FRuntime.InitializeResults = {SFalse};
  EXPECT_EQ(AvailableLanguages(FContext),
            (std::vector<TOcrLanguageInfo>{{u"en-US", u"English (United States)"}, {}, {u"ja-JP", u"日本語"}}));
  EXPECT_EQ(FRuntime.InitializeTypes, std::vector<int>{0});
  EXPECT_EQ(FRuntime.Uninitialized, 1);
  EXPECT_EQ(FRuntime.Alive, 0);
  EXPECT_EQ(Messages(),
            (TLines{u"AvailableLanguages begin",
                    u"RoInitialize(requested=single-threaded/0 effective=0) => $00000001 needsUninit=True ok=True",
                    u"AvailableRecognizerLanguages count=3", u"RoUninitialize AvailableLanguages",
                    u"AvailableLanguages end"}));
}

TEST_F(OcrTest, TheLanguageListIsEmptyOnEveryFailure) {
  struct TCase {
    const char* Name;
    void (*Arrange)(TFakeOcrRuntime&);
    TLines Middle; // between the begin line and the end
  };
  const std::u16string summary =
      u"RoInitialize(requested=single-threaded/0 effective=0) => $00000000 needsUninit=True ok=True";
  const TCase cases[] = {
      {"no languages installed", [](TFakeOcrRuntime&) {}, {summary, u"AvailableRecognizerLanguages count=0"}},
      {"no vector", [](TFakeOcrRuntime& r) { r.Languages.reset(); }, {summary, u"AvailableRecognizerLanguages nil"}},
      {"a failing call",
       [](TFakeOcrRuntime& r) { r.LanguagesFail = EFail; },
       {summary, u"AvailableLanguages exception: EOSError: The runtime failed"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FRuntime = TFakeOcrRuntime{};
    FLog.clear();
    c.Arrange(FRuntime);
    EXPECT_TRUE(AvailableLanguages(FContext).empty());
    TLines expected{u"AvailableLanguages begin"};
    expected.insert(expected.end(), c.Middle.begin(), c.Middle.end());
    expected.insert(expected.end(), {u"RoUninitialize AvailableLanguages", u"AvailableLanguages end"});
    EXPECT_EQ(Messages(), expected);
    EXPECT_EQ(FRuntime.Uninitialized, 1);
  }
}

TEST_F(OcrTest, TheLanguageListWithoutTheRuntime) {
  FRuntime.MajorVersion = 6;
  EXPECT_TRUE(AvailableLanguages(FContext).empty());
  EXPECT_TRUE(FRuntime.InitializeTypes.empty());
  EXPECT_EQ(Messages(), (TLines{u"AvailableLanguages begin", u"Windows 10/11 non disponibile per OCR"}));

  FRuntime.MajorVersion = 10;
  FRuntime.InitializeResults = {EFail};
  FLog.clear();
  EXPECT_TRUE(AvailableLanguages(FContext).empty());
  EXPECT_EQ(Messages().size(), 2u); // begin and the summary: no end line
  EXPECT_EQ(FRuntime.Uninitialized, 0);

  FRuntime.InitializeResults = {RpcEChangedMode};
  FRuntime.Languages = std::vector<TOcrLanguageInfo>{{u"en-US", u"English"}};
  EXPECT_EQ(AvailableLanguages(FContext).size(), 1u);
  EXPECT_EQ(FRuntime.Uninitialized, 0); // the other apartment: not ours to leave
}

// A recognition end to end over the runtime in memory.
class RecognizeBitmapTest : public OcrTest {
protected:
  RecognizeBitmapTest() {
    FRuntime.Languages = std::vector<TOcrLanguageInfo>{{u"en-US", u"English"}, {u"ja-JP", u"Japanese"}};
    FRuntime.Lines = {{Words({u"Hello", u"OCR"})}};
    FRuntime.RawText = u"Hello OCR";
  }
  std::u16string Recognize(const std::u16string& ATag, bool APreprocess = true) {
    return RecognizeBitmap(FContext, &FImage, ATag, APreprocess);
  }

  TBitmap32 FImage{300, 120, 0xFFD3D3D3}; // luminance 211
};

TEST_F(RecognizeBitmapTest, APreparedImageIsRecognizedAndEveryStepSaysSo) {
  EXPECT_EQ(Recognize(u"en-US"), u"Hello OCR");
  ASSERT_EQ(FRuntime.Bitmaps.size(), 1u);
  const auto& made = FRuntime.Bitmaps[0];
  EXPECT_EQ(made.Width, 900);
  EXPECT_EQ(made.Height, 360);
  EXPECT_EQ(made.Format, 87);
  EXPECT_EQ(made.AlphaMode, 2);
  const std::uint8_t v = 211; // a flat image has no text to stretch
  EXPECT_EQ(made.Bytes, [&] {
    std::vector<std::uint8_t> grey;
    for (int i = 0; i < 900 * 360; ++i)
      grey.insert(grey.end(), {v, v, v, 255});
    return grey;
  }());
  EXPECT_EQ(FRuntime.Alive, 0);
  EXPECT_EQ(FRuntime.Uninitialized, 1);
  EXPECT_EQ(Messages(),
            (TLines{u"RecognizeBitmap begin preprocess=True",
                    u"RoInitialize(requested=multi-threaded/1 effective=1) => $00000000 needsUninit=True ok=True",
                    u"MaxImageDimension=10000",
                    u"Preprocess OCR: source=300x120 scale=3 target=900x360 avgLum=211 inverted=False",
                    u"Bitmap VCL sorgente: 900x360", u"Pixel VCL convertiti in buffer BGRA senza flip verticale",
                    u"Creazione IBuffer: 1296000 byte", u"IBuffer creato: capacity=1296000 length=1296000",
                    u"SoftwareBitmap: 900x360 format=87 alpha=2", u"Richiesta lingua OCR: en-US",
                    u"True da TryCreateFromLanguage", u"Engine OCR creato: en-US - Name of en-US",
                    u"RecognizeAsync avviato", u"RecognizeAsync status=Completed error=$00000000 elapsed=0ms",
                    u"Righe OCR riconosciute: 1; testo raw length=9; raw=\"Hello OCR\"",
                    u"OCR line 1: words=2 text=\"Hello OCR\"", u"Testo OCR finale length=9", u"RoUninitialize",
                    u"RecognizeBitmap end"}));
}

TEST_F(RecognizeBitmapTest, TheEnginesLanguageDecidesTheSpacing) {
  FRuntime.ProfileLanguage = u"ja-JP";
  FRuntime.Lines = {{Words({u"東京", u"大学"})}};
  EXPECT_EQ(Recognize(u""), u"東京大学");
  FRuntime.ProfileLanguage = u"en-US";
  EXPECT_EQ(Recognize(u""), u"東京 大学");
}

TEST_F(RecognizeBitmapTest, AnUnpreparedImageGoesAsItIs) {
  FImage = TBitmap32(2, 2, 0x00102030);
  EXPECT_EQ(Recognize(u"", false), u"Hello OCR");
  ASSERT_EQ(FRuntime.Bitmaps.size(), 1u);
  EXPECT_EQ(FRuntime.Bitmaps[0].Width, 2);
  EXPECT_EQ(FRuntime.Bitmaps[0].Bytes, (std::vector<std::uint8_t>{0x30, 0x20, 0x10, 255, 0x30, 0x20, 0x10, 255, 0x30,
                                                                  0x20, 0x10, 255, 0x30, 0x20, 0x10, 255}));
  for (const std::u16string& line : Messages())
    EXPECT_EQ(line.find(u"Preprocess"), std::u16string::npos);
}

TEST_F(RecognizeBitmapTest, EarlyEndsWriteWhyAndNoEndLine) {
  struct TCase {
    const char* Name;
    void (*Arrange)(TFakeOcrRuntime&, TBitmap32&);
    TLines Log;
  };
  const TCase cases[] = {
      {"before Windows 10",
       [](TFakeOcrRuntime& r, TBitmap32&) { r.MajorVersion = 6; },
       {u"RecognizeBitmap begin preprocess=True", u"Windows 10/11 non disponibile"}},
      {"an empty image",
       [](TFakeOcrRuntime&, TBitmap32& i) { i = TBitmap32(); },
       {u"RecognizeBitmap begin preprocess=True", u"Bitmap nulla o vuota"}},
      {"no runtime on this thread",
       [](TFakeOcrRuntime& r, TBitmap32&) { r.InitializeResults = {EFail}; },
       {u"RecognizeBitmap begin preprocess=True",
        u"RoInitialize(requested=multi-threaded/1 effective=1) => $80004005 needsUninit=False ok=False"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FRuntime = TFakeOcrRuntime{};
    FImage = TBitmap32(10, 10, 0xFFFFFFFF);
    FLog.clear();
    c.Arrange(FRuntime, FImage);
    EXPECT_EQ(Recognize(u"en-US"), u"");
    EXPECT_EQ(Messages(), c.Log);
    EXPECT_EQ(FRuntime.Uninitialized, 0);
  }
}

TEST_F(RecognizeBitmapTest, NoBitmapOrNoEngineEndsQuietlyWithTheCleanup) {
  for (const bool noBitmap : {true, false}) {
    SCOPED_TRACE(noBitmap ? "no SoftwareBitmap" : "no engine");
    FRuntime.NoSoftwareBitmap = noBitmap;
    FRuntime.ProfileEngine = noBitmap;
    FLog.clear();
    EXPECT_EQ(Recognize(u""), u"");
    const TLines log = Messages();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], noBitmap ? u"SoftwareBitmap non creata" : u"Engine OCR non disponibile");
    EXPECT_EQ(log[log.size() - 2], u"RoUninitialize");
    EXPECT_EQ(log.back(), u"RecognizeBitmap end");
  }
  EXPECT_EQ(FRuntime.Recognized, 0);
  EXPECT_EQ(FRuntime.Uninitialized, 2);
  EXPECT_EQ(FRuntime.Alive, 0);
}

TEST_F(RecognizeBitmapTest, AFailingRuntimeCallIsLoggedThenRaisedAfterTheCleanup) {
  FRuntime.RecognizeFails = EFail;
  EXPECT_THROW(Recognize(u"en-US"), EOSError);
  const TLines log = Messages();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[log.size() - 3], u"RecognizeBitmap exception: EOSError: RecognizeAsync failed");
  EXPECT_EQ(log[log.size() - 2], u"RoUninitialize");
  EXPECT_EQ(log.back(), u"RecognizeBitmap end");
  EXPECT_EQ(FRuntime.Uninitialized, 1);
  EXPECT_EQ(FRuntime.Alive, 0);
}

// Memory running out, or a library's own exception, passes through unchanged, and the
// runtime is left all the same.
TEST_F(RecognizeBitmapTest, AnyOtherExceptionIsRaisedAfterTheCleanup) {
  const auto raised = [this] {
    try {
      Recognize(u"en-US");
    } catch (const std::bad_alloc&) {
      return std::string("out of memory");
    } catch (const EError&) {
      return std::string("a program error");
    } catch (const std::exception& e) {
      return std::string(e.what());
    }
    return std::string("nothing");
  };
  const struct {
    const char* Name;
    std::exception_ptr Error;
  } cases[] = {{"out of memory", std::make_exception_ptr(std::bad_alloc())},
               {"a library's failure", std::make_exception_ptr(std::runtime_error("a library's failure"))}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    FRuntime = TFakeOcrRuntime{};
    FRuntime.RecognizeRaises = c.Error;
    FLog.clear();
    EXPECT_EQ(raised(), c.Name);
    const TLines log = Messages();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], u"RoUninitialize");
    EXPECT_EQ(log.back(), u"RecognizeBitmap end");
    EXPECT_EQ(FRuntime.Recognized, 1);
    EXPECT_EQ(FRuntime.Uninitialized, 1);
    EXPECT_EQ(FRuntime.Alive, 0);
  }
}

TEST_F(RecognizeBitmapTest, AThreadInTheOtherApartmentIsNotUninitialized) {
  FRuntime.InitializeResults = {RpcEChangedMode};
  EXPECT_EQ(Recognize(u"en-US"), u"Hello OCR");
  EXPECT_EQ(FRuntime.Uninitialized, 0);
  EXPECT_EQ(Messages().back(), u"RecognizeBitmap end");
  EXPECT_EQ(Messages()[Messages().size() - 2], u"Testo OCR finale length=9");
}

} // namespace
} // namespace tarvel
