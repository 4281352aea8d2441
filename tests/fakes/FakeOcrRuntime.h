#pragma once

#include <deque>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ocr/OcrRuntime.h"
#include "ocr/uWinRTOcr.h"

namespace tarvel {

// The Windows Runtime's OCR classes in memory, scripted by the test. Every object counts
// itself while alive, so a test can see that each was released.
class TFakeOcrRuntime : public IWinRTRuntime,
                        public IOcrEngineStatics,
                        public ILanguageFactory,
                        public ISoftwareBitmapStatics {
public:
  struct TWord {
    std::optional<std::u16string> Text; // nothing: the vector hands out no word here
    std::optional<TOcrRect> Bounds;     // nothing: BoundingRect fails
  };
  struct TLine {
    bool Missing = false;                    // the vector hands out no line here
    std::optional<std::vector<TWord>> Words; // nothing: the line has no word vector
    std::u16string Text;
  };

  std::uint32_t MajorVersion = 10;
  // The results of successive Initialize calls; the last one repeats.
  std::deque<std::int32_t> InitializeResults{0};
  std::vector<int> InitializeTypes;
  int Uninitialized = 0;

  // Installed recognizer languages; nothing: the statics answer no vector.
  std::optional<std::vector<TOcrLanguageInfo>> Languages = std::vector<TOcrLanguageInfo>{};
  std::optional<std::int32_t> LanguagesFail; // the call fails with this code
  std::optional<std::int32_t> CreateLanguageFails;
  bool CreateLanguageGivesNothing = false;
  bool ProfileEngine = true;                 // TryCreateFromUserProfileLanguages gives one
  std::u16string ProfileLanguage = u"en-US"; // its recognizer language; empty: none
  bool LanguageEngineFails = false;          // TryCreateFromLanguage gives nothing

  // The recognition: the statuses Status() reports in turn (the last repeats), the result.
  std::deque<std::int32_t> Statuses{AsyncCompleted};
  std::int32_t ErrorCode = 0;
  bool NoOperation = false;
  bool NoAsyncInfo = false;
  bool NoResult = false;
  std::optional<std::vector<TLine>> Lines = std::vector<TLine>{};
  std::u16string RawText;
  std::optional<double> TextAngle; // nothing: no angle found
  bool TextAngleFails = false;

  // The image handed over: the bytes written, the bitmap made of them.
  bool NoBuffer = false;
  bool NoSoftwareBitmap = false;
  std::optional<std::int32_t> SoftwareBitmapFails;
  std::vector<std::uint8_t> Written;
  struct TBitmapMade {
    std::int32_t Width, Height, Format, AlphaMode;
    std::vector<std::uint8_t> Bytes;
  };
  std::vector<TBitmapMade> Bitmaps;
  int Recognized = 0;                 // RecognizeAsync calls
  std::uint32_t MaxDimension = 10000; // a larger bitmap is refused, as the engine does
  // When set, what the engine finds in the bitmap it is given (an index into Bitmaps), in
  // place of Lines.
  std::function<std::vector<TLine>(const TBitmapMade&)> Read;
  std::optional<std::int32_t> RecognizeFails;
  std::exception_ptr RecognizeRaises; // RecognizeAsync raises this (no memory, a library's error)

  int Alive = 0;
  int Cancelled = 0;
  int Polls = 0;
  std::vector<std::u16string> LanguagesCreated;
  std::vector<std::u16string> EnginesFor; // the language of each engine made; "" for the profile's

  std::uint32_t WindowsMajorVersion() override { return MajorVersion; }
  std::int32_t Initialize(int AType) override {
    InitializeTypes.push_back(AType);
    const std::int32_t result = InitializeResults.front();
    if (InitializeResults.size() > 1)
      InitializeResults.pop_front();
    return result;
  }
  void Uninitialize() override { ++Uninitialized; }
  IOcrEngineStatics& OcrEngineStatics() override { return *this; }
  ILanguageFactory& LanguageFactory() override { return *this; }
  ISoftwareBitmapStatics& SoftwareBitmapStatics() override { return *this; }
  std::unique_ptr<IDataWriter> CreateDataWriter() override;
  std::unique_ptr<ISoftwareBitmap> CreateCopyFromBuffer(IRuntimeBuffer* ABuffer, std::int32_t AFormat,
                                                        std::int32_t AWidth, std::int32_t AHeight,
                                                        std::int32_t AAlphaMode) override;

  std::uint32_t MaxImageDimension() override { return MaxDimension; }
  std::unique_ptr<IRuntimeVector<IOcrLanguage>> AvailableRecognizerLanguages() override;
  bool IsLanguageSupported(IOcrLanguage& ALanguage) override;
  std::unique_ptr<IOcrEngine> TryCreateFromLanguage(IOcrLanguage& ALanguage) override;
  std::unique_ptr<IOcrEngine> TryCreateFromUserProfileLanguages() override;
  std::unique_ptr<IOcrLanguage> CreateLanguage(const std::u16string& ATag) override;

  // A recognition as the engine would start it.
  std::unique_ptr<IOcrOperation> StartRecognition(std::optional<std::size_t> ABitmap = std::nullopt);
  std::unique_ptr<IOcrResult> MakeResult();
  std::unique_ptr<IOcrResult> MakeResult(std::optional<std::vector<TLine>> ALines);

  static std::vector<TWord> Words(std::initializer_list<const char16_t*> ATexts) {
    std::vector<TWord> words;
    for (const char16_t* text : ATexts)
      words.push_back({std::u16string(text), std::nullopt});
    return words;
  }
};

namespace fake_ocr {

class TCounted {
public:
  explicit TCounted(TFakeOcrRuntime& ARuntime) : FRuntime(ARuntime) { ++FRuntime.Alive; }
  virtual ~TCounted() { --FRuntime.Alive; }
  TCounted(const TCounted&) = delete;
  TCounted& operator=(const TCounted&) = delete;

protected:
  TFakeOcrRuntime& FRuntime;
};

class TLanguage : public IOcrLanguage, TCounted {
public:
  TLanguage(TFakeOcrRuntime& ARuntime, TOcrLanguageInfo AInfo) : TCounted(ARuntime), FInfo(std::move(AInfo)) {}
  std::u16string LanguageTag() override { return FInfo.Tag; }
  std::u16string DisplayName() override { return FInfo.DisplayName; }

private:
  TOcrLanguageInfo FInfo;
};

template <class TInterface, class TItem> class TVector : public IRuntimeVector<TInterface>, TCounted {
public:
  using TMake = std::function<std::unique_ptr<TInterface>(const TItem&)>;
  TVector(TFakeOcrRuntime& ARuntime, std::vector<TItem> AItems, TMake AMake)
      : TCounted(ARuntime), FItems(std::move(AItems)), FMake(std::move(AMake)) {}
  std::uint32_t Size() override { return static_cast<std::uint32_t>(FItems.size()); }
  std::unique_ptr<TInterface> GetAt(std::uint32_t AIndex) override { return FMake(FItems.at(AIndex)); }

private:
  std::vector<TItem> FItems;
  TMake FMake;
};

class TBuffer : public IRuntimeBuffer, TCounted {
public:
  TBuffer(TFakeOcrRuntime& ARuntime, std::vector<std::uint8_t> ABytes) : TCounted(ARuntime), Bytes(std::move(ABytes)) {}
  std::uint32_t Capacity() override { return static_cast<std::uint32_t>(Bytes.size()); }
  std::uint32_t Length() override { return static_cast<std::uint32_t>(Bytes.size()); }
  std::vector<std::uint8_t> Bytes;
};

class TWriter : public IDataWriter, TCounted {
public:
  using TCounted::TCounted;
  void WriteBytes(const std::uint8_t* ABytes, std::uint32_t ACount) override {
    FBytes.insert(FBytes.end(), ABytes, ABytes + ACount);
  }
  std::unique_ptr<IRuntimeBuffer> DetachBuffer() override {
    FRuntime.Written = FBytes;
    return FRuntime.NoBuffer ? nullptr : std::make_unique<TBuffer>(FRuntime, std::move(FBytes));
  }

private:
  std::vector<std::uint8_t> FBytes;
};

class TSoftwareBitmap : public ISoftwareBitmap, TCounted {
public:
  TSoftwareBitmap(TFakeOcrRuntime& ARuntime, std::size_t AIndex) : TCounted(ARuntime), FIndex(AIndex) {}
  std::size_t Index() const { return FIndex; }
  std::int32_t PixelWidth() override { return Made().Width; }
  std::int32_t PixelHeight() override { return Made().Height; }
  std::int32_t PixelFormat() override { return Made().Format; }
  std::int32_t AlphaMode() override { return Made().AlphaMode; }

private:
  TFakeOcrRuntime::TBitmapMade& Made() { return FRuntime.Bitmaps.at(FIndex); }
  std::size_t FIndex;
};

class TWord : public IOcrWord, TCounted {
public:
  TWord(TFakeOcrRuntime& ARuntime, TFakeOcrRuntime::TWord AScript)
      : TCounted(ARuntime), FText(std::move(*AScript.Text)), FBounds(AScript.Bounds) {}
  std::u16string Text() override { return FText; }
  TOcrRect BoundingRect() override {
    if (!FBounds)
      throw EOSError(u"BoundingRect failed", 0x80004005u);
    return *FBounds;
  }

private:
  std::u16string FText;
  std::optional<TOcrRect> FBounds;
};

class TLine : public IOcrLine, TCounted {
public:
  TLine(TFakeOcrRuntime& ARuntime, TFakeOcrRuntime::TLine AScript) : TCounted(ARuntime), FScript(std::move(AScript)) {}
  std::unique_ptr<IRuntimeVector<IOcrWord>> Words() override {
    if (!FScript.Words)
      return nullptr;
    return std::make_unique<TVector<IOcrWord, TFakeOcrRuntime::TWord>>(
        FRuntime, *FScript.Words, [this](const TFakeOcrRuntime::TWord& AWord) -> std::unique_ptr<IOcrWord> {
          return AWord.Text ? std::make_unique<TWord>(FRuntime, AWord) : nullptr;
        });
  }
  std::u16string Text() override { return FScript.Text; }

private:
  TFakeOcrRuntime::TLine FScript;
};

class TResult : public IOcrResult, TCounted {
public:
  TResult(TFakeOcrRuntime& ARuntime, std::optional<std::vector<TFakeOcrRuntime::TLine>> ALines)
      : TCounted(ARuntime), FLines(std::move(ALines)) {}
  std::unique_ptr<IRuntimeVector<IOcrLine>> Lines() override {
    if (!FLines)
      return nullptr;
    return std::make_unique<TVector<IOcrLine, TFakeOcrRuntime::TLine>>(
        FRuntime, *FLines, [this](const TFakeOcrRuntime::TLine& ALine) -> std::unique_ptr<IOcrLine> {
          return ALine.Missing ? nullptr : std::make_unique<TLine>(FRuntime, ALine);
        });
  }
  std::u16string Text() override { return FRuntime.RawText; }
  std::optional<double> TextAngle() override {
    if (FRuntime.TextAngleFails)
      throw EOSError(u"TextAngle failed", 0x80004005u);
    return FRuntime.TextAngle;
  }

private:
  std::optional<std::vector<TFakeOcrRuntime::TLine>> FLines;
};

class TAsyncInfo : public IOcrAsyncInfo, TCounted {
public:
  using TCounted::TCounted;
  std::int32_t Status() override {
    ++FRuntime.Polls;
    const std::int32_t status = FRuntime.Statuses.front();
    if (FRuntime.Statuses.size() > 1)
      FRuntime.Statuses.pop_front();
    return status;
  }
  std::int32_t ErrorCode() override { return FRuntime.ErrorCode; }
  void Cancel() override {
    ++FRuntime.Cancelled;
    FRuntime.Statuses = {AsyncCanceled};
  }
};

class TOperation : public IOcrOperation, TCounted {
public:
  TOperation(TFakeOcrRuntime& ARuntime, std::optional<std::size_t> ABitmap) : TCounted(ARuntime), FBitmap(ABitmap) {}
  std::unique_ptr<IOcrAsyncInfo> AsyncInfo() override {
    return FRuntime.NoAsyncInfo ? nullptr : std::make_unique<TAsyncInfo>(FRuntime);
  }
  std::unique_ptr<IOcrResult> GetResults() override {
    if (FRuntime.Read && FBitmap)
      return FRuntime.MakeResult(FRuntime.Read(FRuntime.Bitmaps.at(*FBitmap)));
    return FRuntime.MakeResult();
  }

private:
  std::optional<std::size_t> FBitmap;
};

class TEngine : public IOcrEngine, TCounted {
public:
  TEngine(TFakeOcrRuntime& ARuntime, std::u16string ALanguage) : TCounted(ARuntime), FLanguage(std::move(ALanguage)) {}
  std::unique_ptr<IOcrOperation> RecognizeAsync(ISoftwareBitmap& ABitmap) override {
    ++FRuntime.Recognized;
    if (FRuntime.RecognizeRaises)
      std::rethrow_exception(FRuntime.RecognizeRaises);
    if (FRuntime.RecognizeFails)
      throw EOSError(u"RecognizeAsync failed", static_cast<std::uint32_t>(*FRuntime.RecognizeFails));
    const std::size_t index = static_cast<TSoftwareBitmap&>(ABitmap).Index();
    const TFakeOcrRuntime::TBitmapMade& made = FRuntime.Bitmaps.at(index);
    if (static_cast<std::uint32_t>(made.Width) > FRuntime.MaxDimension ||
        static_cast<std::uint32_t>(made.Height) > FRuntime.MaxDimension)
      throw EOSError(u"IOcrEngine.RecognizeAsync failed: Invalid parameter", 0x80070057u);
    return FRuntime.StartRecognition(index);
  }
  std::unique_ptr<IOcrLanguage> RecognizerLanguage() override {
    if (FLanguage.empty())
      return nullptr;
    return std::make_unique<TLanguage>(FRuntime, TOcrLanguageInfo{FLanguage, u"Name of " + FLanguage});
  }

private:
  std::u16string FLanguage;
};

} // namespace fake_ocr

inline std::unique_ptr<IRuntimeVector<IOcrLanguage>> TFakeOcrRuntime::AvailableRecognizerLanguages() {
  if (LanguagesFail)
    throw EOSError(u"The runtime failed", static_cast<std::uint32_t>(*LanguagesFail));
  if (!Languages)
    return nullptr;
  return std::make_unique<fake_ocr::TVector<IOcrLanguage, TOcrLanguageInfo>>(
      *this, *Languages, [this](const TOcrLanguageInfo& AInfo) -> std::unique_ptr<IOcrLanguage> {
        if (AInfo.Tag == u"(missing)")
          return nullptr;
        return std::make_unique<fake_ocr::TLanguage>(*this, AInfo);
      });
}

inline bool TFakeOcrRuntime::IsLanguageSupported(IOcrLanguage& ALanguage) {
  if (!Languages)
    return false;
  for (const TOcrLanguageInfo& installed : *Languages)
    if (installed.Tag == ALanguage.LanguageTag())
      return true;
  return false;
}

inline std::unique_ptr<IOcrEngine> TFakeOcrRuntime::TryCreateFromLanguage(IOcrLanguage& ALanguage) {
  if (LanguageEngineFails)
    return nullptr;
  EnginesFor.push_back(ALanguage.LanguageTag());
  return std::make_unique<fake_ocr::TEngine>(*this, ALanguage.LanguageTag());
}

inline std::unique_ptr<IOcrEngine> TFakeOcrRuntime::TryCreateFromUserProfileLanguages() {
  if (!ProfileEngine)
    return nullptr;
  EnginesFor.push_back(u"");
  return std::make_unique<fake_ocr::TEngine>(*this, ProfileLanguage);
}

inline std::unique_ptr<IOcrLanguage> TFakeOcrRuntime::CreateLanguage(const std::u16string& ATag) {
  if (CreateLanguageFails)
    throw EOSError(u"CreateLanguage failed", static_cast<std::uint32_t>(*CreateLanguageFails));
  LanguagesCreated.push_back(ATag);
  if (CreateLanguageGivesNothing)
    return nullptr;
  return std::make_unique<fake_ocr::TLanguage>(*this, TOcrLanguageInfo{ATag, u""});
}

inline std::unique_ptr<IDataWriter> TFakeOcrRuntime::CreateDataWriter() {
  return std::make_unique<fake_ocr::TWriter>(*this);
}

inline std::unique_ptr<ISoftwareBitmap> TFakeOcrRuntime::CreateCopyFromBuffer(IRuntimeBuffer* ABuffer,
                                                                              std::int32_t AFormat, std::int32_t AWidth,
                                                                              std::int32_t AHeight,
                                                                              std::int32_t AAlphaMode) {
  if (SoftwareBitmapFails)
    throw EOSError(u"CreateCopyFromBuffer failed", static_cast<std::uint32_t>(*SoftwareBitmapFails));
  if (NoSoftwareBitmap || !ABuffer)
    return nullptr;
  Bitmaps.push_back({AWidth, AHeight, AFormat, AAlphaMode, static_cast<fake_ocr::TBuffer*>(ABuffer)->Bytes});
  return std::make_unique<fake_ocr::TSoftwareBitmap>(*this, Bitmaps.size() - 1);
}

inline std::unique_ptr<IOcrOperation> TFakeOcrRuntime::StartRecognition(std::optional<std::size_t> ABitmap) {
  return NoOperation ? nullptr : std::make_unique<fake_ocr::TOperation>(*this, ABitmap);
}

inline std::unique_ptr<IOcrResult> TFakeOcrRuntime::MakeResult() {
  return MakeResult(Lines);
}

inline std::unique_ptr<IOcrResult> TFakeOcrRuntime::MakeResult(std::optional<std::vector<TLine>> ALines) {
  return NoResult ? nullptr : std::make_unique<fake_ocr::TResult>(*this, std::move(ALines));
}

} // namespace tarvel
