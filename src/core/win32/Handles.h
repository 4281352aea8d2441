#pragma once

#include <windows.h>

#include <objbase.h>

#include "core/UniqueResource.h"

namespace tarvel {

namespace policy {

template <class T, T AInvalid, auto ACloser> struct TSimple {
  using THandle = T;
  static THandle Invalid() noexcept { return AInvalid; }
  static void Close(THandle AHandle) noexcept { ACloser(AHandle); }
};

struct TFile {
  using THandle = HANDLE;
  static THandle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(THandle AHandle) noexcept { ::CloseHandle(AHandle); }
};

struct TWindowDC {
  struct THandle {
    HWND Window = nullptr;
    HDC DC = nullptr;
    friend bool operator==(const THandle& A, const THandle& B) { return A.DC == B.DC; }
  };
  static THandle Invalid() noexcept { return {}; }
  static void Close(THandle AHandle) noexcept { ReleaseDC(AHandle.Window, AHandle.DC); }
};

struct TSelectObject {
  struct THandle {
    HDC DC = nullptr;
    HGDIOBJ Previous = nullptr;
    friend bool operator==(const THandle& A, const THandle& B) { return A.DC == B.DC; }
  };
  static THandle Invalid() noexcept { return {}; }
  static void Close(THandle AHandle) noexcept { SelectObject(AHandle.DC, AHandle.Previous); }
};

struct TGlobalLock {
  struct THandle {
    HGLOBAL Memory = nullptr;
    void* Data = nullptr;
    friend bool operator==(const THandle& A, const THandle& B) { return A.Data == B.Data; }
  };
  static THandle Invalid() noexcept { return {}; }
  static void Close(THandle AHandle) noexcept { GlobalUnlock(AHandle.Memory); }
};

struct THotkey {
  struct THandle {
    HWND Window = nullptr;
    int Id = 0;
    friend bool operator==(const THandle& A, const THandle& B) { return A.Window == B.Window && A.Id == B.Id; }
  };
  static THandle Invalid() noexcept { return {}; }
  static void Close(THandle AHandle) noexcept { UnregisterHotKey(AHandle.Window, AHandle.Id); }
};

inline void CloseHandleNoThrow(HANDLE AHandle) noexcept {
  ::CloseHandle(AHandle);
}
inline void DeleteObjectNoThrow(HGDIOBJ AObject) noexcept {
  ::DeleteObject(AObject);
}
inline void DeleteDCNoThrow(HDC ADC) noexcept {
  ::DeleteDC(ADC);
}
inline void RegCloseKeyNoThrow(HKEY AKey) noexcept {
  ::RegCloseKey(AKey);
}
inline void GlobalFreeNoThrow(HGLOBAL AMemory) noexcept {
  ::GlobalFree(AMemory);
}
inline void DestroyIconNoThrow(HICON AIcon) noexcept {
  ::DestroyIcon(AIcon);
}
inline void DestroyMenuNoThrow(HMENU AMenu) noexcept {
  ::DestroyMenu(AMenu);
}
inline void DestroyWindowNoThrow(HWND AWindow) noexcept {
  ::DestroyWindow(AWindow);
}
inline void CloseClipboardNoThrow(bool) noexcept {
  ::CloseClipboard();
}
inline void CoUninitializeNoThrow(bool) noexcept {
  ::CoUninitialize();
}
inline void ReleaseNoThrow(IUnknown* AObject) noexcept {
  AObject->Release();
}

} // namespace policy

using TUniqueHandle = TUniqueResource<policy::TSimple<HANDLE, nullptr, policy::CloseHandleNoThrow>>;
using TUniqueFile = TUniqueResource<policy::TFile>;
using TUniqueGdiObject = TUniqueResource<policy::TSimple<HGDIOBJ, nullptr, policy::DeleteObjectNoThrow>>;
using TUniqueBitmap = TUniqueResource<policy::TSimple<HBITMAP, nullptr, policy::DeleteObjectNoThrow>>;
using TUniqueMemoryDC = TUniqueResource<policy::TSimple<HDC, nullptr, policy::DeleteDCNoThrow>>;
using TUniqueWindowDC = TUniqueResource<policy::TWindowDC>;
using TUniqueSelectObject = TUniqueResource<policy::TSelectObject>;
using TUniqueHKey = TUniqueResource<policy::TSimple<HKEY, nullptr, policy::RegCloseKeyNoThrow>>;
using TUniqueHGlobal = TUniqueResource<policy::TSimple<HGLOBAL, nullptr, policy::GlobalFreeNoThrow>>;
using TUniqueGlobalLock = TUniqueResource<policy::TGlobalLock>;
using TUniqueIcon = TUniqueResource<policy::TSimple<HICON, nullptr, policy::DestroyIconNoThrow>>;
using TUniqueMenu = TUniqueResource<policy::TSimple<HMENU, nullptr, policy::DestroyMenuNoThrow>>;
using TUniqueWindow = TUniqueResource<policy::TSimple<HWND, nullptr, policy::DestroyWindowNoThrow>>;
using TUniqueHotkey = TUniqueResource<policy::THotkey>;
// Holds "true" while the clipboard is open; closing it is the release.
using TUniqueOpenClipboard = TUniqueResource<policy::TSimple<bool, false, policy::CloseClipboardNoThrow>>;
// Holds "true" only when CoInitializeEx succeeded, so that a failed call is never undone.
using TUniqueCoInit = TUniqueResource<policy::TSimple<bool, false, policy::CoUninitializeNoThrow>>;

// Selects AObject into ADC and restores the previous selection when it goes.
inline TUniqueSelectObject SelectScoped(HDC ADC, HGDIOBJ AObject) noexcept {
  return TUniqueSelectObject({ADC, ::SelectObject(ADC, AObject)});
}

// A window's paint between BeginPaint and EndPaint: EndPaint runs however the paint ends.
// DC() is null when BeginPaint failed; there is nothing to draw then.
class TPaintScope {
public:
  explicit TPaintScope(HWND AWindow) noexcept : FWindow(AWindow), FDC(::BeginPaint(AWindow, &FPaint)) {}
  ~TPaintScope() { ::EndPaint(FWindow, &FPaint); }
  TPaintScope(const TPaintScope&) = delete;
  TPaintScope& operator=(const TPaintScope&) = delete;

