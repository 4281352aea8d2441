#pragma once

// Calls into COM and Windows Runtime interfaces that the system's headers do not declare, by
// their published vtable slots (counting IUnknown's three, and IInspectable's three more for
// a runtime interface).
#include <windows.h>

#include <unknwn.h>

#include "core/win32/Handles.h"

namespace tarvel {

using TComObject = TComPtr<IUnknown>;

// Calls the method in ASlot of AObject's vtable with the arguments as declared there.
template <typename... TArgs> HRESULT CallSlot(const TComObject& AObject, int ASlot, TArgs... AArgs) {
  using TMethod = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, TArgs...);
  IUnknown* object = AObject.Get();
  const auto method = reinterpret_cast<TMethod>((*reinterpret_cast<void***>(object))[ASlot]);
  return method(object, AArgs...);
}

// A method that hands out an interface: the object, or nothing when the call failed or
// gave none.
template <typename... TArgs> TComObject CallForObject(const TComObject& AObject, int ASlot, TArgs... AArgs) {
  TComObject result;
  if (FAILED(CallSlot(AObject, ASlot, AArgs..., result.Put())))
    result.Reset();
  return result;
}

// The object's AIid interface; nothing when it has none.
inline TComObject QueryFor(const TComObject& AObject, const IID& AIid) {
  TComObject result;
  if (FAILED(AObject->QueryInterface(AIid, result.PutVoid())))
    result.Reset();
  return result;
}

} // namespace tarvel
