// A double of the system's UI Automation class for the test programs under Wine, which has
// none. Tarvel loads it through COM like the real class and calls it through the same
// vtable slots; it answers for the window under a point as the test program scripted that
// window (see UiaScript.h) and records what it was asked.
//
// The objects stand behind hand-made vtables (see doubles/ComObjects.h). Only the slots Tarvel
// uses are played; every other slot of the interfaces (and of their later versions) answers
// E_NOTIMPL, popping exactly the arguments its caller pushed, as __stdcall demands.
#include <windows.h>

#include <oleauto.h>

#include <algorithm>
#include <cstddef>
#include <new>
#include <string>

#include "doubles/ComObjects.h"
#include "uia_double/UiaScript.h"

namespace tarvel::uia_double {
namespace {

using namespace tarvel::test;

constexpr CLSID ClsidAutomation = {0xFF48DBA4, 0x60EF, 0x4201, {0xAA, 0x87, 0x54, 0x10, 0x3E, 0xEF, 0x59, 0x4E}};
constexpr IID IidAutomation = {0x30CBE57D, 0xD9D0, 0x452A, {0xAB, 0x13, 0x7A, 0xC5, 0xAC, 0x48, 0x25, 0xEE}};
constexpr IID IidElement = {0xD22108AA, 0x8AC5, 0x49A5, {0x83, 0x7B, 0x37, 0xBB, 0xB3, 0xD7, 0x59, 0x1E}};
constexpr IID IidValuePattern = {0xA94CD8B1, 0x0844, 0x4CD6, {0x9D, 0x2D, 0x64, 0x05, 0x37, 0xAB, 0x39, 0xE9}};
constexpr IID IidTextPattern = {0x32EBA289, 0x3583, 0x42C9, {0x9C, 0x59, 0x3B, 0x6D, 0x9A, 0x1E, 0x9B, 0x6A}};
constexpr IID IidTextRange = {0xA543CC6A, 0xF4AE, 0x494B, {0x82, 0x39, 0xC8, 0x14, 0x48, 0x11, 0x87, 0xA8}};
constexpr IID IidClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

constexpr int ValuePatternId = 10002;
constexpr int TextPatternId = 10014;
constexpr HRESULT ElementNotAvailable = static_cast<HRESULT>(0x80040201);

// The bytes of arguments (after this) that each method pushes, from slot 3 on.
constexpr unsigned char AutomationArguments[] = {
    // IUIAutomation: CompareElements, CompareRuntimeIds, GetRootElement, ElementFromHandle,
    // ElementFromPoint, GetFocusedElement, GetRootElementBuildCache, ElementFromHandleBuildCache,
    // ElementFromPointBuildCache, GetFocusedElementBuildCache, CreateTreeWalker
    12, 12, 4, 8, 12, 4, 8, 12, 16, 8, 8,
    // the three view walkers, the three view conditions, CreateCacheRequest,
    // CreateTrueCondition, CreateFalseCondition
    4, 4, 4, 4, 4, 4, 4, 4, 4,
    // CreatePropertyCondition(Ex) (a VARIANT by value), CreateAndCondition(FromArray,
    // FromNativeArray), CreateOrCondition(...), CreateNotCondition
    24, 28, 12, 8, 12, 12, 8, 12, 8,
    // Add/RemoveAutomationEventHandler, AddPropertyChangedEventHandler(NativeArray),
    // RemovePropertyChangedEventHandler, Add/RemoveStructureChangedEventHandler,
    // Add/RemoveFocusChangedEventHandler, RemoveAllEventHandlers
    20, 12, 24, 20, 8, 16, 8, 8, 4, 0,
    // IntNativeArrayToSafeArray, IntSafeArrayToNativeArray, RectToVariant, VariantToRect,
    // SafeArrayToRectNativeArray, CreateProxyFactoryEntry, get_ProxyFactoryMapping,
    // GetPropertyProgrammaticName, GetPatternProgrammaticName, PollForPotentialSupported-
    // Patterns and -Properties, CheckNotSupported, get_ReservedNotSupportedValue,
    // get_ReservedMixedAttributeValue, ElementFromIAccessible(BuildCache)
    12, 12, 20, 20, 12, 8, 4, 8, 8, 12, 12, 20, 4, 4, 12, 16,
    // IUIAutomation2: AutoSetFocus, ConnectionTimeout, TransactionTimeout (get and put)
    4, 4, 4, 4, 4, 4,
    // IUIAutomation3 to 5: Add/RemoveTextEditTextChangedEventHandler,
    // Add/RemoveChangesEventHandler, Add/RemoveNotificationEventHandler
    20, 8, 24, 8, 16, 8,
    // IUIAutomation6: CreateEventHandlerGroup, Add/RemoveEventHandlerGroup,
    // ConnectionRecoveryBehavior, CoalesceEvents (get and put),
    // Add/RemoveActiveTextPositionChangedEventHandler
    4, 8, 8, 4, 4, 4, 4, 16, 8};

constexpr unsigned char ElementArguments[] = {
    // IUIAutomationElement: SetFocus, GetRuntimeId, FindFirst, FindAll, FindFirstBuildCache,
    // FindAllBuildCache, BuildUpdatedCache, GetCurrentPropertyValue(Ex),
    // GetCachedPropertyValue(Ex), GetCurrentPatternAs, GetCachedPatternAs, GetCurrentPattern,
    // GetCachedPattern, GetCachedParent, GetCachedChildren
    0, 4, 12, 12, 16, 16, 8, 8, 12, 8, 12, 12, 12, 8, 8, 4, 4,
    // the 32 current properties from get_CurrentProcessId to get_CurrentProviderDescription,
    // then the same 32 cached
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, //
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
    // GetClickablePoint
    8,
    // IUIAutomationElement2: OptimizeForVisualContent, LiveSetting, FlowsFrom (current, cached)
    4, 4, 4, 4, 4, 4,
    // IUIAutomationElement3: ShowContextMenu, IsPeripheral (current, cached)
    0, 4, 4,
    // IUIAutomationElement4: PositionInSet, SizeOfSet, Level, AnnotationTypes,
    // AnnotationObjects (current, then cached)
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
    // IUIAutomationElement5 and 6: LandmarkType, LocalizedLandmarkType, FullDescription
    4, 4, 4, 4, 4, 4,
    // IUIAutomationElement7: FindFirst/FindAllWithOptions, the same with a cache request,
    // GetCurrentMetadataValue
    20, 20, 24, 24, 12,
    // IUIAutomationElement8 and 9: HeadingLevel, IsDialog (current, cached)
    4, 4, 4, 4};

constexpr unsigned char ValuePatternArguments[] = {
    // SetValue, get_CurrentValue, get_CurrentIsReadOnly, get_CachedValue, get_CachedIsReadOnly
    4, 4, 4, 4, 4};

constexpr unsigned char TextPatternArguments[] = {
    // RangeFromPoint, RangeFromChild, GetSelection, GetVisibleRanges, get_DocumentRange,
    // get_SupportedTextSelection
    12, 8, 4, 4, 4, 4};

constexpr unsigned char TextRangeArguments[] = {
    // Clone, Compare, CompareEndpoints, ExpandToEnclosingUnit, FindAttribute (a VARIANT by
    // value), FindText, GetAttributeValue, GetBoundingRectangles, GetEnclosingElement,
    // GetText, Move, MoveEndpointByUnit, MoveEndpointByRange, Select, AddToSelection,
    // RemoveFromSelection, ScrollIntoView, GetChildren
    4, 8, 16, 4, 28, 16, 8, 4, 4, 8, 12, 16, 12, 0, 0, 0, 4, 4};

constexpr unsigned char ClassFactoryArguments[] = {
    // CreateInstance, LockServer
    12, 4};

LONG GServerLocks = 0;

// ---- Objects ----------------------------------------------------------------------------

// An object of any of the classes, with the one interface it offers; the element and its
// patterns know the element's window.
class TUiaObject : public TObject {
public:
  TUiaObject(const TSlot* AVtable, const IID& AInterface, HWND AWindow) : TObject(nullptr), Window(AWindow) {
    AddFace(AVtable, AInterface, false);
  }
  const HWND Window;
};

HWND WindowOf(TFace* ASelf) {
  return Owner<TUiaObject>(ASelf)->Window;
}

// Hands out a new object's interface, or fails when memory runs out.
HRESULT GiveNew(const TSlot* AVtable, const IID& AInterface, HWND AWindow, TFace** AOut) {
  return Give(Create<TUiaObject>(AVtable, AInterface, AWindow), AOut);
}

// ---- Scripts ----------------------------------------------------------------------------

struct TScript {
  DWORD Flags = 0;
  std::wstring Strings[StringCount];
};

// The window's script as its test program wrote it last, recording AAsked; an empty one
// when the window has none.
TScript ReadScript(HWND AWindow, LONG AAsked) {
  TScript script;
  HANDLE mapping = OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, MappingName(AWindow).c_str());
  if (!mapping)
    return script;
  auto* header = static_cast<THeader*>(MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, MappingSize));
  if (header && header->Magic == Magic) {
    if (AAsked)
      InterlockedOr(&header->Asked, AAsked);
    const auto* chars = reinterpret_cast<const wchar_t*>(header + 1);
    for (int attempt = 0; attempt < 1000; ++attempt) {
      const LONG version = InterlockedCompareExchange(&header->Version, 0, 0);
      if (version % 2 == 0) {
        script.Flags = header->Flags;
        DWORD start = 0;
        for (int i = 0; i < StringCount; ++i) {
          const DWORD length = std::min(header->Lengths[i], Capacity - start);
          script.Strings[i].assign(chars + start, length);
          start += length;
        }
        if (InterlockedCompareExchange(&header->Version, 0, 0) == version)
          break;
      }
      script = TScript{};
      Sleep(1);
    }
  }
  if (header)
    UnmapViewOfFile(header);
  CloseHandle(mapping);
  return script;
}

