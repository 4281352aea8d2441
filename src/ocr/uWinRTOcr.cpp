#include "ocr/uWinRTOcr.h"

#include <limits>

#include "core/Text.h"
#include "ocr/OcrPreparation.h"
#include "ocr/OcrStrips.h"

namespace tarvel {

namespace {

constexpr std::u16string_view ClosingPunctuation = u".,:;!?)]}'\"";

std::u16string Snippet(std::u16string_view AText) {
  return std::u16string(AText.substr(0, OcrLogSnippetLength));
}

std::u16string ReplaceLineBreaks(std::u16string_view AText) {
  std::u16string result;
  result.reserve(AText.size());
  for (std::size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] == u'\r' && i + 1 < AText.size() && AText[i + 1] == u'\n') {
      result += u' ';
      ++i;
    } else {
      result += AText[i];
    }
  }
  return result;
}

std::u16string BoolText(bool AValue) {
  return AValue ? u"True" : u"False";
}

// One line's words, each trimmed, with their rectangles, and its text: the words joined by
// the spacing rule, or the line's own text, trimmed, when it has no words.
TOcrTextLine ReadLine(IOcrLine& ALine, bool AUseBlanks, std::uint32_t& AWordCount) {
  TOcrTextLine line;
  const std::unique_ptr<IRuntimeVector<IOcrWord>> words = ALine.Words();
  AWordCount = words ? words->Size() : 0;
  if (AWordCount == 0) {
    line.Text = Trim(ALine.Text());
    return line;
  }
  for (std::uint32_t i = 0; i < AWordCount; ++i) {
    const std::unique_ptr<IOcrWord> word = words->GetAt(i);
    if (!word)
      continue;
    std::u16string w = Trim(word->Text());
    if (w.empty())
      continue;
    std::optional<TOcrRect> bounds;
    try {
      bounds = word->BoundingRect();
    } catch (const EError&) {
      // A word without a rectangle: the text does not need it, only a layout would.
    }
    line.Words.push_back({std::move(w), bounds});
  }
  line.Text = JoinOcrWords(line.Words, AUseBlanks);
  return line;
}

// The language the engine recognizes, else the one asked for.
std::u16string RecognizerTag(IOcrEngine& AEngine, const std::u16string& ATag) {
  if (const std::unique_ptr<IOcrLanguage> language = AEngine.RecognizerLanguage())
    return language->LanguageTag();
  return ATag;
}

} // namespace

std::unique_ptr<IRuntimeBuffer> BytesToBuffer(const TOcrContext& AContext, const std::vector<std::uint8_t>& ABytes) {
  AppendDiagnostic(AContext, Format(u"Creazione IBuffer: %d byte", {static_cast<long long>(ABytes.size())}));
  const std::unique_ptr<IDataWriter> writer = AContext.Runtime.CreateDataWriter();
  if (!ABytes.empty())
    writer->WriteBytes(ABytes.data(), static_cast<std::uint32_t>(ABytes.size()));
  std::unique_ptr<IRuntimeBuffer> buffer = writer->DetachBuffer();
  if (buffer)
    AppendDiagnostic(AContext,
                     Format(u"IBuffer creato: capacity=%u length=%u", {buffer->Capacity(), buffer->Length()}));
  else
    AppendDiagnostic(AContext, u"IBuffer non creato");
  return buffer;
}

std::unique_ptr<ISoftwareBitmap> BitmapToSoftwareBitmap(const TOcrContext& AContext, const TBitmap32* ABitmap) {
  if (!ABitmap || ABitmap->Empty()) {
    AppendDiagnostic(AContext, u"Bitmap VCL non valida");
    return nullptr;
  }
  AppendDiagnostic(AContext, Format(u"Bitmap VCL sorgente: %dx%d", {ABitmap->Width(), ABitmap->Height()}));
  std::unique_ptr<IRuntimeBuffer> buffer;
  {
    const std::vector<std::uint8_t> bytes = OcrBufferBytes(*ABitmap);
    AppendDiagnostic(AContext, u"Pixel VCL convertiti in buffer BGRA senza flip verticale");
    buffer = BytesToBuffer(AContext, bytes);
  }
  std::unique_ptr<ISoftwareBitmap> bitmap = AContext.Runtime.SoftwareBitmapStatics().CreateCopyFromBuffer(
      buffer.get(), PixelFormatBgra8, ABitmap->Width(), ABitmap->Height(), AlphaModeIgnore);
  if (bitmap)
    AppendDiagnostic(AContext,
                     Format(u"SoftwareBitmap: %dx%d format=%d alpha=%d",
                            {bitmap->PixelWidth(), bitmap->PixelHeight(), bitmap->PixelFormat(), bitmap->AlphaMode()}));
  else
    AppendDiagnostic(AContext, u"SoftwareBitmap non creata");
  return bitmap;
}

