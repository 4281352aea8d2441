#include <gtest/gtest.h>

#include "update/UpdateHelper.h"

namespace tarvel {
namespace {

struct TExtractCase {
  std::u16string Input;
  std::u16string Expected;
};

class ExtractVersionTextTest : public testing::TestWithParam<TExtractCase> {};

TEST_P(ExtractVersionTextTest, TakesTheFirstRunOfDigitsAndDots) {
  EXPECT_EQ(ExtractVersionText(GetParam().Input), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtractVersionTextTest,
    testing::Values(TExtractCase{u"", u""}, TExtractCase{u"no version here", u""}, TExtractCase{u".5a", u".5"},
                    TExtractCase{u"version 1.2.3 built on 4 May", u"1.2.3"},
                    TExtractCase{u"  1.2.0.2\r\n", u"1.2.0.2"},
                    // Line breaks are removed, not replaced: the next line's digits join.
                    TExtractCase{u"1.3\r\n7 fixes\r\n", u"1.37"}, TExtractCase{u"1.3\nbeta", u"1.3"}));

TEST(UpdateHelperTest, ParseVersionPartsGivesExactlyTheCount) {
  using V = std::vector<std::int32_t>;
  EXPECT_EQ(ParseVersionParts(u"1.2", 4), (V{1, 2, 0, 0}));
  EXPECT_EQ(ParseVersionParts(u"1.2.3.4.5", 4), (V{1, 2, 3, 4}));
  EXPECT_EQ(ParseVersionParts(u"1..3", 3), (V{1, 0, 3}));
  EXPECT_EQ(ParseVersionParts(u"2147483647.2147483648", 2), (V{2147483647, 0}));
  EXPECT_EQ(ParseVersionParts(u"99999999999999999999.1", 2), (V{0, 1}));
  EXPECT_EQ(ParseVersionParts(u"1.2", 0), V{});
  EXPECT_EQ(ParseVersionParts(u"1.2", -3), V{});
  EXPECT_EQ(ParseVersionParts(u"none", 2), (V{0, 0}));
}

TEST(UpdateHelperTest, CompareVersionPartsComparesNumbersNotText) {
  EXPECT_EQ(CompareVersionParts({1, 10}, {1, 9, 9, 9}), 1);
  EXPECT_EQ(CompareVersionParts({1, 9, 9, 9}, {1, 10}), -1);
  EXPECT_EQ(CompareVersionParts({1, 2}, {1, 2, 0, 0}), 0);
  EXPECT_EQ(CompareVersionParts({}, {}), 0);
  EXPECT_EQ(CompareVersionParts({}, {0, 0, 1}), -1);
}

TEST(UpdateHelperTest, AppVersionPrefersTheStringTableUnlessTheFixedOneIsHigher) {
  EXPECT_EQ(ChooseAppVersion(u"1.2.0.0", FormatFixedVersion(1, 2, 0, 0)), u"1.2.0.0");
  EXPECT_EQ(ChooseAppVersion(u"1.1", FormatFixedVersion(1, 2, 0, 5)), u"1.2.0.5");
  EXPECT_EQ(ChooseAppVersion(u"", u"1.2.0"), u"1.2.0");
  EXPECT_EQ(ChooseAppVersion(u"1.4", u""), u"1.4");
  EXPECT_EQ(ChooseAppVersion(u"", u""), u"");
  EXPECT_EQ(FormatFixedVersion(1, 2, 0, 0), u"1.2.0");
  EXPECT_EQ(FormatFixedVersion(65535, 2, 0, 7), u"65535.2.0.7");
}

} // namespace
} // namespace tarvel