HRESULT ReturnString(const std::wstring& AText, BSTR* AOut) {
  *AOut = SysAllocStringLen(AText.data(), static_cast<UINT>(AText.size()));
  return *AOut ? S_OK : E_OUTOFMEMORY;
}

// Reads the window's string for a call that fails when the script says so.
HRESULT ReadString(HWND AWindow, LONG AAsked, DWORD AFails, TString AWhich, std::wstring& AText) {
  if (!IsWindow(AWindow))
    return ElementNotAvailable;
  return Guard([&] {
    TScript script = ReadScript(AWindow, AAsked);
    if (script.Flags & AFails)
      return E_FAIL;
    AText = std::move(script.Strings[AWhich]);
    return S_OK;
  });
}

// A string the window's script gives: the element's name and the value pattern's value.
template <LONG AAsked, DWORD AFails, TString AWhich> HRESULT __stdcall ScriptedString(TFace* ASelf, BSTR* AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  std::wstring text;
  const HRESULT result = ReadString(WindowOf(ASelf), AAsked, AFails, AWhich, text);
  return FAILED(result) ? result : ReturnString(text, AOut);
}

// ---- Text range, text pattern, value pattern --------------------------------------------

HRESULT __stdcall RangeGetText(TFace* ASelf, int AMaxLength, BSTR* AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  if (AMaxLength < -1)
    return E_INVALIDARG;
  std::wstring text;
  const HRESULT result = ReadString(WindowOf(ASelf), AskedText, TextFails, TextString, text);
  if (FAILED(result))
    return result;
  if (AMaxLength >= 0 && text.size() > static_cast<std::size_t>(AMaxLength))
    text.resize(static_cast<std::size_t>(AMaxLength));
  return ReturnString(text, AOut);
}