std::u16string RecognizeBitmap(const TOcrContext& AContext, const TBitmap32* ABitmap, const std::u16string& ATag,
                               bool APreprocess, TOcrTextLayout ALayout) {
  AppendDiagnostic(AContext, u"RecognizeBitmap begin preprocess=" + BoolText(APreprocess));
  if (AContext.Runtime.WindowsMajorVersion() < 10) {
    AppendDiagnostic(AContext, u"Windows 10/11 non disponibile");
    return {};
  }
  if (!ABitmap || ABitmap->Empty()) {
    AppendDiagnostic(AContext, u"Bitmap nulla o vuota");
    return {};
  }
  bool needsUninitialize = false;
  if (!InitializeRuntime(AContext, TRuntimeApartment::MultiThreaded, needsUninitialize))
    return {};

  // Every runtime object of the recognition is released before the runtime is left.
  const auto cleanup = [&] {
    if (needsUninitialize) {
      AppendDiagnostic(AContext, u"RoUninitialize");
      AContext.Runtime.Uninitialize();
    }
    AppendDiagnostic(AContext, u"RecognizeBitmap end");
  };
  std::u16string text;
  try {
    IOcrEngineStatics& statics = AContext.Runtime.OcrEngineStatics();
    const std::uint32_t maxDimension = statics.MaxImageDimension();
    AppendDiagnostic(AContext, Format(u"MaxImageDimension=%u", {maxDimension}));
    std::optional<TBitmap32> prepared;
    if (APreprocess)
      prepared = PreprocessOcrBitmap(ABitmap, AContext);
    const TBitmap32& image = prepared ? *prepared : *ABitmap;
    // A limit too small to hold a line of text is not believed: the image goes whole.
    const std::vector<TOcrStrip> strips =
        maxDimension >= OcrMinBelievedDimension ? PlanOcrStrips(image, maxDimension) : std::vector<TOcrStrip>(1);
    if (strips.size() > 1) {
      text = RecognizeStrips(AContext, image, strips, ATag, ALayout);
    } else if (const std::unique_ptr<ISoftwareBitmap> bitmap = BitmapToSoftwareBitmap(AContext, &image)) {
      prepared.reset();
      if (const std::unique_ptr<IOcrEngine> engine = CreateOcrEngine(AContext, ATag)) {
        const std::u16string effectiveTag = RecognizerTag(*engine, ATag);
        const std::unique_ptr<IOcrOperation> operation = engine->RecognizeAsync(*bitmap);
        const std::unique_ptr<IOcrResult> result = WaitForRecognition(AContext, operation.get());
        text = AssembleOcrText(AContext, result.get(), effectiveTag, ALayout);
      }
    }
  } catch (const EError& e) {
    AppendDiagnostic(AContext, u"RecognizeBitmap exception: " + e.ClassName() + u": " + e.Message());
    cleanup();
    throw;
  } catch (...) {
    cleanup();
    throw;
  }
  cleanup();
  return text;
}

bool IsCjkLanguage(std::u16string_view ATag) {
  std::u16string primary = Trim(ATag);
  if (const std::size_t dash = primary.find(u'-'); dash != std::u16string::npos)
    primary.erase(dash);
  primary = UpperCaseAscii(primary);
  return primary == u"ZH" || primary == u"JA" || primary == u"KO";
}

bool NeedsSpaceBefore(std::u16string_view AWord) {
  if (AWord.empty())
    return false;
  return !(AWord.size() == 1 && ClosingPunctuation.find(AWord[0]) != std::u16string_view::npos);
}

std::unique_ptr<IOcrEngine> CreateOcrEngine(const TOcrContext& AContext, const std::u16string& ATag) {
  std::unique_ptr<IOcrEngine> engine;
  IOcrEngineStatics& statics = AContext.Runtime.OcrEngineStatics();
  if (!IsBlank(ATag)) {
    AppendDiagnostic(AContext, u"Richiesta lingua OCR: " + ATag);
    const std::unique_ptr<IOcrLanguage> language = AContext.Runtime.LanguageFactory().CreateLanguage(ATag);
    if (!language) {
      AppendDiagnostic(AContext, u"TLanguage.CreateLanguage ha restituito nil");
    } else if (statics.IsLanguageSupported(*language)) {
      engine = statics.TryCreateFromLanguage(*language);
      AppendDiagnostic(AContext, BoolText(engine != nullptr) + u" da TryCreateFromLanguage");
    } else {
      AppendDiagnostic(AContext, u"Lingua OCR non supportata/installata: " + ATag);
    }
  }
  if (!engine) {
    AppendDiagnostic(AContext, u"Uso TryCreateFromUserProfileLanguages");
    engine = statics.TryCreateFromUserProfileLanguages();
  }
  if (!engine) {
    AppendDiagnostic(AContext, u"Engine OCR non disponibile");
  } else if (const std::unique_ptr<IOcrLanguage> language = engine->RecognizerLanguage()) {
    AppendDiagnostic(AContext,
                     Format(u"Engine OCR creato: %s - %s", {language->LanguageTag(), language->DisplayName()}));
  } else {
    AppendDiagnostic(AContext, u"Engine OCR creato senza RecognizerLanguage");
  }
  return engine;
}

