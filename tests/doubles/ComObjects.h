#pragma once

// The COM machinery the test doubles share: objects behind hand-made vtables.
//
// Every interface pointer handed out is a TFace: a vtable and the object it belongs to. An
// object has one face per interface it offers, its default interface first; QueryInterface
// on any face answers for all of them. IUnknown gives the first face, and so do IInspectable
// and IAgileObject when the first face is a Windows Runtime interface.
//
// A vtable starts from a table of the bytes of arguments (after this) that the 32-bit caller
// pushes for each method after IUnknown's (or IInspectable's) slots. Every slot answers
// E_NOTIMPL, popping exactly those bytes as __stdcall demands, until the double plays a
// function of its own there; the compiler checks that the function is __stdcall, takes a face
// and pops what the table says. On x64 there is one calling convention and the callee pops
// nothing, but the tables are checked all the same.
#include <windows.h>

#include <inspectable.h>
#include <winstring.h>

#include <cstddef>
#include <cwchar>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace tarvel::test {

inline constexpr IID IidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IidInspectable = {0xAF86E2E0, 0xB12D, 0x4C6A, {0x9C, 0x5A, 0xD7, 0xAA, 0x65, 0x10, 0x1E, 0x90}};
inline constexpr IID IidAgileObject = {0x94EA2B94, 0xE9CC, 0x49E0, {0xC0, 0xFF, 0xEE, 0x64, 0xCA, 0x8F, 0x5B, 0x90}};

inline constexpr HRESULT IllegalMethodCall = static_cast<HRESULT>(0x8000000E); // E_ILLEGAL_METHOD_CALL

using TSlot = void (*)();

class TObject;

// An interface pointer: the vtable first, as callers expect.
struct TFace {
  const TSlot* Vtable = nullptr;
  TObject* Owner = nullptr;
  const IID* Interface = nullptr;
  bool Inspectable = true; // derives from IInspectable
};

// Objects of this module alive, for DllCanUnloadNow.
inline LONG GLiveObjects = 0;

inline bool NoLiveObjects() {
  return InterlockedCompareExchange(&GLiveObjects, 0, 0) == 0;
}

class TObject {
public:
  static constexpr int MaxFaces = 2;

  // AClassName: what GetRuntimeClassName answers; nullptr: E_ILLEGAL_METHOD_CALL, as for an
  // activation factory.
  explicit TObject(const wchar_t* AClassName) : FClassName(AClassName) { InterlockedIncrement(&GLiveObjects); }
  virtual ~TObject() { InterlockedDecrement(&GLiveObjects); }
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  // The object's first interface, the reference the creator holds.
  TFace* Default() { return &FFaces[0]; }
  const wchar_t* ClassName() const { return FClassName; }

  HRESULT Query(REFIID AIid, void** AOut) {
    if (!AOut)
      return E_POINTER;
    *AOut = nullptr;
    TFace* face = nullptr;
    if (AIid == IidUnknown || (FFaces[0].Inspectable && (AIid == IidInspectable || AIid == IidAgileObject)))
      face = &FFaces[0];
    for (int i = 0; i < FCount && !face; ++i)
      if (AIid == *FFaces[i].Interface)
        face = &FFaces[i];
    if (!face)
      return E_NOINTERFACE;
    AddRef();
    *AOut = face;
    return S_OK;
  }
  ULONG AddRef() { return static_cast<ULONG>(InterlockedIncrement(&FReferences)); }
  ULONG Release() {
    const LONG left = InterlockedDecrement(&FReferences);
    if (left == 0)
      delete this;
    return static_cast<ULONG>(left);
  }