const auto TextRangeVtable = TComVtable<TextRangeArguments>().Play<12>(&RangeGetText);

HRESULT __stdcall TextPatternDocumentRange(TFace* ASelf, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  return GiveNew(TextRangeVtable.Slots, IidTextRange, WindowOf(ASelf), AOut);
}

const auto TextPatternVtable = TComVtable<TextPatternArguments>().Play<7>(&TextPatternDocumentRange);

constexpr auto ValuePatternCurrentValue = &ScriptedString<AskedValue, ValueFails, ValueString>;

const auto ValuePatternVtable = TComVtable<ValuePatternArguments>().Play<4>(ValuePatternCurrentValue);

// ---- Element ----------------------------------------------------------------------------

HRESULT __stdcall ElementCurrentPattern(TFace* ASelf, int APatternId, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  if (!IsWindow(WindowOf(ASelf)))
    return ElementNotAvailable;
  return Guard([&] {
    const DWORD flags = ReadScript(WindowOf(ASelf), 0).Flags;
    if (APatternId == ValuePatternId && flags & HasValue)
      return GiveNew(ValuePatternVtable.Slots, IidValuePattern, WindowOf(ASelf), AOut);
    if (APatternId == TextPatternId && flags & HasText)
      return GiveNew(TextPatternVtable.Slots, IidTextPattern, WindowOf(ASelf), AOut);
    return S_OK; // the element does not have the pattern
  });
}