std::unique_ptr<IOcrResult> WaitForRecognition(const TOcrContext& AContext, IOcrOperation* AOperation) {
  if (!AOperation) {
    AppendDiagnostic(AContext, u"RecognizeAsync non ha restituito una operazione");
    return nullptr;
  }
  const std::unique_ptr<IOcrAsyncInfo> info = AOperation->AsyncInfo();
  if (!info) {
    AppendDiagnostic(AContext, u"IAsyncInfo non disponibile per RecognizeAsync");
    return nullptr;
  }
  AppendDiagnostic(AContext, u"RecognizeAsync avviato");
  IClock& clock = AContext.Clock;
  const std::uint64_t start = clock.TickCount64();
  while (info->Status() == AsyncStarted) {
    if (clock.TickCount64() - start > OcrRecognizeTimeoutMs) {
      AppendDiagnostic(AContext, u"Timeout OCR: annullo operazione async");
      info->Cancel();
      break;
    }
    clock.Sleep(OcrPollIntervalMs);
  }
  const std::int32_t status = info->Status();
  const std::int32_t error = info->ErrorCode();
  AppendDiagnostic(AContext, Format(u"RecognizeAsync status=%s error=%s elapsed=%dms",
                                    {AsyncStatusName(status), HResultToText(error),
                                     static_cast<long long>(clock.TickCount64() - start)}));
  if (status != AsyncCompleted)
    return nullptr;
  return AOperation->GetResults();
}

std::optional<TOcrReading> ReadOcrResult(const TOcrContext& AContext, IOcrResult* AResult, bool AUseBlanks) {
  if (!AResult) {
    AppendDiagnostic(AContext, u"OcrResult nil");
    return std::nullopt;
  }
  TOcrReading reading;
  const std::unique_ptr<IRuntimeVector<IOcrLine>> lines = AResult->Lines();
  if (!lines) {
    reading.Raw = AResult->Text();
    AppendDiagnostic(
        AContext, Format(u"OcrResult senza Lines, testo raw length=%d", {static_cast<long long>(reading.Raw.size())}));
    return reading;
  }
  const std::uint32_t count = lines->Size();
  reading.Raw = AResult->Text();
  AppendDiagnostic(
      AContext, Format(u"Righe OCR riconosciute: %u; testo raw length=%d; raw=\"%s\"",
                       {count, static_cast<long long>(reading.Raw.size()), Snippet(ReplaceLineBreaks(reading.Raw))}));
  if (count == 0)
    return reading;
  reading.Listed = true;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::unique_ptr<IOcrLine> line = lines->GetAt(i);
    if (!line)
      continue;
    std::uint32_t words = 0;
    TOcrTextLine read = ReadLine(*line, AUseBlanks, words);
    AppendDiagnostic(AContext, Format(u"OCR line %u: words=%u text=\"%s\"", {i + 1, words, Snippet(read.Text)}));
    reading.Lines.push_back(std::move(read));
  }
  try {
    reading.TextAngle = AResult->TextAngle();
  } catch (const EError&) {
    reading.TextAngle = std::numeric_limits<double>::quiet_NaN(); // unknown: no layout trusts it
  }
  return reading;
}

std::u16string FinishOcrText(const TOcrContext& AContext, const TOcrReading& AReading, bool AUseBlanks,
                             TOcrTextLayout ALayout) {
  std::u16string fallback;
  std::u16string text = LayOutOcrText(AReading.Lines, AReading.TextAngle, AUseBlanks, ALayout, &fallback);
  if (ALayout != TOcrTextLayout::Lines) {
    if (fallback.empty())
      AppendDiagnostic(AContext, Format(u"Impaginazione OCR: %s", {OcrTextLayoutName(ALayout)}));
    else
      AppendDiagnostic(AContext, Format(u"Impaginazione OCR: %s non applicabile (%s), righe come dal motore",
                                        {OcrTextLayoutName(ALayout), fallback}));
  }
  if (IsBlank(text))
    text = Trim(AReading.Raw);
  AppendDiagnostic(AContext, Format(u"Testo OCR finale length=%d", {static_cast<long long>(text.size())}));
  return text;
}

