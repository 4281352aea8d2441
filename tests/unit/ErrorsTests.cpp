// The check family's return and log variants: what they catch, what they let pass, and the
// text a log line gives the failure.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "core/Errors.h"

namespace tarvel {
namespace {

TARVEL_DECLARE_ERROR(ETestError, EFileError);

TEST(CheckFamilyTest, ReturnGivesBackWhatWasRaised) {
  EXPECT_FALSE(ReturnFailure([] {}));

  const TFailure failure = ReturnFailure([] { throw ETestError(u"Disk gone"); });
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure.ClassName(), u"ETestError");
  EXPECT_EQ(failure.Message(), u"Disk gone");
  EXPECT_EQ(failure.Text(), u"ETestError: Disk gone");
  EXPECT_EQ(failure.Text(), ErrorText(ETestError(u"Disk gone")));
  EXPECT_TRUE(failure.Is<ETestError>());
  EXPECT_TRUE(failure.Is<EFileError>()) << "a base class matches";
  EXPECT_FALSE(failure.Is<EImageError>());
  EXPECT_FALSE(TFailure().Is<EError>());
}

TEST(CheckFamilyTest, MemoryRunningOutIsAFailureNamedLikeTheLogNamesIt) {
  const TFailure failure = ReturnFailure([] { throw std::bad_alloc(); });
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure.Text(), OutOfMemoryText);
  EXPECT_TRUE(failure.Is<std::bad_alloc>());
}

TEST(CheckFamilyTest, FaultsThatAreNotTheProgramsErrorsPassOn) {
  EXPECT_THROW(ReturnFailure([] { throw std::logic_error("bug"); }), std::logic_error);
  std::vector<std::u16string> log;
  EXPECT_THROW(LogFailure([] { throw std::out_of_range("bug"); },
                          [&](const std::u16string& ALine) { log.push_back(ALine); }, u"x: "),
               std::out_of_range);
  EXPECT_TRUE(log.empty());
}

TEST(CheckFamilyTest, LogWritesOneLineAndSaysWhetherTheActionRanThrough) {
  std::vector<std::u16string> log;
  const auto write = [&](const std::u16string& ALine) { log.push_back(ALine); };
  int runs = 0;
  EXPECT_TRUE(LogFailure([&] { ++runs; }, write, u"Save error: "));
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(log.empty());

  EXPECT_FALSE(LogFailure([] { throw ETestError(u"Disk gone"); }, write, u"Save error: "));
  EXPECT_FALSE(LogFailure([] { throw ETestError(u"Disk gone"); }, write, u"Not saved: ", TFailureText::Message));
  EXPECT_FALSE(LogFailure([] { throw std::bad_alloc(); }, write, u"Read error: "));
  EXPECT_EQ(log, (std::vector<std::u16string>{u"Save error: ETestError: Disk gone", u"Not saved: Disk gone",
                                              u"Read error: EOutOfMemory: Out of memory"}));
}

} // namespace
} // namespace tarvel