constexpr auto ElementCurrentName = &ScriptedString<AskedName, NameFails, NameString>;

HRESULT __stdcall ElementCurrentIsPassword(TFace* ASelf, BOOL* AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = FALSE;
  if (!IsWindow(WindowOf(ASelf)))
    return ElementNotAvailable;
  return Guard([&] {
    *AOut = ReadScript(WindowOf(ASelf), AskedPassword).Flags & IsPassword ? TRUE : FALSE;
    return S_OK;
  });
}

HRESULT __stdcall ElementCurrentBoundingRectangle(TFace* ASelf, RECT* AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = RECT{};
  return Guard([&] {
    ReadScript(WindowOf(ASelf), AskedBounds);
    return GetWindowRect(WindowOf(ASelf), AOut) ? S_OK : ElementNotAvailable;
  });
}

const auto ElementVtable = TComVtable<ElementArguments>()
                               .Play<16>(&ElementCurrentPattern)
                               .Play<23>(ElementCurrentName)
                               .Play<35>(&ElementCurrentIsPassword)
                               .Play<43>(&ElementCurrentBoundingRectangle);

// ---- Automation -------------------------------------------------------------------------

bool IsGroupBox(HWND AWindow) {
  wchar_t name[16];
  return GetClassNameW(AWindow, name, 16) && lstrcmpiW(name, L"Button") == 0 &&
         (GetWindowLongW(AWindow, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// The element under a point: the deepest visible child window there, looked for from the
// top-level window that WindowFromPoint hits. WindowFromPoint itself passes over disabled
// children, and over static text, pictures and group boxes in the caller's own thread (they
// answer the hit test as transparent) but not in other threads, where it stops at a group box
// even over the controls inside it. Here they are all elements, found alike from any process:
// among children that overlap at the point the topmost wins, except that a group box gives
// way to what lies in it.
HWND WindowAt(POINT APoint) {
  HWND window = WindowFromPoint(APoint);
  if (!window || window == GetDesktopWindow())
    return window;
  if (const HWND root = GetAncestor(window, GA_ROOT))
    window = root;
  for (;;) {
    HWND found = nullptr;
    HWND box = nullptr;
    for (HWND child = GetWindow(window, GW_CHILD); child && !found; child = GetWindow(child, GW_HWNDNEXT)) {
      RECT rect;
      if (!IsWindowVisible(child) || !GetWindowRect(child, &rect) || !PtInRect(&rect, APoint))
        continue;
      if (!IsGroupBox(child))
        found = child;
      else if (!box)
        box = child;
    }
    if (!found)
      found = box;
    if (!found)
      return window;
    window = found;
  }
}

HRESULT __stdcall AutomationElementFromPoint(TFace*, POINT APoint, TFace** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  const HWND window = WindowAt(APoint);
  if (!window)
    return E_FAIL;
  return GiveNew(ElementVtable.Slots, IidElement, window, AOut);
}

const auto AutomationVtable = TComVtable<AutomationArguments>().Play<7>(&AutomationElementFromPoint);

// ---- Class factory ----------------------------------------------------------------------

HRESULT __stdcall FactoryCreateInstance(TFace*, IUnknown* AOuter, REFIID AIid, void** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  if (AOuter)
    return CLASS_E_NOAGGREGATION;
  return Hand(Create<TUiaObject>(AutomationVtable.Slots, IidAutomation, nullptr), AIid, AOut);
}

HRESULT __stdcall FactoryLockServer(TFace*, BOOL ALock) {
  if (ALock)
    InterlockedIncrement(&GServerLocks);
  else
    InterlockedDecrement(&GServerLocks);
  return S_OK;
}

const auto FactoryVtable =
    TComVtable<ClassFactoryArguments>().Play<3>(&FactoryCreateInstance).Play<4>(&FactoryLockServer);

} // namespace
} // namespace tarvel::uia_double

using namespace tarvel::uia_double;

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID AClsid, REFIID AIid, void** AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  if (AClsid != ClsidAutomation)
    return CLASS_E_CLASSNOTAVAILABLE;
  return Hand(Create<TUiaObject>(FactoryVtable.Slots, IidClassFactory, nullptr), AIid, AOut);
}

extern "C" HRESULT __stdcall DllCanUnloadNow() {
  return NoLiveObjects() && InterlockedCompareExchange(&GServerLocks, 0, 0) == 0 ? S_OK : S_FALSE;
}