  // The Windows Runtime interfaces among the faces, for IInspectable::GetIids.
  HRESULT Iids(ULONG* ACount, IID** AIids) const {
    if (!ACount || !AIids)
      return E_POINTER;
    *ACount = 0;
    *AIids = nullptr;
    ULONG count = 0;
    for (int i = 0; i < FCount; ++i)
      count += FFaces[i].Inspectable ? 1 : 0;
    auto* iids = static_cast<IID*>(CoTaskMemAlloc(count * sizeof(IID)));
    if (!iids)
      return E_OUTOFMEMORY;
    for (int i = 0, n = 0; i < FCount; ++i)
      if (FFaces[i].Inspectable)
        iids[n++] = *FFaces[i].Interface;
    *ACount = count;
    *AIids = iids;
    return S_OK;
  }

protected:
  void AddFace(const TSlot* AVtable, const IID& AInterface, bool AInspectable = true) {
    FFaces[FCount++] = TFace{AVtable, this, &AInterface, AInspectable};
  }

private:
  const wchar_t* FClassName;
  LONG FReferences = 1;
  TFace FFaces[MaxFaces];
  int FCount = 0;
};

template <class T> T* Owner(TFace* AFace) {
  return static_cast<T*>(AFace->Owner);
}

// A new object, its reference held by the caller; nullptr when memory runs out.
template <class T, class... A> T* Create(A&&... AArguments) {
  try {
    return new T(std::forward<A>(AArguments)...);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// Hands out AObject's first face, or fails when there is none.
template <class T> HRESULT Give(T* AObject, TFace** AOut) {
  *AOut = AObject ? AObject->Default() : nullptr;
  return AObject ? S_OK : E_OUTOFMEMORY;
}

// Hands out AObject's interface AIid, or fails when there is no object or no such interface;
// the creator's reference goes either way.
inline HRESULT Hand(TObject* AObject, REFIID AIid, void** AOut) {
  if (!AObject)
    return E_OUTOFMEMORY;
  const HRESULT result = AObject->Query(AIid, AOut);
  AObject->Release();
  return result;
}

// Runs a slot's body so that no exception reaches the caller: running out of memory (or of
// room in a string or vector) answers E_OUTOFMEMORY.
template <typename F> HRESULT Guard(F ABody) {
  try {
    return ABody();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::length_error&) {
    return E_OUTOFMEMORY;
  }
}

// ---- IUnknown and IInspectable --------------------------------------------------------------

inline HRESULT __stdcall QueryInterface(TFace* ASelf, REFIID AIid, void** AOut) {
  return ASelf->Owner->Query(AIid, AOut);
}

inline ULONG __stdcall AddRef(TFace* ASelf) {
  return ASelf->Owner->AddRef();
}

inline ULONG __stdcall Release(TFace* ASelf) {
  return ASelf->Owner->Release();
}

inline HRESULT __stdcall GetIids(TFace* ASelf, ULONG* ACount, IID** AIids) {
  return ASelf->Owner->Iids(ACount, AIids);
}

inline HRESULT __stdcall GetRuntimeClassName(TFace* ASelf, HSTRING* AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = nullptr;
  const wchar_t* name = ASelf->Owner->ClassName();
  if (!name)
    return IllegalMethodCall;
  return WindowsCreateString(name, static_cast<UINT32>(std::wcslen(name)), AOut);
}

inline HRESULT __stdcall GetTrustLevel(TFace*, TrustLevel* AOut) {
  if (!AOut)
    return E_POINTER;
  *AOut = BaseTrust;
  return S_OK;
}

// ---- Argument bytes -------------------------------------------------------------------------

// ABytes of arguments by value, which a __stdcall callee pops.
template <unsigned ABytes> struct TArguments {
  static_assert(ABytes > 0 && ABytes % 4 == 0, "the 32-bit stack holds whole words");
  DWORD Words[ABytes / 4];
};

// The bytes one argument takes on the 32-bit stack. Worked out alike for both architectures,
// with pointers and references at 4 bytes: what the doubles take by value holds no pointer.
template <typename T>
inline constexpr std::size_t StackBytes = std::is_pointer_v<T> || std::is_reference_v<T> ? 4 : (sizeof(T) + 3) / 4 * 4;

// What a slot function is: __stdcall on a face, and the bytes of its other arguments.
template <typename AFunction> struct TSlotFunction { static constexpr bool Fits = false; };
template <typename R, typename S, typename... A> struct TSlotFunction<R(__stdcall*)(S, A...)> {
  static constexpr bool Fits = std::is_same_v<S, TFace*>;
  static constexpr std::size_t Bytes = (StackBytes<A> + ... + 0);
};

inline HRESULT __stdcall NotImplemented(TFace*) {
  return E_NOTIMPL;
}

template <unsigned ABytes> HRESULT __stdcall NotImplementedWith(TFace*, TArguments<ABytes>) {
  return E_NOTIMPL;
}

template <typename AFunction> TSlot Slot(AFunction* AFunc) {
  return reinterpret_cast<TSlot>(AFunc);
}

// The slot that answers E_NOTIMPL, popping ABytes of arguments.
template <unsigned ABytes> TSlot NotImplementedSlot() {
  if constexpr (ABytes == 0)
    return Slot(&NotImplemented);
  else {
    static_assert(sizeof(TArguments<ABytes>) == ABytes);
    return Slot(&NotImplementedWith<ABytes>);
  }
}

// ---- Vtables ----------------------------------------------------------------------------------

// IUnknown's slots (and IInspectable's, for a Windows Runtime interface: ABase 6), then one for
// each entry of AArguments, the argument bytes of the interface's own methods in slot order.
template <std::size_t ABase, const auto& AArguments> struct TVtable {
  static constexpr std::size_t Count = std::extent_v<std::remove_reference_t<decltype(AArguments)>>;
  static_assert(ABase == 3 || ABase == 6);

  TSlot Slots[ABase + Count];

  TVtable() : TVtable(std::make_index_sequence<Count>()) {}

  // Plays AFunction in slot ASlot, counted from the vtable's start.
  template <std::size_t ASlot, typename AFunction> TVtable& Play(AFunction* AFunc) {
    static_assert(ASlot >= ABase && ASlot < ABase + Count, "a slot of the interface's own");
    static_assert(TSlotFunction<AFunction*>::Fits, "a __stdcall function on a face");
    static_assert(TSlotFunction<AFunction*>::Bytes == AArguments[ASlot - ABase], "the bytes its caller pushes");
    Slots[ASlot] = Slot(AFunc);
    return *this;
  }

private:
  template <std::size_t... I> explicit TVtable(std::index_sequence<I...>) {
    Slots[0] = Slot(&QueryInterface);
    Slots[1] = Slot(&AddRef);
    Slots[2] = Slot(&Release);
    if constexpr (ABase == 6) {
      Slots[3] = Slot(&GetIids);
      Slots[4] = Slot(&GetRuntimeClassName);
      Slots[5] = Slot(&GetTrustLevel);
    }
    ((Slots[ABase + I] = NotImplementedSlot<AArguments[I]>()), ...);
  }
};

template <const auto& AArguments> using TComVtable = TVtable<3, AArguments>;
template <const auto& AArguments> using TRuntimeVtable = TVtable<6, AArguments>;

// ---- Foreign interfaces ---------------------------------------------------------------------

template <typename ASignature> struct TMethod;
template <typename R, typename... A> struct TMethod<R(A...)> { using TPointer = R(__stdcall*)(void*, A...); };

// Calls slot ASlot of a foreign interface, a __stdcall method of ASignature after this, as in
// CallSlot<HRESULT(UINT32*)>(buffer, 7, &length).
template <typename ASignature, typename... A> auto CallSlot(void* AInterface, std::size_t ASlot, A&&... AArguments) {
  const auto method =
      reinterpret_cast<typename TMethod<ASignature>::TPointer>((*static_cast<TSlot**>(AInterface))[ASlot]);
  return method(AInterface, std::forward<A>(AArguments)...);
}

} // namespace tarvel::test
