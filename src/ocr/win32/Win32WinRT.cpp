#include "ocr/win32/Win32WinRT.h"

#include <windows.h>

#include <string>

#include "core/Text.h"
#include "core/win32/Check.h"
#include "core/win32/ComSlots.h"

namespace tarvel {

namespace {

using THString = void*;

// The runtime's entry points, looked up once.
struct TRuntimeApi {
  HRESULT(WINAPI* RoInitialize)(int) = nullptr;
  void(WINAPI* RoUninitialize)() = nullptr;
  HRESULT(WINAPI* RoGetActivationFactory)(THString, REFIID, void**) = nullptr;
  HRESULT(WINAPI* RoActivateInstance)(THString, IUnknown**) = nullptr;
  HRESULT(WINAPI* WindowsCreateString)(const wchar_t*, UINT32, THString*) = nullptr;
  HRESULT(WINAPI* WindowsDeleteString)(THString) = nullptr;
  const wchar_t*(WINAPI* WindowsGetStringRawBuffer)(THString, UINT32*) = nullptr;

  bool Complete() const {
    return RoInitialize && RoUninitialize && RoGetActivationFactory && RoActivateInstance && WindowsCreateString &&
           WindowsDeleteString && WindowsGetStringRawBuffer;
  }
};

template <typename TFunction> void Bind(HMODULE AModule, const char* AName, TFunction& AFunction) {
  if (AModule && !AFunction)
    AFunction = reinterpret_cast<TFunction>(reinterpret_cast<void*>(GetProcAddress(AModule, AName)));
}

const TRuntimeApi& Api() {
  static const TRuntimeApi api = [] {
    TRuntimeApi a;
    for (const wchar_t* name :
         {L"api-ms-win-core-winrt-l1-1-0.dll", L"api-ms-win-core-winrt-string-l1-1-0.dll", L"combase.dll"}) {
      const HMODULE module = LoadLibraryW(name);
      Bind(module, "RoInitialize", a.RoInitialize);
      Bind(module, "RoUninitialize", a.RoUninitialize);
      Bind(module, "RoGetActivationFactory", a.RoGetActivationFactory);
      Bind(module, "RoActivateInstance", a.RoActivateInstance);
      Bind(module, "WindowsCreateString", a.WindowsCreateString);
      Bind(module, "WindowsDeleteString", a.WindowsDeleteString);
      Bind(module, "WindowsGetStringRawBuffer", a.WindowsGetStringRawBuffer);
    }
    return a;
  }();
  return api;
}

const TRuntimeApi& CompleteApi() {
  const TRuntimeApi& api = Api();
  if (!api.Complete())
    throw EWinRTException(u"The Windows Runtime is not available", static_cast<std::uint32_t>(E_NOTIMPL));
  return api;
}

// A runtime string owned here.
class TOwnedHString {
public:
  TOwnedHString() = default;
  explicit TOwnedHString(THString AHandle) noexcept : FHandle(AHandle) {}
  ~TOwnedHString() {
    if (FHandle)
      Api().WindowsDeleteString(FHandle);
  }
  TOwnedHString(const TOwnedHString&) = delete;
  TOwnedHString& operator=(const TOwnedHString&) = delete;
  THString Get() const noexcept { return FHandle; }
  THString* Put() noexcept { return &FHandle; }
  std::u16string Text() const {
    if (!FHandle)
      return {};
    UINT32 length = 0;
    const wchar_t* chars = Api().WindowsGetStringRawBuffer(FHandle, &length);
    return chars ? std::u16string(reinterpret_cast<const char16_t*>(chars), length) : std::u16string();
  }

private:
  THString FHandle = nullptr;
};

// A runtime string of AText; nothing when it cannot be made.
bool MakeHString(std::u16string_view AText, TOwnedHString& AString) {
  return SUCCEEDED(CompleteApi().WindowsCreateString(reinterpret_cast<const wchar_t*>(AText.data()),
                                                     static_cast<UINT32>(AText.size()), AString.Put()));
}

void Check(HRESULT AResult, const char* ACall) {
  CheckHResult(AResult, ACall);
}

// A member that hands out an interface: the object, which may be absent; raises on failure.
template <typename... TArgs>
TComObject GetObject(const TComObject& AObject, int ASlot, const char* ACall, TArgs... AArgs) {
  TComObject result;
  Check(CallSlot(AObject, ASlot, AArgs..., result.Put()), ACall);
  return result;
}

// A member that hands out a runtime string, copied and released here.
std::u16string GetString(const TComObject& AObject, int ASlot, const char* ACall) {
  TOwnedHString text;
  Check(CallSlot(AObject, ASlot, text.Put()), ACall);
  return text.Text();
}

template <typename TValue> TValue GetValue(const TComObject& AObject, int ASlot, const char* ACall) {
  TValue value{};
  Check(CallSlot(AObject, ASlot, &value), ACall);
  return value;
}

constexpr IID IidAsyncInfo = {0x00000036, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID IidOcrEngineStatics = {0x5BFFA85A, 0x3384, 0x3540, {0x99, 0x40, 0x69, 0x91, 0x20, 0xD4, 0x28, 0xA8}};
constexpr IID IidLanguageFactory = {0x9B0252AC, 0x0C27, 0x44F8, {0xB7, 0x92, 0x97, 0x93, 0xFB, 0x66, 0xC6, 0x3E}};
constexpr IID IidSoftwareBitmapStatics = {0xDF0385DB, 0x672F, 0x4A9D, {0x80, 0x6E, 0xC2, 0x44, 0x2F, 0x34, 0x3E, 0x86}};
constexpr IID IidDataWriter = {0x64B89265, 0xD341, 0x4922, {0xB3, 0x8A, 0xDD, 0x4A, 0xF8, 0x80, 0x8C, 0x4E}};

constexpr char16_t OcrEngineClass[] = u"Windows.Media.Ocr.OcrEngine";
constexpr char16_t LanguageClass[] = u"Windows.Globalization.Language";
constexpr char16_t SoftwareBitmapClass[] = u"Windows.Graphics.Imaging.SoftwareBitmap";
constexpr char16_t DataWriterClass[] = u"Windows.Storage.Streams.DataWriter";

TComObject GetFactory(const char16_t* AClass, const IID& AIid) {
  TOwnedHString name;
  if (!MakeHString(AClass, name))
    throw EWinRTException(Format(u"Error creating HString for %s", {AClass}), static_cast<std::uint32_t>(E_FAIL));
  TComObject factory;
  const HRESULT result = CompleteApi().RoGetActivationFactory(name.Get(), AIid, factory.PutVoid());
  if (result == E_NOINTERFACE)
    throw EWinRTException(Format(u"The factory obtained for %s is wrong", {AClass}),
                          static_cast<std::uint32_t>(result));
  if (FAILED(result) || !factory)
    throw EWinRTException(Format(u"Cannot get factory for class %s", {AClass}), static_cast<std::uint32_t>(result));
  return factory;
}

// The interfaces, each over its object.

template <class TItem, class TWrapper> class TWin32Vector final : public IRuntimeVector<TItem> {
public:
  explicit TWin32Vector(TComObject AVector) : FVector(std::move(AVector)) {}
  std::uint32_t Size() override { return GetValue<UINT32>(FVector, 7, "IVectorView.Size"); }
  std::unique_ptr<TItem> GetAt(std::uint32_t AIndex) override {
    TComObject item = GetObject(FVector, 6, "IVectorView.GetAt", static_cast<UINT32>(AIndex));
    return item ? std::make_unique<TWrapper>(std::move(item)) : nullptr;
  }

private:
  TComObject FVector;
};

template <class TItem, class TWrapper> std::unique_ptr<IRuntimeVector<TItem>> VectorOf(TComObject AVector) {
  return AVector ? std::make_unique<TWin32Vector<TItem, TWrapper>>(std::move(AVector)) : nullptr;
}

class TWin32Language final : public IOcrLanguage {
public:
  explicit TWin32Language(TComObject ALanguage) : FLanguage(std::move(ALanguage)) {}
  std::u16string LanguageTag() override { return GetString(FLanguage, 6, "ILanguage.LanguageTag"); }
  std::u16string DisplayName() override { return GetString(FLanguage, 7, "ILanguage.DisplayName"); }
  IUnknown* Raw() const noexcept { return FLanguage.Get(); }

private:
  TComObject FLanguage;
};

// Windows.Foundation.Rect: four floats, X, Y, Width and Height.
struct TRuntimeRect {
  float X, Y, Width, Height;
};
static_assert(sizeof(TRuntimeRect) == 16);

class TWin32Word final : public IOcrWord {
public:
  explicit TWin32Word(TComObject AWord) : FWord(std::move(AWord)) {}
  std::u16string Text() override { return GetString(FWord, 7, "IOcrWord.Text"); }
  TOcrRect BoundingRect() override {
    const TRuntimeRect r = GetValue<TRuntimeRect>(FWord, 6, "IOcrWord.BoundingRect");
    return {r.X, r.Y, r.Width, r.Height};
  }

private:
  TComObject FWord;
};

class TWin32Line final : public IOcrLine {
public:
  explicit TWin32Line(TComObject ALine) : FLine(std::move(ALine)) {}
  std::unique_ptr<IRuntimeVector<IOcrWord>> Words() override {
    return VectorOf<IOcrWord, TWin32Word>(GetObject(FLine, 6, "IOcrLine.Words"));
  }
  std::u16string Text() override { return GetString(FLine, 7, "IOcrLine.Text"); }

private:
  TComObject FLine;
};

class TWin32Result final : public IOcrResult {
public:
  explicit TWin32Result(TComObject AResult) : FResult(std::move(AResult)) {}
  std::unique_ptr<IRuntimeVector<IOcrLine>> Lines() override {
    return VectorOf<IOcrLine, TWin32Line>(GetObject(FResult, 6, "IOcrResult.Lines"));
  }
  std::u16string Text() override { return GetString(FResult, 8, "IOcrResult.Text"); }
  // An IReference<double>, absent when no angle was found.
  std::optional<double> TextAngle() override {
    const TComObject angle = GetObject(FResult, 7, "IOcrResult.TextAngle");
    if (!angle)
      return std::nullopt;
    return GetValue<double>(angle, 6, "IReference<Double>.Value");
  }

private:
  TComObject FResult;
};

class TWin32AsyncInfo final : public IOcrAsyncInfo {
public:
  explicit TWin32AsyncInfo(TComObject AInfo) : FInfo(std::move(AInfo)) {}
  std::int32_t Status() override { return GetValue<std::int32_t>(FInfo, 7, "IAsyncInfo.Status"); }
  std::int32_t ErrorCode() override { return GetValue<HRESULT>(FInfo, 8, "IAsyncInfo.ErrorCode"); }
  void Cancel() override { Check(CallSlot(FInfo, 9), "IAsyncInfo.Cancel"); }

private:
  TComObject FInfo;
};

class TWin32Operation final : public IOcrOperation {
public:
  explicit TWin32Operation(TComObject AOperation) : FOperation(std::move(AOperation)) {}
  std::unique_ptr<IOcrAsyncInfo> AsyncInfo() override {
    TComObject info = QueryFor(FOperation, IidAsyncInfo);
    return info ? std::make_unique<TWin32AsyncInfo>(std::move(info)) : nullptr;
  }
  std::unique_ptr<IOcrResult> GetResults() override {
    TComObject result = GetObject(FOperation, 8, "IAsyncOperation.GetResults");
    return result ? std::make_unique<TWin32Result>(std::move(result)) : nullptr;
  }

private:
  TComObject FOperation;
};

class TWin32SoftwareBitmap final : public ISoftwareBitmap {
public:
  explicit TWin32SoftwareBitmap(TComObject ABitmap) : FBitmap(std::move(ABitmap)) {}
  std::int32_t PixelWidth() override { return GetValue<INT32>(FBitmap, 8, "ISoftwareBitmap.PixelWidth"); }
  std::int32_t PixelHeight() override { return GetValue<INT32>(FBitmap, 9, "ISoftwareBitmap.PixelHeight"); }
  std::int32_t PixelFormat() override { return GetValue<INT32>(FBitmap, 6, "ISoftwareBitmap.BitmapPixelFormat"); }
  std::int32_t AlphaMode() override { return GetValue<INT32>(FBitmap, 7, "ISoftwareBitmap.BitmapAlphaMode"); }
  IUnknown* Raw() const noexcept { return FBitmap.Get(); }

private:
  TComObject FBitmap;
};

class TWin32Engine final : public IOcrEngine {
public:
  explicit TWin32Engine(TComObject AEngine) : FEngine(std::move(AEngine)) {}
  std::unique_ptr<IOcrOperation> RecognizeAsync(ISoftwareBitmap& ABitmap) override {
    IUnknown* bitmap = static_cast<TWin32SoftwareBitmap&>(ABitmap).Raw();
    TComObject operation = GetObject(FEngine, 6, "IOcrEngine.RecognizeAsync", static_cast<void*>(bitmap));
    return operation ? std::make_unique<TWin32Operation>(std::move(operation)) : nullptr;
  }
  std::unique_ptr<IOcrLanguage> RecognizerLanguage() override {
    TComObject language = GetObject(FEngine, 7, "IOcrEngine.RecognizerLanguage");
    return language ? std::make_unique<TWin32Language>(std::move(language)) : nullptr;
  }

private:
  TComObject FEngine;
};

std::unique_ptr<IOcrEngine> EngineOf(TComObject AEngine) {
  return AEngine ? std::make_unique<TWin32Engine>(std::move(AEngine)) : nullptr;
}

class TWin32EngineStatics final : public IOcrEngineStatics {
public:
  explicit TWin32EngineStatics(TComObject AStatics) : FStatics(std::move(AStatics)) {}
  std::uint32_t MaxImageDimension() override {
    return GetValue<UINT32>(FStatics, 6, "IOcrEngineStatics.MaxImageDimension");
  }
  std::unique_ptr<IRuntimeVector<IOcrLanguage>> AvailableRecognizerLanguages() override {
    return VectorOf<IOcrLanguage, TWin32Language>(
        GetObject(FStatics, 7, "IOcrEngineStatics.AvailableRecognizerLanguages"));
  }
  bool IsLanguageSupported(IOcrLanguage& ALanguage) override {
    std::uint8_t supported = 0; // a runtime boolean is one byte
    Check(CallSlot(FStatics, 8, static_cast<void*>(Raw(ALanguage)), &supported),
          "IOcrEngineStatics.IsLanguageSupported");
    return supported != 0;
  }
  std::unique_ptr<IOcrEngine> TryCreateFromLanguage(IOcrLanguage& ALanguage) override {
    return EngineOf(
        GetObject(FStatics, 9, "IOcrEngineStatics.TryCreateFromLanguage", static_cast<void*>(Raw(ALanguage))));
  }
  std::unique_ptr<IOcrEngine> TryCreateFromUserProfileLanguages() override {
    return EngineOf(GetObject(FStatics, 10, "IOcrEngineStatics.TryCreateFromUserProfileLanguages"));
  }

private:
  static IUnknown* Raw(IOcrLanguage& ALanguage) { return static_cast<TWin32Language&>(ALanguage).Raw(); }
  TComObject FStatics;
};

class TWin32LanguageFactory final : public ILanguageFactory {
public:
  explicit TWin32LanguageFactory(TComObject AFactory) : FFactory(std::move(AFactory)) {}
  std::unique_ptr<IOcrLanguage> CreateLanguage(const std::u16string& ATag) override {
    TOwnedHString tag;
    if (!MakeHString(ATag, tag))
      throw EWinRTException(Format(u"Error creating HString for %s", {ATag}), static_cast<std::uint32_t>(E_FAIL));
    TComObject language = GetObject(FFactory, 6, "ILanguageFactory.CreateLanguage", tag.Get());
    return language ? std::make_unique<TWin32Language>(std::move(language)) : nullptr;
  }

private:
  TComObject FFactory;
};

class TWin32Buffer final : public IRuntimeBuffer {
public:
  explicit TWin32Buffer(TComObject ABuffer) : FBuffer(std::move(ABuffer)) {}
  std::uint32_t Capacity() override { return GetValue<UINT32>(FBuffer, 6, "IBuffer.Capacity"); }
  std::uint32_t Length() override { return GetValue<UINT32>(FBuffer, 7, "IBuffer.Length"); }
  IUnknown* Raw() const noexcept { return FBuffer.Get(); }

private:
  TComObject FBuffer;
};

class TWin32DataWriter final : public IDataWriter {
public:
  explicit TWin32DataWriter(TComObject AWriter) : FWriter(std::move(AWriter)) {}
  void WriteBytes(const std::uint8_t* ABytes, std::uint32_t ACount) override {
    Check(CallSlot(FWriter, 12, static_cast<UINT32>(ACount), const_cast<BYTE*>(ABytes)), "IDataWriter.WriteBytes");
  }
  std::unique_ptr<IRuntimeBuffer> DetachBuffer() override {
    TComObject buffer = GetObject(FWriter, 31, "IDataWriter.DetachBuffer");
    return buffer ? std::make_unique<TWin32Buffer>(std::move(buffer)) : nullptr;
  }

private:
  TComObject FWriter;
};

class TWin32SoftwareBitmapStatics final : public ISoftwareBitmapStatics {
public:
  explicit TWin32SoftwareBitmapStatics(TComObject AStatics) : FStatics(std::move(AStatics)) {}
  std::unique_ptr<ISoftwareBitmap> CreateCopyFromBuffer(IRuntimeBuffer* ABuffer, std::int32_t AFormat,
                                                        std::int32_t AWidth, std::int32_t AHeight,
                                                        std::int32_t AAlphaMode) override {
    IUnknown* buffer = ABuffer ? static_cast<TWin32Buffer*>(ABuffer)->Raw() : nullptr;
    TComObject bitmap = GetObject(FStatics, 10, "ISoftwareBitmapStatics.CreateCopyWithAlphaFromBuffer",
                                  static_cast<void*>(buffer), static_cast<INT32>(AFormat), static_cast<INT32>(AWidth),
                                  static_cast<INT32>(AHeight), static_cast<INT32>(AAlphaMode));
    return bitmap ? std::make_unique<TWin32SoftwareBitmap>(std::move(bitmap)) : nullptr;
  }

private:
  TComObject FStatics;
};

} // namespace

struct TWin32WinRTRuntime::TFactories {
  std::unique_ptr<TWin32EngineStatics> Engine;
  std::unique_ptr<TWin32LanguageFactory> Language;
  std::unique_ptr<TWin32SoftwareBitmapStatics> SoftwareBitmap;
};

TWin32WinRTRuntime::TWin32WinRTRuntime() : FFactories(std::make_unique<TFactories>()) {}
TWin32WinRTRuntime::~TWin32WinRTRuntime() = default;

std::uint32_t TWin32WinRTRuntime::WindowsMajorVersion() {
  // The version the system really is: GetVersionEx answers what the manifest allows.
  using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  static const auto getVersion = reinterpret_cast<TRtlGetVersion>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!getVersion || getVersion(&info) != 0)
    return 0;
  return info.dwMajorVersion;
}

std::int32_t TWin32WinRTRuntime::Initialize(int AType) {
  const TRuntimeApi& api = Api();
  if (!api.Complete())
    return E_NOTIMPL;
  return api.RoInitialize(AType);
}

void TWin32WinRTRuntime::Uninitialize() {
  if (Api().Complete())
    Api().RoUninitialize();
}

IOcrEngineStatics& TWin32WinRTRuntime::OcrEngineStatics() {
  const std::lock_guard lock(FLock);
  if (!FFactories->Engine)
    FFactories->Engine = std::make_unique<TWin32EngineStatics>(GetFactory(OcrEngineClass, IidOcrEngineStatics));
  return *FFactories->Engine;
}

ILanguageFactory& TWin32WinRTRuntime::LanguageFactory() {
  const std::lock_guard lock(FLock);
  if (!FFactories->Language)
    FFactories->Language = std::make_unique<TWin32LanguageFactory>(GetFactory(LanguageClass, IidLanguageFactory));
  return *FFactories->Language;
}

ISoftwareBitmapStatics& TWin32WinRTRuntime::SoftwareBitmapStatics() {
  const std::lock_guard lock(FLock);
  if (!FFactories->SoftwareBitmap)
    FFactories->SoftwareBitmap =
        std::make_unique<TWin32SoftwareBitmapStatics>(GetFactory(SoftwareBitmapClass, IidSoftwareBitmapStatics));
  return *FFactories->SoftwareBitmap;
}

std::unique_ptr<IDataWriter> TWin32WinRTRuntime::CreateDataWriter() {
  TOwnedHString name;
  if (!MakeHString(DataWriterClass, name))
    throw EWinRTException(Format(u"Error creating HString for %s", {DataWriterClass}),
                          static_cast<std::uint32_t>(E_FAIL));
  TComObject instance;
  const HRESULT result = CompleteApi().RoActivateInstance(name.Get(), instance.Put());
  if (FAILED(result) || !instance)
    throw EWinRTException(Format(u"Cannot create instance of class %s", {DataWriterClass}),
                          static_cast<std::uint32_t>(result));
  TComObject writer = QueryFor(instance, IidDataWriter);
  if (!writer)
    throw EWinRTException(Format(u"The created instance of class %s is wrong", {DataWriterClass}),
                          static_cast<std::uint32_t>(E_NOINTERFACE));
  return std::make_unique<TWin32DataWriter>(std::move(writer));
}

} // namespace tarvel
