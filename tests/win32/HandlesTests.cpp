#include <gtest/gtest.h>

#include <windows.h>

#include "core/win32/Handles.h"

namespace tarvel {
namespace {

bool HandleIsOpen(HANDLE AHandle) {
  DWORD flags = 0;
  return GetHandleInformation(AHandle, &flags) != 0;
}

TEST(HandlesTest, HandleIsClosedWhenItsOwnerGoes) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    TUniqueHandle owner(raw);
    TUniqueHandle moved(std::move(owner));
    EXPECT_TRUE(HandleIsOpen(raw));
  }
  EXPECT_FALSE(HandleIsOpen(raw));
}

TEST(HandlesTest, SelectedObjectIsRestoredBeforeTheBitmapIsDeleted) {
  TUniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  const HGDIOBJ original = GetCurrentObject(dc.Get(), OBJ_BITMAP);
  TUniqueBitmap bitmap(CreateCompatibleBitmap(dc.Get(), 4, 4));
  ASSERT_TRUE(bitmap);
  {
    TUniqueSelectObject selected = SelectScoped(dc.Get(), bitmap.Get());
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BITMAP), bitmap.Get());
  }
  EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BITMAP), original);
}

TEST(HandlesTest, GlobalLockIsUndoneAndMemoryFreed) {
  TUniqueHGlobal memory(GlobalAlloc(GMEM_MOVEABLE, 16));
  ASSERT_TRUE(memory);
  {
    TUniqueGlobalLock lock = LockScoped(memory.Get());
    ASSERT_NE(lock.Get().Data, nullptr);
    EXPECT_EQ(GlobalFlags(memory.Get()) & GMEM_LOCKCOUNT, 1u);
  }
  EXPECT_EQ(GlobalFlags(memory.Get()) & GMEM_LOCKCOUNT, 0u);
}

TEST(HandlesTest, RegistryKeyOwnerClosesTheKey) {
  TUniqueHKey key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Put()), ERROR_SUCCESS);
  const HKEY raw = key.Get();
  const auto query = [raw] {
    DWORD subkeys = 0;
    return RegQueryInfoKeyW(raw, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr);
  };
  EXPECT_EQ(query(), ERROR_SUCCESS);
  key.Reset();
  EXPECT_EQ(query(), ERROR_INVALID_HANDLE) << "the key is still open";
}

} // namespace
} // namespace tarvel
