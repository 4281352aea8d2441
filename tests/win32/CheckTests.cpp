#include <gtest/gtest.h>

#include <windows.h>

#include "core/win32/Check.h"

namespace tarvel {
namespace {

TEST(CheckTest, FailedCallRaisesWithCallNameCodeAndSystemText) {
  try {
    CheckWin32(CloseHandle(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x1234))), "CloseHandle");
    FAIL() << "no exception";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ClassName(), u"EOSError");
    EXPECT_EQ(e.Code(), static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(e.Message().rfind(u"CloseHandle failed: ", 0), 0u) << e.what();
    EXPECT_NE(e.Message().find(u"(code 6)"), std::u16string::npos) << e.what();
  }
}

TEST(CheckTest, StatusAndHResultChecks) {
  EXPECT_NO_THROW(CheckStatus(ERROR_SUCCESS, "RegOpenKeyExW"));
  EXPECT_THROW(CheckStatus(ERROR_FILE_NOT_FOUND, "RegOpenKeyExW"), EOSError);
  EXPECT_EQ(CheckHResult(S_FALSE, "x"), S_FALSE); // S_FALSE is a success
  try {
    CheckHResult(E_NOINTERFACE, "QueryInterface");
    FAIL() << "no exception";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Code(), static_cast<std::uint32_t>(E_NOINTERFACE));
  }
}

TEST(CheckTest, AFailedCallCanRaiseTheProgramsOwnError) {
  EXPECT_EQ(CheckWin32<EImageError>(TRUE, u"Reading the image"), TRUE);
  try {
    CheckWin32<EImageError>(CloseHandle(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x1234))), u"Reading the image");
    FAIL() << "no exception";
  } catch (const EImageError& e) {
    EXPECT_EQ(e.Message(), u"Reading the image: " + SystemErrorMessage(ERROR_INVALID_HANDLE));
  }
  SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_THROW(RaiseLastError<EFileError>(u"Writing"), EFileError);
}

TEST(CheckTest, UnknownCodeStillGivesAMessage) {
  EXPECT_FALSE(SystemErrorMessage(0x7FFFFFF0).empty());
}

} // namespace
} // namespace tarvel
