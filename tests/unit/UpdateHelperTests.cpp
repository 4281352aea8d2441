#include <gtest/gtest.h>

#include "core/Text.h"
#include "fakes/FakeShell.h"
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
                    TExtractCase{u"version 1.2.3 built on 4 May", u"1.2.3"}, TExtractCase{u"  1.2.0.2\r\n", u"1.2.0.2"},
                    // Line breaks are removed, not replaced: the next line's digits join.
                    TExtractCase{u"1.3\r\n7 fixes\r\n", u"1.37"}, TExtractCase{u"1.3\nbeta", u"1.3"},
                    TExtractCase{u"v9.09 (build 90)", u"9.09"}));

TEST(UpdateHelperTest, ParseVersionPartsGivesExactlyTheCount) {
  using V = std::vector<std::int32_t>;
  EXPECT_EQ(ParseVersionParts(u"1.2", 4), (V{1, 2, 0, 0}));
  EXPECT_EQ(ParseVersionParts(u"1.2.3.4.5", 4), (V{1, 2, 3, 4}));
  // Every digit counts, the highest one too.
  EXPECT_EQ(ParseVersionParts(u"9.19.90.1999", 4), (V{9, 19, 90, 1999}));
  EXPECT_EQ(ParseVersionParts(u"1..3", 3), (V{1, 0, 3}));
  EXPECT_EQ(ParseVersionParts(u"2147483647.2147483648", 2), (V{2147483647, 0}));
  EXPECT_EQ(ParseVersionParts(u"99999999999999999999.1", 2), (V{0, 1}));
  EXPECT_EQ(ParseVersionParts(u"1.2", 0), V{});
  EXPECT_EQ(ParseVersionParts(u"1.2", -3), V{});
  EXPECT_EQ(ParseVersionParts(u"none", 2), (V{0, 0}));
}

TEST(UpdateHelperTest, ShortVersionTextKeepsFourNumbersOfAtMostTenDigits) {
  const std::u16string zeros(4089, u'0');
  const struct {
    std::u16string Version, Shown;
  } cases[] = {
      {u"1.2.0.2", u"1.2.0.2"},
      {u"1.3", u"1.3"},
      {u"", u""},
      {u"1.2.3.4.5", u"1.2.3.4"},
      {u"1.2.3.4.", u"1.2.3.4"},
      {u"1.3.0.0" + zeros, u"1.3.0.0"},
      {u"1." + zeros + u"7", u"1.7"},
      {u"0001.0000000002", u"0001.0000000002"}, // ten digits are shown as they are
      {u"1.99999999999.2", u"1.0.2"},           // too large: read as 0
      {u"1..2.", u"1..2."},
      {u".5", u".5"},
      {u"...", u"..."},
      {u"....", u"..."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShortVersionText(c.Version), c.Shown) << ToUtf8(c.Version.substr(0, 40));
    EXPECT_EQ(ParseVersionParts(ShortVersionText(c.Version), 4), ParseVersionParts(c.Version, 4));
  }
}

