// The text of a message box: cut and broken so that the box fits the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/BoxText.h"
#include "core/Text.h"

namespace tarvel {
namespace {

std::size_t LineCount(const std::u16string& AText) {
  return 1 + static_cast<std::size_t>(std::count(AText.begin(), AText.end(), u'\n'));
}

std::size_t LongestRun(const std::u16string& AText) {
  std::size_t longest = 0;
  std::size_t run = 0;
  for (const char16_t c : AText) {
    run = c == u' ' || c == u'\r' || c == u'\n' ? 0 : run + 1;
    longest = std::max(longest, run);
  }
  return longest;
}

TEST(BoxTextTest, ATextWithinTheLimitsIsKept) {
  for (const std::u16string& text :
       {std::u16string(),
        std::u16string(u"Current app version: 1.2.0.2\r\nSite version: 1.3\r\n\r\nA new version 1.3 is "
                       u"available. Download now?"),
        std::u16string(MaxBoxRunChars, u'x'), std::u16string(MaxBoxChars, u' ')})
    EXPECT_EQ(FitBoxText(text), text);
}

TEST(BoxTextTest, ALongRunIsBrokenIntoLines) {
  const std::u16string word(2 * MaxBoxRunChars + 5, u'0');
  EXPECT_EQ(FitBoxText(u"Site version: " + word + u" now"), u"Site version: " + std::u16string(MaxBoxRunChars, u'0') +
                                                                u"\r\n" + std::u16string(MaxBoxRunChars, u'0') +
                                                                u"\r\n00000 now");
}

TEST(BoxTextTest, ASurrogatePairStaysWhole) {
  const std::u16string text = std::u16string(MaxBoxRunChars - 1, u'a') + u"\U0001F600b";
  EXPECT_EQ(FitBoxText(text), std::u16string(MaxBoxRunChars - 1, u'a') + u"\U0001F600\r\nb");
}

// Texts far beyond the limits: every one is cut to them and says so.
TEST(BoxTextTest, AnOverlongTextIsCutAndEndsWithDots) {
  std::u16string lines;
  for (int i = 0; i < 3000; ++i)
    lines += u"line " + FromUtf8(std::to_string(i)) + u"\r\n";
  std::u16string words;
  for (int i = 0; i < 4000; ++i)
    words += u"word ";
  for (const std::u16string& text : {std::u16string(100000, u'0'), lines, words}) {
    const std::u16string fitted = FitBoxText(text);
    EXPECT_LE(fitted.size(), MaxBoxChars + 3);
    EXPECT_LE(LineCount(fitted), MaxBoxLines);
    EXPECT_LE(LongestRun(fitted), MaxBoxRunChars + 3);
    EXPECT_EQ(fitted.substr(fitted.size() - 3), u"...");
    EXPECT_EQ(fitted.substr(0, 20), FitBoxText(text.substr(0, 20)));
  }
  EXPECT_EQ(FitBoxText(lines).substr(0, 16), u"line 0\r\nline 1\r\n");
}

} // namespace
} // namespace tarvel