  HDC DC() const noexcept { return FDC; }
  // The part of the window to draw.
  const RECT& Area() const noexcept { return FPaint.rcPaint; }

private:
  HWND FWindow;
  PAINTSTRUCT FPaint{};
  HDC FDC;
};

// Locks an HGLOBAL; Get().Data is null when the lock failed.
inline TUniqueGlobalLock LockScoped(HGLOBAL AMemory) noexcept {
  return TUniqueGlobalLock({AMemory, ::GlobalLock(AMemory)});
}

// A COM interface pointer that releases its reference.
template <class T> class TComPtr {
public:
  TComPtr() noexcept = default;
  explicit TComPtr(T* APointer) noexcept : FPointer(APointer) {} // adopts the reference
  TComPtr(const TComPtr& AOther) noexcept : FPointer(AOther.FPointer) {
    if (FPointer)
      FPointer->AddRef();
  }
  TComPtr(TComPtr&& AOther) noexcept : FPointer(std::exchange(AOther.FPointer, nullptr)) {}
  TComPtr& operator=(TComPtr AOther) noexcept {
    std::swap(FPointer, AOther.FPointer);
    return *this;
  }
  ~TComPtr() { Reset(); }

  T* Get() const noexcept { return FPointer; }
  T* operator->() const noexcept { return FPointer; }
  explicit operator bool() const noexcept { return FPointer != nullptr; }
  void Reset() noexcept {
    if (T* p = std::exchange(FPointer, nullptr))
      p->Release();
  }
  T** Put() noexcept {
    Reset();
    return &FPointer;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
  T* Detach() noexcept { return std::exchange(FPointer, nullptr); }

private:
  T* FPointer = nullptr;
};

} // namespace tarvel
