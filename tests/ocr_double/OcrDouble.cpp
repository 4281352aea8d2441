// A double of the Windows Runtime OCR classes, and of the few classes around them that Tarvel
// needs, for the test programs under Wine, which has none. The runtime loads it through its
// registration as an in-process component (see OcrScript.h); Tarvel calls it through the same
// vtable slots as the real classes. It answers as the test program scripted and records what
// it was asked.
//
// The objects stand behind hand-made vtables (see doubles/ComObjects.h). Only the slots Tarvel
// uses are played; every other slot answers E_NOTIMPL, popping exactly the arguments its caller
// pushed, as __stdcall demands.
#include <windows.h>

#include <inspectable.h>
#include <winstring.h>

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "doubles/ComObjects.h"
#include "ocr_double/OcrScript.h"

namespace tarvel::ocr_double {
namespace {

using namespace tarvel::test;

constexpr IID IidActivationFactory = {0x00000035, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID IidAsyncInfo = {0x00000036, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID IidClosable = {0x30D5A829, 0x7FA4, 0x4026, {0x83, 0xBB, 0xD7, 0x5B, 0xAE, 0x4E, 0xA9, 0x9E}};

constexpr IID IidOcrEngineStatics = {0x5BFFA85A, 0x3384, 0x3540, {0x99, 0x40, 0x69, 0x91, 0x20, 0xD4, 0x28, 0xA8}};
constexpr IID IidOcrEngine = {0x5A14BC41, 0x5B76, 0x3140, {0xB6, 0x80, 0x88, 0x25, 0x56, 0x26, 0x83, 0xAC}};
constexpr IID IidOcrResult = {0x9BD235B2, 0x175B, 0x3D6A, {0x92, 0xE2, 0x38, 0x8C, 0x20, 0x6E, 0x2F, 0x63}};
constexpr IID IidOcrLine = {0x0043A16F, 0xE31F, 0x3A24, {0x89, 0x9C, 0xD4, 0x44, 0xBD, 0x08, 0x81, 0x24}};
constexpr IID IidOcrWord = {0x3C2A477A, 0x5CD9, 0x3525, {0xBA, 0x2A, 0x23, 0xD1, 0xE0, 0xA6, 0x8A, 0x1D}};
constexpr IID IidLanguageFactory = {0x9B0252AC, 0x0C27, 0x44F8, {0xB7, 0x92, 0x97, 0x93, 0xFB, 0x66, 0xC6, 0x3E}};
constexpr IID IidLanguage = {0xEA79A752, 0xF7C2, 0x4265, {0xB1, 0xBD, 0xC4, 0xDE, 0xC4, 0xE4, 0xF0, 0x80}};
constexpr IID IidSoftwareBitmapStatics = {0xDF0385DB, 0x672F, 0x4A9D, {0x80, 0x6E, 0xC2, 0x44, 0x2F, 0x34, 0x3E, 0x86}};
constexpr IID IidSoftwareBitmap = {0x689E0708, 0x7EEF, 0x483F, {0x96, 0x3F, 0xDA, 0x93, 0x88, 0x18, 0xE0, 0x73}};
constexpr IID IidDataWriter = {0x64B89265, 0xD341, 0x4922, {0xB3, 0x8A, 0xDD, 0x4A, 0xF8, 0x80, 0x8C, 0x4E}};
constexpr IID IidBuffer = {0x905A0FE0, 0xBC53, 0x11DF, {0x8C, 0x49, 0x00, 0x1E, 0x4F, 0xC6, 0x86, 0xDA}};
constexpr IID IidBufferByteAccess = {0x905A0FEF, 0xBC53, 0x11DF, {0x8C, 0x49, 0x00, 0x1E, 0x4F, 0xC6, 0x86, 0xDA}};
// IAsyncOperation<OcrResult>, IVectorView<OcrLine>, IVectorView<OcrWord>, IVectorView<Language>
constexpr IID IidOcrOperation = {0xC7D7118E, 0xAE36, 0x59C0, {0xAC, 0x76, 0x7B, 0xAD, 0xEE, 0x71, 0x1C, 0x8B}};
constexpr IID IidLineVector = {0x60C76EAC, 0x8875, 0x5DDB, {0xA1, 0x9B, 0x65, 0xA3, 0x93, 0x62, 0x79, 0xEA}};
constexpr IID IidWordVector = {0x805A60C7, 0xDF4F, 0x527C, {0x86, 0xB2, 0xE2, 0x9E, 0x43, 0x9A, 0x83, 0xD2}};
constexpr IID IidLanguageVector = {0x144B0F3D, 0x2D59, 0x5DD2, {0xB0, 0x12, 0x90, 0x8E, 0xC3, 0xE0, 0x64, 0x35}};

constexpr HRESULT IllegalStateChange = static_cast<HRESULT>(0x8000000D); // E_ILLEGAL_STATE_CHANGE
constexpr HRESULT OutOfBounds = static_cast<HRESULT>(0x8000000B);        // E_BOUNDS
constexpr HRESULT ObjectClosed = static_cast<HRESULT>(0x80000013);       // RO_E_CLOSED

enum TAsyncStatus : INT32 { Started = 0, Completed = 1, Canceled = 2, Error = 3 };

// The bytes of arguments (after this) that each method pushes, from its first own slot on:
// 6 for the runtime interfaces, 3 for IBufferByteAccess.
constexpr unsigned char ActivationFactoryArguments[] = {4}; // ActivateInstance
constexpr unsigned char OcrEngineStaticsArguments[] = {
    // get_MaxImageDimension, get_AvailableRecognizerLanguages, IsLanguageSupported,
    // TryCreateFromLanguage, TryCreateFromUserProfileLanguages
    4, 4, 8, 8, 4};
constexpr unsigned char OcrEngineArguments[] = {8, 4};          // RecognizeAsync, get_RecognizerLanguage
constexpr unsigned char OcrOperationArguments[] = {4, 4, 4};    // put_Completed, get_Completed, GetResults
constexpr unsigned char AsyncInfoArguments[] = {4, 4, 4, 0, 0}; // get_Id, get_Status, get_ErrorCode, Cancel, Close
constexpr unsigned char OcrResultArguments[] = {4, 4, 4};       // get_Lines, get_TextAngle, get_Text
constexpr unsigned char OcrLineArguments[] = {4, 4};            // get_Words, get_Text
constexpr unsigned char OcrWordArguments[] = {4, 4};            // get_BoundingRect, get_Text
constexpr unsigned char VectorViewArguments[] = {8, 4, 12, 16}; // GetAt, get_Size, IndexOf, GetMany
constexpr unsigned char LanguageFactoryArguments[] = {8};       // CreateLanguage
constexpr unsigned char LanguageArguments[] = {
    // get_LanguageTag, get_DisplayName, get_NativeName, get_Script
    4, 4, 4, 4};
constexpr unsigned char SoftwareBitmapStaticsArguments[] = {
    // Copy, Convert, ConvertWithAlpha, CreateCopyFromBuffer, CreateCopyWithAlphaFromBuffer,
    // CreateCopyFromSurfaceAsync, CreateCopyWithAlphaFromSurfaceAsync
    8, 12, 16, 20, 24, 8, 12};
constexpr unsigned char SoftwareBitmapArguments[] = {
    // get_BitmapPixelFormat, get_BitmapAlphaMode, get_PixelWidth, get_PixelHeight, get_IsReadOnly,
    // put_DpiX (a double), get_DpiX, put_DpiY, get_DpiY, LockBuffer, CopyTo, CopyFromBuffer,
    // CopyToBuffer, GetReadOnlyView
    4, 4, 4, 4, 4, 8, 4, 8, 4, 8, 4, 4, 4, 4};
constexpr unsigned char ClosableArguments[] = {0};         // Close
constexpr unsigned char BufferArguments[] = {4, 4, 4};     // get_Capacity, get_Length, put_Length
constexpr unsigned char BufferByteAccessArguments[] = {4}; // Buffer
constexpr unsigned char DataWriterArguments[] = {
    // get_UnstoredBufferLength, get/put_UnicodeEncoding, get/put_ByteOrder, WriteByte,
    // WriteBytes, WriteBuffer, WriteBufferRange, WriteBoolean, WriteGuid (by value)
    4, 4, 4, 4, 4, 4, 8, 4, 12, 4, 16,
    // WriteInt16, WriteInt32, WriteInt64, WriteUInt16, WriteUInt32, WriteUInt64, WriteSingle,
    // WriteDouble, WriteDateTime, WriteTimeSpan (one INT64 each, by value)
    4, 4, 8, 4, 4, 8, 4, 8, 8, 8,
    // WriteString, MeasureString, StoreAsync, FlushAsync, DetachBuffer, DetachStream
    8, 8, 4, 4, 4, 4};

HRESULT ReturnString(const std::wstring& AText, HSTRING* AOut) {
  if (!AOut)
    return E_POINTER;
  return WindowsCreateString(AText.data(), static_cast<UINT32>(AText.size()), AOut);
}

std::wstring StringOf(HSTRING AString) {
  UINT32 length = 0;
  const wchar_t* chars = WindowsGetStringRawBuffer(AString, &length);
  return std::wstring(chars ? chars : L"", chars ? length : 0);
}

// Calls slot ASlot of a foreign interface that answers a string there.
HRESULT CallForString(void* AInterface, int ASlot, std::wstring& AText) {
  HSTRING string = nullptr;
  const HRESULT result = CallSlot<HRESULT(HSTRING*)>(AInterface, ASlot, &string);
  if (SUCCEEDED(result)) {
    AText = StringOf(string);
    WindowsDeleteString(string);
  }
  return result;
}

// ---- Script and record ----------------------------------------------------------------------

// Appends the line to the record file in one write. Wine's appending handles each seek to the
// end and write apart, so two appends at once can land on the same place: a mutex named after
// the file keeps them one after the other, across threads and processes.
void Record(const std::wstring& ALine) {
  const std::wstring path = OcrVariable(RecordVariable);
  if (path.empty())
    return;
  const std::string line = ToUtf8(ALine) + "\n";
  const std::string key = ToUtf8(path);
  const std::wstring mutexName = L"Local\\TarvelOcrDoubleRecord." + FromUtf8(OcrChecksum(key.data(), key.size()));
  HANDLE mutex = CreateMutexW(nullptr, FALSE, mutexName.c_str());
  const bool owned = mutex && WaitForSingleObject(mutex, 10000) != WAIT_TIMEOUT;
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
  }
  if (owned)
    ReleaseMutex(mutex);
  if (mutex)
    CloseHandle(mutex);
}

// The script as the test program wrote it last; the defaults without one. What the double
// did not understand goes to the record.
TOcrScriptData ReadScript() {
  const std::wstring path = OcrVariable(ScriptVariable);
  const std::optional<std::string> text = path.empty() ? std::nullopt : ReadOcrFile(path);
  if (!text)
    return TOcrScriptData{};
  TOcrScriptData script = ParseOcrScript(*text);
  for (const std::wstring& problem : script.Problems)
    Record(L"script-error " + problem);
  return script;
}

// ---- Language ---------------------------------------------------------------------------

class TLanguage : public TObject {
public:
  TLanguage(std::wstring ATag, std::wstring AName);
  std::wstring Tag;
  std::wstring Name;
};

HRESULT __stdcall LanguageTag(TFace* ASelf, HSTRING* AOut) {
  return ReturnString(Owner<TLanguage>(ASelf)->Tag, AOut);
}

HRESULT __stdcall LanguageDisplayName(TFace* ASelf, HSTRING* AOut) {
  return ReturnString(Owner<TLanguage>(ASelf)->Name, AOut);
}

HRESULT __stdcall LanguageScript(TFace*, HSTRING* AOut) {
  return ReturnString(std::wstring(), AOut);
}

const auto LanguageVtable = TRuntimeVtable<LanguageArguments>()
                                .Play<6>(&LanguageTag)
                                .Play<7>(&LanguageDisplayName)
                                .Play<8>(&LanguageDisplayName)
                                .Play<9>(&LanguageScript);

TLanguage::TLanguage(std::wstring ATag, std::wstring AName)
    : TObject(L"Windows.Globalization.Language"), Tag(std::move(ATag)), Name(std::move(AName)) {
  AddFace(LanguageVtable.Slots, IidLanguage);
}

HRESULT __stdcall LanguageFactoryCreate(TFace*, HSTRING ATag, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  return Guard([&] {
    const std::wstring tag = StringOf(ATag);
    Record(L"language tag=" + tag);
    const TOcrScriptData script = ReadScript();
    if (const HRESULT failure = script.LanguageFailure(tag); FAILED(failure))
      return failure;
    if (tag.empty())
      return E_INVALIDARG;
    return Give(Create<TLanguage>(tag, script.NameOf(tag)), AOut);
  });
}

// ---- Vector views -------------------------------------------------------------------------

class TVector : public TObject {
public:
  TVector(const wchar_t* AClassName, const IID& AInterface);
  ~TVector() override {
    for (TObject* item : Items)
      item->Release();
  }
  // Takes over the item's reference; releases it when it cannot.
  bool Add(TObject* AItem) {
    if (!AItem)
      return false;
    try {
      Items.push_back(AItem);
      return true;
    } catch (const std::bad_alloc&) {
      AItem->Release();
      return false;
    }
  }
  std::vector<TObject*> Items;
};

HRESULT __stdcall VectorGetAt(TFace* ASelf, UINT32 AIndex, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  const auto& items = Owner<TVector>(ASelf)->Items;
  if (AIndex >= items.size())
    return OutOfBounds;
  items[AIndex]->AddRef();
  *AOut = items[AIndex]->Default();
  return S_OK;
}

HRESULT __stdcall VectorSize(TFace* ASelf, UINT32* AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = static_cast<UINT32>(Owner<TVector>(ASelf)->Items.size());
  return S_OK;
}

const auto VectorVtable = TRuntimeVtable<VectorViewArguments>().Play<6>(&VectorGetAt).Play<7>(&VectorSize);

TVector::TVector(const wchar_t* AClassName, const IID& AInterface) : TObject(AClassName) {
  AddFace(VectorVtable.Slots, AInterface);
}

// ---- Word, line, result -------------------------------------------------------------------

// Windows.Foundation.Rect: four floats, X, Y, Width and Height.
static_assert(sizeof(TOcrBox) == 16);

class TWord : public TObject {
public:
  TWord(std::wstring AText, TOcrBox ABounds);
  std::wstring Text;
  TOcrBox Bounds;
};

HRESULT __stdcall WordBoundingRect(TFace* ASelf, TOcrBox* AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = Owner<TWord>(ASelf)->Bounds;
  return S_OK;
}

HRESULT __stdcall WordText(TFace* ASelf, HSTRING* AOut) {
  return ReturnString(Owner<TWord>(ASelf)->Text, AOut);
}

const auto WordVtable = TRuntimeVtable<OcrWordArguments>().Play<6>(&WordBoundingRect).Play<7>(&WordText);

TWord::TWord(std::wstring AText, TOcrBox ABounds)
    : TObject(L"Windows.Media.Ocr.OcrWord"), Text(std::move(AText)), Bounds(ABounds) {
  AddFace(WordVtable.Slots, IidOcrWord);
}

// A recognized line as scripted, with its words' rectangles.
struct TPlacedLine {
  std::wstring Line;
  std::vector<TOcrBox> Boxes;
};

std::vector<TPlacedLine> PlacedLines(const TOcrScriptData& AScript) {
  std::vector<TPlacedLine> lines;
  for (std::size_t i = 0; i < AScript.Lines.size(); ++i)
    lines.push_back({AScript.Lines[i], AScript.WordBoxes(i)});
  return lines;
}

class TLine : public TObject {
public:
  explicit TLine(TPlacedLine ALine);
  TPlacedLine Placed;
};

HRESULT __stdcall LineWords(TFace* ASelf, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  const TLine* line = Owner<TLine>(ASelf);
  return Guard([&] {
    TVector* vector =
        Create<TVector>(L"Windows.Foundation.Collections.IVectorView`1<Windows.Media.Ocr.OcrWord>", IidWordVector);
    if (!vector)
      return E_OUTOFMEMORY;
    const std::vector<std::wstring> words = TOcrScriptData::Words(line->Placed.Line);
    for (std::size_t i = 0; i < words.size(); ++i) {
      const TOcrBox bounds = i < line->Placed.Boxes.size() ? line->Placed.Boxes[i] : TOcrBox{};
      if (!vector->Add(Create<TWord>(words[i], bounds))) {
        vector->Release();
        return E_OUTOFMEMORY;
      }
    }
    *AOut = vector->Default();
    return S_OK;
  });
}

HRESULT __stdcall LineText(TFace* ASelf, HSTRING* AOut) {
  return Guard([&] { return ReturnString(TOcrScriptData::LineText(Owner<TLine>(ASelf)->Placed.Line), AOut); });
}

const auto LineVtable = TRuntimeVtable<OcrLineArguments>().Play<6>(&LineWords).Play<7>(&LineText);

TLine::TLine(TPlacedLine ALine) : TObject(L"Windows.Media.Ocr.OcrLine"), Placed(std::move(ALine)) {
  AddFace(LineVtable.Slots, IidOcrLine);
}

class TResult : public TObject {
public:
  TResult(std::vector<TPlacedLine> ALines, std::wstring AText);
  std::vector<TPlacedLine> Lines;
  std::wstring Text;
};

HRESULT __stdcall ResultLines(TFace* ASelf, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  const TResult* result = Owner<TResult>(ASelf);
  TVector* vector =
      Create<TVector>(L"Windows.Foundation.Collections.IVectorView`1<Windows.Media.Ocr.OcrLine>", IidLineVector);
  if (!vector)
    return E_OUTOFMEMORY;
  for (std::size_t i = 0; i < result->Lines.size(); ++i)
    if (!vector->Add(Create<TLine>(result->Lines[i]))) {
      vector->Release();
      return E_OUTOFMEMORY;
    }
  *AOut = vector->Default();
  return S_OK;
}

HRESULT __stdcall ResultTextAngle(TFace*, void** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr; // no angle found
  return S_OK;
}

HRESULT __stdcall ResultText(TFace* ASelf, HSTRING* AOut) {
  return ReturnString(Owner<TResult>(ASelf)->Text, AOut);
}

const auto ResultVtable =
    TRuntimeVtable<OcrResultArguments>().Play<6>(&ResultLines).Play<7>(&ResultTextAngle).Play<8>(&ResultText);

TResult::TResult(std::vector<TPlacedLine> ALines, std::wstring AText)
    : TObject(L"Windows.Media.Ocr.OcrResult"), Lines(std::move(ALines)), Text(std::move(AText)) {
  AddFace(ResultVtable.Slots, IidOcrResult);
}

// ---- The recognition --------------------------------------------------------------------

LONG GLastOperationId = 0;

// IAsyncOperation<OcrResult> and IAsyncInfo. Its status is worked out from the clock at each
// call: Started until the delay has passed since it began, then the scripted one, unless
// Cancel came first.
class TOperation : public TObject {
public:
  explicit TOperation(const TOcrScriptData& AScript);

  TAsyncStatus Status() const {
    if (InterlockedCompareExchange(&FCanceled, 0, 0))
      return Canceled;
    if (GetTickCount64() - FStart < FDelay)
      return Started;
    switch (FOutcome) {
    case TOcrOutcome::Error: return Error;
    case TOcrOutcome::Canceled: return Canceled;
    default: return Completed;
    }
  }
  bool Closed() const { return InterlockedCompareExchange(&FClosed, 0, 0) != 0; }
  void Cancel() {
    if (Status() == Started)
      InterlockedExchange(&FCanceled, 1);
  }
  HRESULT Close() {
    if (Closed())
      return S_OK;
    if (Status() == Started)
      return IllegalStateChange;
    InterlockedExchange(&FClosed, 1);
    return S_OK;
  }

  const UINT32 Id;
  const HRESULT ErrorCode;
  const std::vector<TPlacedLine> Lines;
  const std::wstring Text;

private:
  const ULONGLONG FStart;
  const ULONGLONG FDelay;
  const TOcrOutcome FOutcome;
  mutable LONG FCanceled = 0;
  mutable LONG FClosed = 0;
};

HRESULT __stdcall OperationGetResults(TFace* ASelf, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  const TOperation* operation = Owner<TOperation>(ASelf);
  if (operation->Closed())
    return IllegalMethodCall;
  switch (operation->Status()) {
  case Completed: return Give(Create<TResult>(operation->Lines, operation->Text), AOut);
  case Error: return operation->ErrorCode;
  default: return IllegalMethodCall;
  }
}

// What AAnswer says of the operation, unless it is closed.
template <typename T, typename F> HRESULT AnswerUnlessClosed(TFace* ASelf, T* AOut, F AAnswer) {
  if (!AOut)
    return E_POINTER;
  const TOperation* operation = Owner<TOperation>(ASelf);
  if (operation->Closed())
    return IllegalMethodCall;
  *AOut = AAnswer(*operation);
  return S_OK;
}

HRESULT __stdcall InfoId(TFace* ASelf, UINT32* AOut) {
  return AnswerUnlessClosed(ASelf, AOut, [](const TOperation& AOperation) { return AOperation.Id; });
}

HRESULT __stdcall InfoStatus(TFace* ASelf, INT32* AOut) {
  return AnswerUnlessClosed(ASelf, AOut, [](const TOperation& AOperation) { return AOperation.Status(); });
}

HRESULT __stdcall InfoErrorCode(TFace* ASelf, HRESULT* AOut) {
  return AnswerUnlessClosed(ASelf, AOut, [](const TOperation& AOperation) {
    return AOperation.Status() == Error ? AOperation.ErrorCode : S_OK;
  });
}

HRESULT __stdcall InfoCancel(TFace* ASelf) {
  try {
    Record(L"cancel");
  } catch (const std::bad_alloc&) {
  }
  Owner<TOperation>(ASelf)->Cancel();
  return S_OK;
}

HRESULT __stdcall InfoClose(TFace* ASelf) {
  return Owner<TOperation>(ASelf)->Close();
}

const auto OperationVtable = TRuntimeVtable<OcrOperationArguments>().Play<8>(&OperationGetResults);

const auto AsyncInfoVtable = TRuntimeVtable<AsyncInfoArguments>()
                                 .Play<6>(&InfoId)
                                 .Play<7>(&InfoStatus)
                                 .Play<8>(&InfoErrorCode)
                                 .Play<9>(&InfoCancel)
                                 .Play<10>(&InfoClose);

TOperation::TOperation(const TOcrScriptData& AScript)
    : TObject(L"Windows.Foundation.IAsyncOperation`1<Windows.Media.Ocr.OcrResult>"),
      Id(static_cast<UINT32>(InterlockedIncrement(&GLastOperationId))), ErrorCode(AScript.ErrorCode),
      Lines(PlacedLines(AScript)), Text(AScript.ResultText()), FStart(GetTickCount64()), FDelay(AScript.DelayMs),
      FOutcome(AScript.Outcome) {
  AddFace(OperationVtable.Slots, IidOcrOperation);
  AddFace(AsyncInfoVtable.Slots, IidAsyncInfo);
}

// ---- Engine -------------------------------------------------------------------------------

class TEngine : public TObject {
public:
  TEngine(std::wstring ATag, std::wstring AName);
  std::wstring Tag;
  std::wstring Name;
};

HRESULT BitmapSize(void* ABitmap, INT32& AWidth, INT32& AHeight) {
  HRESULT result = CallSlot<HRESULT(INT32*)>(ABitmap, 8, &AWidth);
  if (SUCCEEDED(result))
    result = CallSlot<HRESULT(INT32*)>(ABitmap, 9, &AHeight);
  return result;
}

HRESULT __stdcall EngineRecognizeAsync(TFace*, void* ABitmap, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  return Guard([&] {
    Record(L"recognize");
    const TOcrScriptData script = ReadScript();
    if (FAILED(script.FailRecognize))
      return script.FailRecognize;
    if (!ABitmap)
      return E_INVALIDARG;
    INT32 width = 0, height = 0;
    if (const HRESULT result = BitmapSize(ABitmap, width, height); FAILED(result))
      return result;
    if (width <= 0 || height <= 0 || static_cast<UINT32>(width) > script.MaxImageDimension ||
        static_cast<UINT32>(height) > script.MaxImageDimension)
      return E_INVALIDARG;
    TOperation* operation = Create<TOperation>(script);
    if (!operation)
      return E_OUTOFMEMORY;
    *AOut = operation->Default();
    return S_OK;
  });
}

HRESULT __stdcall EngineRecognizerLanguage(TFace* ASelf, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  const TEngine* engine = Owner<TEngine>(ASelf);
  return Give(Create<TLanguage>(engine->Tag, engine->Name), AOut);
}

const auto EngineVtable =
    TRuntimeVtable<OcrEngineArguments>().Play<6>(&EngineRecognizeAsync).Play<7>(&EngineRecognizerLanguage);

TEngine::TEngine(std::wstring ATag, std::wstring AName)
    : TObject(L"Windows.Media.Ocr.OcrEngine"), Tag(std::move(ATag)), Name(std::move(AName)) {
  AddFace(EngineVtable.Slots, IidOcrEngine);
}

// ---- Engine statics -----------------------------------------------------------------------

HRESULT __stdcall StaticsMaxImageDimension(TFace*, UINT32* AOut) {
  if (!AOut)
    return E_POINTER;
  return Guard([&] {
    *AOut = ReadScript().MaxImageDimension;
    return S_OK;
  });
}

HRESULT __stdcall StaticsAvailableLanguages(TFace*, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  return Guard([&] {
    const TOcrScriptData script = ReadScript();
    TVector* vector = Create<TVector>(L"Windows.Foundation.Collections.IVectorView`1<Windows.Globalization.Language>",
                                      IidLanguageVector);
    if (!vector)
      return E_OUTOFMEMORY;
    for (const TOcrLanguage& language : script.Languages)
      if (!vector->Add(Create<TLanguage>(language.Tag, language.Name))) {
        vector->Release();
        return E_OUTOFMEMORY;
      }
    *AOut = vector->Default();
    return S_OK;
  });
}

HRESULT __stdcall StaticsIsLanguageSupported(TFace*, void* ALanguage, boolean* AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = false;
  if (!ALanguage)
    return E_INVALIDARG;
  return Guard([&] {
    std::wstring tag;
    if (const HRESULT result = CallForString(ALanguage, 6, tag); FAILED(result))
      return result;
    *AOut = ReadScript().Installed(tag) != nullptr;
    return S_OK;
  });
}

HRESULT __stdcall StaticsTryCreateFromLanguage(TFace*, void* ALanguage, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  if (!ALanguage)
    return E_INVALIDARG;
  return Guard([&] {
    std::wstring tag;
    if (const HRESULT result = CallForString(ALanguage, 6, tag); FAILED(result))
      return result;
    Record(L"engine for=" + tag);
    const TOcrScriptData script = ReadScript();
    const TOcrLanguage* language = script.Installed(tag);
    if (!language)
      return S_OK; // no engine for a language that is not installed
    return Give(Create<TEngine>(language->Tag, language->Name), AOut);
  });
}

HRESULT __stdcall StaticsTryCreateFromUserProfileLanguages(TFace*, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  return Guard([&] {
    Record(L"engine for=profile");
    const TOcrScriptData script = ReadScript();
    const std::wstring tag = script.ProfileTag();
    if (tag.empty())
      return S_OK;
    return Give(Create<TEngine>(tag, script.NameOf(tag)), AOut);
  });
}

// ---- Buffer and DataWriter ----------------------------------------------------------------

class TBuffer : public TObject {
public:
  explicit TBuffer(std::vector<BYTE> ABytes);
  std::vector<BYTE> Bytes; // its size is the capacity
  UINT32 Length;
};

HRESULT __stdcall BufferCapacity(TFace* ASelf, UINT32* AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = static_cast<UINT32>(Owner<TBuffer>(ASelf)->Bytes.size());
  return S_OK;
}

HRESULT __stdcall BufferLength(TFace* ASelf, UINT32* AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = Owner<TBuffer>(ASelf)->Length;
  return S_OK;
}

HRESULT __stdcall BufferPutLength(TFace* ASelf, UINT32 ALength) {
  TBuffer* buffer = Owner<TBuffer>(ASelf);
  if (ALength > buffer->Bytes.size())
    return E_INVALIDARG;
  buffer->Length = ALength;
  return S_OK;
}

HRESULT __stdcall BufferBytes(TFace* ASelf, BYTE** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = Owner<TBuffer>(ASelf)->Bytes.data();
  return S_OK;
}

const auto BufferVtable =
    TRuntimeVtable<BufferArguments>().Play<6>(&BufferCapacity).Play<7>(&BufferLength).Play<8>(&BufferPutLength);

const auto BufferByteAccessVtable = TComVtable<BufferByteAccessArguments>().Play<3>(&BufferBytes);

TBuffer::TBuffer(std::vector<BYTE> ABytes)
    : TObject(L"Windows.Storage.Streams.Buffer"), Bytes(std::move(ABytes)), Length(static_cast<UINT32>(Bytes.size())) {
  AddFace(BufferVtable.Slots, IidBuffer);
  AddFace(BufferByteAccessVtable.Slots, IidBufferByteAccess, false);
}

class TDataWriter : public TObject {
public:
  TDataWriter();
  std::vector<BYTE> Bytes;
  bool Closed = false;
};

HRESULT __stdcall WriterUnstoredLength(TFace* ASelf, UINT32* AOut) {
  if (!AOut)
    return E_POINTER;
  const TDataWriter* writer = Owner<TDataWriter>(ASelf);
  if (writer->Closed)
    return ObjectClosed;
  *AOut = static_cast<UINT32>(writer->Bytes.size());
  return S_OK;
}

HRESULT __stdcall WriterWriteBytes(TFace* ASelf, UINT32 ACount, const BYTE* ABytes) {
  TDataWriter* writer = Owner<TDataWriter>(ASelf);
  if (writer->Closed)
    return ObjectClosed;
  if (ACount && !ABytes)
    return E_POINTER;
  return Guard([&] {
    writer->Bytes.insert(writer->Bytes.end(), ABytes, ABytes + ACount);
    return S_OK;
  });
}

HRESULT __stdcall WriterDetachBuffer(TFace* ASelf, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  TDataWriter* writer = Owner<TDataWriter>(ASelf);
  if (writer->Closed)
    return ObjectClosed;
  TBuffer* buffer = Create<TBuffer>(std::move(writer->Bytes));
  writer->Bytes.clear();
  return Give(buffer, AOut);
}

HRESULT __stdcall WriterClose(TFace* ASelf) {
  Owner<TDataWriter>(ASelf)->Closed = true;
  return S_OK;
}

const auto DataWriterVtable = TRuntimeVtable<DataWriterArguments>()
                                  .Play<6>(&WriterUnstoredLength)
                                  .Play<12>(&WriterWriteBytes)
                                  .Play<31>(&WriterDetachBuffer);

const auto DataWriterClosableVtable = TRuntimeVtable<ClosableArguments>().Play<6>(&WriterClose);

TDataWriter::TDataWriter() : TObject(L"Windows.Storage.Streams.DataWriter") {
  AddFace(DataWriterVtable.Slots, IidDataWriter);
  AddFace(DataWriterClosableVtable.Slots, IidClosable);
}

// ---- SoftwareBitmap -----------------------------------------------------------------------

class TBitmap : public TObject {
public:
  TBitmap(INT32 AFormat, INT32 AAlpha, INT32 AWidth, INT32 AHeight);
  const INT32 Format, Alpha, Width, Height;
  mutable LONG Closed = 0;
};

template <const INT32 TBitmap::*AMember> HRESULT __stdcall BitmapGet(TFace* ASelf, INT32* AOut) {
  if (!AOut)
    return E_POINTER;
  const TBitmap* bitmap = Owner<TBitmap>(ASelf);
  if (InterlockedCompareExchange(&bitmap->Closed, 0, 0))
    return ObjectClosed;
  *AOut = bitmap->*AMember;
  return S_OK;
}

HRESULT __stdcall BitmapClose(TFace* ASelf) {
  InterlockedExchange(&Owner<TBitmap>(ASelf)->Closed, 1);
  return S_OK;
}

const auto BitmapVtable = TRuntimeVtable<SoftwareBitmapArguments>()
                              .Play<6>(&BitmapGet<&TBitmap::Format>)
                              .Play<7>(&BitmapGet<&TBitmap::Alpha>)
                              .Play<8>(&BitmapGet<&TBitmap::Width>)
                              .Play<9>(&BitmapGet<&TBitmap::Height>);

const auto BitmapClosableVtable = TRuntimeVtable<ClosableArguments>().Play<6>(&BitmapClose);

TBitmap::TBitmap(INT32 AFormat, INT32 AAlpha, INT32 AWidth, INT32 AHeight)
    : TObject(L"Windows.Graphics.Imaging.SoftwareBitmap"), Format(AFormat), Alpha(AAlpha), Width(AWidth),
      Height(AHeight) {
  AddFace(BitmapVtable.Slots, IidSoftwareBitmap);
  AddFace(BitmapClosableVtable.Slots, IidClosable);
}

// The bytes of one pixel in a BitmapPixelFormat; 0 for one it does not know.
unsigned PixelBytes(INT32 AFormat) {
  switch (AFormat) {
  case 12: return 8; // Rgba16
  case 30: return 4; // Rgba8
  case 57: return 2; // Gray16
  case 62: return 1; // Gray8
  case 87: return 4; // Bgra8
  default: return 0;
  }
}

// A foreign IBuffer's bytes, through its IBufferByteAccess.
HRESULT BufferContents(void* ABuffer, const BYTE*& ABytes, UINT32& ALength) {
  void* buffer = nullptr;
  HRESULT result = CallSlot<HRESULT(REFIID, void**)>(ABuffer, 0, IidBuffer, &buffer);
  if (FAILED(result))
    return E_INVALIDARG;
  result = CallSlot<HRESULT(UINT32*)>(buffer, 7, &ALength);
  CallSlot<ULONG()>(buffer, 2);
  if (FAILED(result))
    return result;
  void* access = nullptr;
  if (FAILED(CallSlot<HRESULT(REFIID, void**)>(ABuffer, 0, IidBufferByteAccess, &access)))
    return E_INVALIDARG;
  BYTE* bytes = nullptr;
  result = CallSlot<HRESULT(BYTE**)>(access, 3, &bytes);
  CallSlot<ULONG()>(access, 2); // the caller still holds the buffer
  ABytes = bytes;
  return FAILED(result) ? result : ALength && !bytes ? E_POINTER : S_OK;
}

HRESULT __stdcall StaticsCreateCopyWithAlphaFromBuffer(TFace*, void* ASource, INT32 AFormat, INT32 AWidth,
                                                       INT32 AHeight, INT32 AAlpha, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  if (!ASource)
    return E_POINTER;
  return Guard([&] {
    const BYTE* bytes = nullptr;
    UINT32 length = 0;
    if (const HRESULT result = BufferContents(ASource, bytes, length); FAILED(result))
      return result;
    bool grey = true;
    bool opaque = true;
    for (UINT32 i = 0; i + 4 <= length; i += 4) {
      grey = grey && bytes[i] == bytes[i + 1] && bytes[i + 1] == bytes[i + 2];
      opaque = opaque && bytes[i + 3] == 255;
    }
    Record(L"bitmap width=" + std::to_wstring(AWidth) + L" height=" + std::to_wstring(AHeight) + L" format=" +
           std::to_wstring(AFormat) + L" alpha=" + std::to_wstring(AAlpha) + L" length=" + std::to_wstring(length) +
           L" checksum=" + FromUtf8(OcrChecksum(bytes, length)) + L" grey=" + (grey ? L"1" : L"0") + L" opaque=" +
           (opaque ? L"1" : L"0"));
    const unsigned pixelBytes = PixelBytes(AFormat);
    if (!pixelBytes || AWidth <= 0 || AHeight <= 0 || AAlpha < 0 || AAlpha > 2 ||
        static_cast<std::uint64_t>(AWidth) * static_cast<std::uint64_t>(AHeight) * pixelBytes > length)
      return E_INVALIDARG;
    return Give(Create<TBitmap>(AFormat, AAlpha, AWidth, AHeight), AOut);
  });
}

// ---- Activation factories -----------------------------------------------------------------

HRESULT __stdcall ActivateDataWriter(TFace*, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  return Give(Create<TDataWriter>(), AOut);
}

const auto FactoryVtable = TRuntimeVtable<ActivationFactoryArguments>();

const auto DataWriterFactoryVtable = TRuntimeVtable<ActivationFactoryArguments>().Play<6>(&ActivateDataWriter);

const auto OcrEngineStaticsVtable = TRuntimeVtable<OcrEngineStaticsArguments>()
                                        .Play<6>(&StaticsMaxImageDimension)
                                        .Play<7>(&StaticsAvailableLanguages)
                                        .Play<8>(&StaticsIsLanguageSupported)
                                        .Play<9>(&StaticsTryCreateFromLanguage)
                                        .Play<10>(&StaticsTryCreateFromUserProfileLanguages);

const auto LanguageFactoryVtable = TRuntimeVtable<LanguageFactoryArguments>().Play<6>(&LanguageFactoryCreate);

const auto SoftwareBitmapStaticsVtable =
    TRuntimeVtable<SoftwareBitmapStaticsArguments>().Play<10>(&StaticsCreateCopyWithAlphaFromBuffer);

// A class's activation factory: IActivationFactory, which activates only a DataWriter, and
// the class's statics or factory interface, if any.
class TFactory : public TObject {
public:
  TFactory(const TSlot* AActivation, const TSlot* AStatics, const IID* AStaticsInterface) : TObject(nullptr) {
    AddFace(AActivation, IidActivationFactory);
    if (AStatics)
      AddFace(AStatics, *AStaticsInterface);
  }
};

TFactory* CreateFactory(std::wstring_view AClass) {
  if (AClass == OcrEngineClass)
    return Create<TFactory>(FactoryVtable.Slots, OcrEngineStaticsVtable.Slots, &IidOcrEngineStatics);
  if (AClass == LanguageClass)
    return Create<TFactory>(FactoryVtable.Slots, LanguageFactoryVtable.Slots, &IidLanguageFactory);
  if (AClass == SoftwareBitmapClass)
    return Create<TFactory>(FactoryVtable.Slots, SoftwareBitmapStaticsVtable.Slots, &IidSoftwareBitmapStatics);
  if (AClass == DataWriterClass)
    return Create<TFactory>(DataWriterFactoryVtable.Slots, nullptr, nullptr);
  return nullptr;
}

} // namespace
} // namespace tarvel::ocr_double

using namespace tarvel::ocr_double;

extern "C" HRESULT __stdcall DllGetActivationFactory(HSTRING AClass, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  UINT32 length = 0;
  const wchar_t* chars = WindowsGetStringRawBuffer(AClass, &length);
  const std::wstring_view name(chars ? chars : L"", chars ? length : 0);
  bool known = false;
  for (const wchar_t* each : Classes)
    known = known || name == each;
  if (!known)
    return CLASS_E_CLASSNOTAVAILABLE;
  return Give(CreateFactory(name), AOut);
}

extern "C" HRESULT __stdcall DllCanUnloadNow() {
  return InterlockedCompareExchange(&GLiveObjects, 0, 0) == 0 ? S_OK : S_FALSE;
}