std::u16string AssembleOcrText(const TOcrContext& AContext, IOcrResult* AResult, std::u16string_view ATag,
                               TOcrTextLayout ALayout) {
  const bool useBlanks = !IsCjkLanguage(ATag);
  const std::optional<TOcrReading> reading = ReadOcrResult(AContext, AResult, useBlanks);
  if (!reading)
    return {};
  if (!reading->Listed)
    return Trim(reading->Raw);
  return FinishOcrText(AContext, *reading, useBlanks, ALayout);
}

std::u16string RecognizeStrips(const TOcrContext& AContext, const TBitmap32& AImage,
                               const std::vector<TOcrStrip>& AStrips, const std::u16string& ATag,
                               TOcrTextLayout ALayout) {
  AppendDiagnostic(AContext, Format(u"Immagine %dx%d oltre il limite del motore: riconosciuta in %d parti",
                                    {AImage.Width(), AImage.Height(), static_cast<long long>(AStrips.size())}));
  const std::unique_ptr<IOcrEngine> engine = CreateOcrEngine(AContext, ATag);
  if (!engine)
    return {};
  const std::u16string effectiveTag = RecognizerTag(*engine, ATag);
  const bool useBlanks = !IsCjkLanguage(effectiveTag);
  std::vector<TOcrStripReading> readings;
  TOcrReading whole;
  for (const TOcrStrip& strip : AStrips) {
    AppendDiagnostic(AContext, Format(u"Parte %d,%d %dx%d", {strip.Left, strip.Top, strip.Width, strip.Height}));
    std::optional<TOcrReading> reading;
    {
      const TBitmap32 piece = CropOcrStrip(AImage, strip);
      const std::unique_ptr<ISoftwareBitmap> bitmap = BitmapToSoftwareBitmap(AContext, &piece);
      if (!bitmap)
        continue;
      const std::unique_ptr<IOcrOperation> operation = engine->RecognizeAsync(*bitmap);
      const std::unique_ptr<IOcrResult> result = WaitForRecognition(AContext, operation.get());
      reading = ReadOcrResult(AContext, result.get(), useBlanks);
    }
    if (!reading)
      continue;
    if (!IsBlank(reading->Raw))
      whole.Raw += (whole.Raw.empty() ? u"" : u"\r\n") + Trim(reading->Raw);
    if (!reading->Listed && !IsBlank(reading->Raw))
      reading->Lines.push_back({Trim(reading->Raw), {}});
    readings.push_back({strip, std::move(reading->Lines), reading->TextAngle});
  }
  whole.Lines = JoinOcrStrips(readings, useBlanks, whole.TextAngle);
  whole.Listed = true;
  return FinishOcrText(AContext, whole, useBlanks, ALayout);
}

std::vector<TOcrLanguageInfo> AvailableLanguages(const TOcrContext& AContext) {
  std::vector<TOcrLanguageInfo> languages;
  AppendDiagnostic(AContext, u"AvailableLanguages begin");
  if (AContext.Runtime.WindowsMajorVersion() < 10) {
    AppendDiagnostic(AContext, u"Windows 10/11 non disponibile per OCR");
    return languages;
  }
  bool needsUninitialize = false;
  if (!InitializeRuntime(AContext, TRuntimeApartment::SingleThreaded, needsUninitialize))
    return languages;
  try {
    const std::unique_ptr<IRuntimeVector<IOcrLanguage>> list =
        AContext.Runtime.OcrEngineStatics().AvailableRecognizerLanguages();
    if (!list) {
      AppendDiagnostic(AContext, u"AvailableRecognizerLanguages nil");
    } else {
      const std::uint32_t count = list->Size();
      AppendDiagnostic(AContext, Format(u"AvailableRecognizerLanguages count=%u", {count}));
      languages.resize(count);
      for (std::uint32_t i = 0; i < count; ++i)
        if (const std::unique_ptr<IOcrLanguage> language = list->GetAt(i))
          languages[i] = {language->LanguageTag(), language->DisplayName()};
    }
  } catch (const EError& e) {
    AppendDiagnostic(AContext, u"AvailableLanguages exception: " + e.ClassName() + u": " + e.Message());
    languages.clear();
  } catch (const std::exception& e) {
    AppendDiagnostic(AContext, u"AvailableLanguages exception: Exception: " + FromUtf8(e.what()));
    languages.clear();
  }
  if (needsUninitialize) {
    AppendDiagnostic(AContext, u"RoUninitialize AvailableLanguages");
    AContext.Runtime.Uninitialize();
  }
  AppendDiagnostic(AContext, u"AvailableLanguages end");
  return languages;
}

} // namespace tarvel
