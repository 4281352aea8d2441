#pragma once

#include <utility>

namespace tarvel {

// One move-only owner for every kind of handle. A policy supplies the handle type, the
// value that means "nothing owned" and how to close it:
//
//   struct TClosePolicy {
//     using THandle = ...;
//     static THandle Invalid() noexcept;
//     static void Close(THandle) noexcept;
//   };
//
// Policies that need more than the handle to release it (a DC needs its window, a
// selected object needs the DC and the previous object) keep that in their handle type.
template <class TPolicy> class TUniqueResource {
public:
  using THandle = typename TPolicy::THandle;

  TUniqueResource() noexcept : FHandle(TPolicy::Invalid()) {}
  explicit TUniqueResource(THandle AHandle) noexcept : FHandle(AHandle) {}
  TUniqueResource(const TUniqueResource&) = delete;
  TUniqueResource& operator=(const TUniqueResource&) = delete;
  TUniqueResource(TUniqueResource&& AOther) noexcept : FHandle(AOther.Release()) {}
  TUniqueResource& operator=(TUniqueResource&& AOther) noexcept {
    if (this != &AOther)
      Reset(AOther.Release());
    return *this;
  }
  ~TUniqueResource() { Reset(); }

  THandle Get() const noexcept { return FHandle; }
  bool Valid() const noexcept { return !(FHandle == TPolicy::Invalid()); }
  explicit operator bool() const noexcept { return Valid(); }

  // Gives up ownership without closing.
  THandle Release() noexcept { return std::exchange(FHandle, TPolicy::Invalid()); }

  void Reset(THandle AHandle = TPolicy::Invalid()) noexcept {
    const THandle old = std::exchange(FHandle, AHandle);
    if (!(old == TPolicy::Invalid()))
      TPolicy::Close(old);
  }

  // For out-parameters: closes what is held and hands out the slot to fill.
  THandle* Put() noexcept {
    Reset();
    return &FHandle;
  }

private:
  THandle FHandle;
};

} // namespace tarvel