TEST(UpdateHelperTest, CompareVersionPartsComparesNumbersNotText) {
  EXPECT_EQ(CompareVersionParts({1, 10}, {1, 9, 9, 9}), 1);
  EXPECT_EQ(CompareVersionParts(ParseVersionParts(u"1.2.9", 4), ParseVersionParts(u"1.2.8", 4)), 1);
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

// A version resource as a file might carry it: a translation, string-table values under
// it and the fixed information's numbers.
struct TResourceCase {
  const char* Name;
  std::vector<std::uint8_t> Translation; // empty: no translation block
  std::u16string FileVersion;            // "-": no such value
  std::u16string ProductVersion;
  std::vector<std::uint16_t> Fixed; // empty: no fixed block; 1 element: a short block
  std::u16string Expected;
};

std::vector<std::uint8_t> FixedBlock(const std::vector<std::uint16_t>& AParts) {
  if (AParts.size() == 1)
    return std::vector<std::uint8_t>(51, 0);
  std::vector<std::uint8_t> block(52, 0);
  const std::uint32_t words[] = {0xFEEF04BDu, 0x00010000u, static_cast<std::uint32_t>(AParts[0]) << 16 | AParts[1],
                                 static_cast<std::uint32_t>(AParts[2]) << 16 | AParts[3]};
  for (std::size_t w = 0; w < 4; ++w)
    for (std::size_t b = 0; b < 4; ++b)
      block[w * 4 + b] = static_cast<std::uint8_t>(words[w] >> (8 * b));
  return block;
}

class AppVersionTest : public testing::TestWithParam<TResourceCase> {};

TEST_P(AppVersionTest, ReadsTheHigherOfStringTableAndFixedInformation) {
  const TResourceCase& c = GetParam();
  TFakeShell shell;
  auto& resource = shell.AddResource(shell.Executable);
  if (!c.Translation.empty())
    resource.Binary[u"\\VarFileInfo\\Translation"] = c.Translation;
  // The German/Windows-1252 table, spelt with upper-case hexadecimal digits.
  const std::u16string table = u"\\StringFileInfo\\040704E4\\";
  if (c.FileVersion != u"-")
    resource.Strings[table + u"FileVersion"] = c.FileVersion;
  if (c.ProductVersion != u"-")
    resource.Strings[table + u"ProductVersion"] = c.ProductVersion;
  if (!c.Fixed.empty())
    resource.Binary[u"\\"] = FixedBlock(c.Fixed);
  EXPECT_EQ(ReadAppVersion(shell), c.Expected);
  EXPECT_EQ(GetAppVersion(shell), c.Expected.empty() ? u"1.2.0.2" : c.Expected);
}

const std::vector<std::uint8_t> German1252 = {0x07, 0x04, 0xE4, 0x04};

const TResourceCase ResourceCases[] = {
    {"EqualValuesKeepTheStringSpelling", German1252, u"1.2.0.0", u"-", {1, 2, 0, 0}, u"1.2.0.0"},
    {"HigherFixedWins", German1252, u"1.1", u"-", {1, 2, 0, 5}, u"1.2.0.5"},
    {"HigherStringWins", German1252, u"2.0", u"-", {1, 9, 9, 9}, u"2.0"},
    {"StringIsCleaned", German1252, u"  v1.2.3 (build 7)\r\n", u"-", {}, u"1.2.3"},
    {"ProductVersionWhenFileVersionMissing", German1252, u"-", u"3.1 beta", {1, 0, 0, 0}, u"3.1"},
    {"ProductVersionWhenFileVersionEmpty", German1252, u"", u"3.1", {}, u"3.1"},
    {"ProductVersionWhenFileVersionHasNoDigits", German1252, u"unknown", u"3.1", {}, u"3.1"},
    {"ShortTranslationLeavesTheFixedOne", {0x07, 0x04, 0xE4}, u"9.9", u"-", {1, 2, 0, 0}, u"1.2.0"},
    {"OtherTableIsNotRead", {0x09, 0x04, 0xB0, 0x04}, u"9.9", u"-", {1, 2, 0, 7}, u"1.2.0.7"},
    {"ShortFixedBlockIsIgnored", German1252, u"1.0", u"-", {1}, u"1.0"},
    {"NothingUsable", {}, u"-", u"-", {}, u""},
};

INSTANTIATE_TEST_SUITE_P(Cases, AppVersionTest, testing::ValuesIn(ResourceCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(UpdateHelperTest, NoVersionResourceGivesTheFallback) {
  TFakeShell shell;
  EXPECT_EQ(ReadAppVersion(shell), u"");
  EXPECT_EQ(GetAppVersion(shell), u"1.2.0.2");
  EXPECT_EQ(ReadVersionString(shell, u"C:\\other.exe", u"FileVersion"), u"");
}

TEST(UpdateHelperTest, ReadVersionStringReadsTheNamedFile) {
  TFakeShell shell;
  auto& resource = shell.AddResource(u"C:\\other.exe");
  resource.Binary[u"\\VarFileInfo\\Translation"] = {0x09, 0x04, 0xB0, 0x04, 0x07, 0x04, 0xE4, 0x04};
  resource.Strings[u"\\StringFileInfo\\040904B0\\ProductVersion"] = u"Release 4.5\r\n";
  EXPECT_EQ(ReadVersionString(shell, u"C:\\other.exe", u"ProductVersion"), u"4.5");
  EXPECT_EQ(ReadVersionString(shell, u"C:\\other.exe", u"FileVersion"), u"");
  EXPECT_EQ(ReadAppVersion(shell), u""); // the running program is another file
}

} // namespace
} // namespace tarvel
