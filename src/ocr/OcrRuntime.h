#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/Errors.h"
#include "ocr/OcrLayout.h"

namespace tarvel {

// The parts of the Windows Runtime the OCR unit calls: the thread's runtime initialization,
// the OCR classes and the objects they hand out. An object is released when its owner lets
// it go. A method whose result code is a failure raises (EOSError or EWinRTException with
// the code); a member that succeeds without giving an object answers nothing (nullptr),
// which each caller checks itself. Strings are copied out and their handles released.

// Activating a runtime class failed: the message names the class.
class EWinRTException : public EOSError {
public:
  using EOSError::EOSError;
  std::u16string ClassName() const override { return u"EWinRTException"; }
};

enum class TRuntimeApartment : int { SingleThreaded = 0, MultiThreaded = 1 };

// AsyncStatus.
inline constexpr std::int32_t AsyncStarted = 0;
inline constexpr std::int32_t AsyncCompleted = 1;
inline constexpr std::int32_t AsyncCanceled = 2;
inline constexpr std::int32_t AsyncError = 3;

// A read-only vector of runtime objects.
template <class T> class IRuntimeVector {
public:
  virtual ~IRuntimeVector() = default;
  virtual std::uint32_t Size() = 0;
  virtual std::unique_ptr<T> GetAt(std::uint32_t AIndex) = 0;
};

class IOcrLanguage {
public:
  virtual ~IOcrLanguage() = default;
  virtual std::u16string LanguageTag() = 0;
  virtual std::u16string DisplayName() = 0;
};

class IOcrWord {
public:
  virtual ~IOcrWord() = default;
  virtual std::u16string Text() = 0;
  // Where the word lies on the recognized image.
  virtual TOcrRect BoundingRect() = 0;
};

class IOcrLine {
public:
  virtual ~IOcrLine() = default;
  virtual std::unique_ptr<IRuntimeVector<IOcrWord>> Words() = 0;
  virtual std::u16string Text() = 0;
};

class IOcrResult {
public:
  virtual ~IOcrResult() = default;
  virtual std::unique_ptr<IRuntimeVector<IOcrLine>> Lines() = 0;
  virtual std::u16string Text() = 0;
  // How far the text is rotated, in degrees; nothing when the engine found no angle.
  virtual std::optional<double> TextAngle() = 0;
};

// IAsyncInfo of a running recognition.
class IOcrAsyncInfo {
public:
  virtual ~IOcrAsyncInfo() = default;
  virtual std::int32_t Status() = 0;
  virtual std::int32_t ErrorCode() = 0;
  virtual void Cancel() = 0;
};

// IAsyncOperation<OcrResult>.
class IOcrOperation {
public:
  virtual ~IOcrOperation() = default;
  // Nothing when the operation does not offer IAsyncInfo.
  virtual std::unique_ptr<IOcrAsyncInfo> AsyncInfo() = 0;
  virtual std::unique_ptr<IOcrResult> GetResults() = 0;
};

// An IBuffer of bytes.
class IRuntimeBuffer {
public:
  virtual ~IRuntimeBuffer() = default;
  virtual std::uint32_t Capacity() = 0;
  virtual std::uint32_t Length() = 0;
};

// A DataWriter, which copies bytes into a buffer of its own.
class IDataWriter {
public:
  virtual ~IDataWriter() = default;
  virtual void WriteBytes(const std::uint8_t* ABytes, std::uint32_t ACount) = 0;
  virtual std::unique_ptr<IRuntimeBuffer> DetachBuffer() = 0;
};

// BitmapPixelFormat Bgra8 and BitmapAlphaMode Ignore.
inline constexpr std::int32_t PixelFormatBgra8 = 87;
inline constexpr std::int32_t AlphaModeIgnore = 2;

// A SoftwareBitmap, handed from the image preparation to the engine.
class ISoftwareBitmap {
public:
  virtual ~ISoftwareBitmap() = default;
  virtual std::int32_t PixelWidth() = 0;
  virtual std::int32_t PixelHeight() = 0;
  virtual std::int32_t PixelFormat() = 0;
  virtual std::int32_t AlphaMode() = 0;
};

class IOcrEngine {
public:
  virtual ~IOcrEngine() = default;
  virtual std::unique_ptr<IOcrOperation> RecognizeAsync(ISoftwareBitmap& ABitmap) = 0;
  virtual std::unique_ptr<IOcrLanguage> RecognizerLanguage() = 0;
};

// The OcrEngine class's statics.
class IOcrEngineStatics {
public:
  virtual ~IOcrEngineStatics() = default;
  virtual std::uint32_t MaxImageDimension() = 0;
  virtual std::unique_ptr<IRuntimeVector<IOcrLanguage>> AvailableRecognizerLanguages() = 0;
  virtual bool IsLanguageSupported(IOcrLanguage& ALanguage) = 0;
  virtual std::unique_ptr<IOcrEngine> TryCreateFromLanguage(IOcrLanguage& ALanguage) = 0;
  virtual std::unique_ptr<IOcrEngine> TryCreateFromUserProfileLanguages() = 0;
};

// The SoftwareBitmap class's statics.
class ISoftwareBitmapStatics {
public:
  virtual ~ISoftwareBitmapStatics() = default;
  // CreateCopyFromBuffer with an alpha mode; ABuffer may be absent.
  virtual std::unique_ptr<ISoftwareBitmap> CreateCopyFromBuffer(IRuntimeBuffer* ABuffer, std::int32_t AFormat,
                                                                std::int32_t AWidth, std::int32_t AHeight,
                                                                std::int32_t AAlphaMode) = 0;
};

// The Language class's factory.
class ILanguageFactory {
public:
  virtual ~ILanguageFactory() = default;
  virtual std::unique_ptr<IOcrLanguage> CreateLanguage(const std::u16string& ATag) = 0;
};

// The runtime itself, per thread and per process.
class IWinRTRuntime {
public:
  virtual ~IWinRTRuntime() = default;
  // The operating system's major version: below 10 nothing here may be called.
  virtual std::uint32_t WindowsMajorVersion() = 0;
  // RoInitialize / RoUninitialize for the calling thread; the result code as it came.
  virtual std::int32_t Initialize(int AType) = 0;
  virtual void Uninitialize() = 0;
  // The class factories, obtained on first use and kept; raise EWinRTException when a
  // class cannot be reached.
  virtual IOcrEngineStatics& OcrEngineStatics() = 0;
  virtual ILanguageFactory& LanguageFactory() = 0;
  virtual ISoftwareBitmapStatics& SoftwareBitmapStatics() = 0;
  // A new DataWriter each time.
  virtual std::unique_ptr<IDataWriter> CreateDataWriter() = 0;
};

} // namespace tarvel
