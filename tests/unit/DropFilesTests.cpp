#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "clipboard/DropFiles.h"
#include "core/Text.h"

namespace tarvel {
namespace {

using TBytes = std::vector<std::uint8_t>;
using TPaths = std::vector<std::u16string>;

void PutLE32(TBytes& AOut, std::uint32_t AValue) {
  for (int shift = 0; shift < 32; shift += 8)
    AOut.push_back(static_cast<std::uint8_t>(AValue >> shift));
}

// The fixed part of a block, written field by field.
TBytes DropHeader(std::uint32_t AOffset, std::uint32_t AWide) {
  TBytes r;
  PutLE32(r, AOffset);
  PutLE32(r, 5); // drop point, ignored
  PutLE32(r, 7);
  PutLE32(r, 1); // non-client flag, ignored
  PutLE32(r, AWide);
  return r;
}

TBytes Wide(std::u16string_view AText) {
  TBytes r;
  for (const char16_t c : AText) {
    r.push_back(static_cast<std::uint8_t>(c));
    r.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return r;
}

TBytes Narrow(std::string_view AText) {
  return TBytes(AText.begin(), AText.end());
}

TBytes Concat(std::initializer_list<TBytes> AParts) {
  TBytes r;
  for (const TBytes& part : AParts)
    r.insert(r.end(), part.begin(), part.end());
  return r;
}

TDropFilesBlock Parse(const TBytes& ABlock) {
  return ParseDropFiles(ABlock.data(), ABlock.size());
}

std::u16string ParseError(const TBytes& ABlock) {
  try {
    Parse(ABlock);
  } catch (const EDropFilesError& e) {
    return e.Message();
  }
  return u"(no error)";
}

// ---------------------------------------------------------------------------------------
// Building

TEST(DropFilesBuildTest, WritesHeaderPathsAndBothTerminators) {
  const TBytes expected = Concat({{20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
                                  Wide(u"C:\\a"),
                                  {0, 0},
                                  Wide(u"D:\\\u00E9\u4E2D"),
                                  {0, 0},
                                  {0, 0}});
  EXPECT_EQ(BuildDropFiles({u"C:\\a", u"D:\\\u00E9\u4E2D"}), expected);
}

TEST(DropFilesBuildTest, SizeIsHeaderPlusEachPathWithItsZeroPlusTheFinalZero) {
  const TPaths cases[] = {{}, {u"x"}, {u"C:\\a", u"D:\\bc"}, {std::u16string(300, u'p'), u"\U0001F600.txt"}};
  for (const TPaths& paths : cases) {
    std::size_t expected = 20 + 2;
    for (const std::u16string& p : paths)
      expected += 2 * (p.size() + 1);
    const TBytes block = BuildDropFiles(paths);
    ASSERT_EQ(block.size(), expected) << paths.size() << " paths";
    // The last path's terminator and the list's (only the latter for no paths).
    const std::size_t zeros = paths.empty() ? 2 : 4;
    for (std::size_t i = 1; i <= zeros; ++i)
      EXPECT_EQ(block[block.size() - i], 0) << "byte " << block.size() - i;
    if (paths.empty()) {
      EXPECT_EQ(block[block.size() - 3], 0xFF);
    }
  }
}

const std::u16string LongestPath = u"\\\\?\\C:\\" + std::u16string(MaxDropFilesPathLength - 7, u'p');

// One rule decides which paths a list may hold, on the way in and on the way out.
struct TPathRuleCase {
  const char* Name;
  std::u16string Path;
  const char16_t* Fault; // empty for a usable path
};

class DropFilesPathRuleTest : public testing::TestWithParam<TPathRuleCase> {};

TEST_P(DropFilesPathRuleTest, BuildingRefusesExactlyTheUnusablePaths) {
  const TPathRuleCase& c = GetParam();
  EXPECT_EQ(DropFilesPathFault(c.Path), c.Fault);
  EXPECT_EQ(IsUsableDropFilesPath(c.Path), c.Fault[0] == 0);
  try {
    const TDropFilesBlock back = Parse(BuildDropFiles({u"C:\\first", c.Path}));
    EXPECT_EQ(c.Fault[0], 0) << "built a list with an unusable path";
    EXPECT_EQ(back.Paths, (TPaths{u"C:\\first", c.Path}));
  } catch (const EDropFilesError& e) {
    EXPECT_EQ(e.Message(), u"Clipboard file list: path 1 " + std::u16string(c.Fault));
  }
}

INSTANTIATE_TEST_SUITE_P(
    DropFiles, DropFilesPathRuleTest,
    testing::Values(TPathRuleCase{"Short", u"x", u""}, TPathRuleCase{"PastMaxPath", std::u16string(261, u'a'), u""},
                    TPathRuleCase{"Longest", LongestPath, u""}, TPathRuleCase{"Empty", u"", u"is empty"},
                    TPathRuleCase{"ZeroInside", std::u16string(u"C:\\a\0b", 6), u"holds a zero character"},
                    TPathRuleCase{"TooLong", LongestPath + u"p", u"is 32768 units long, longer than 32767"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(DropFilesBuildTest, RoundTripKeepsThePaths) {
  const TPaths cases[] = {
      {},
      {u"C:\\Users\\me\\file.txt"},
      {u"C:\\a", u"\\\\server\\share\\b c", u"D:\\\u00E9t\u00E9\\\U0001F600.png"},
      {std::u16string(260, u'x'), LongestPath},
  };
  for (const TPaths& paths : cases) {
    const TDropFilesBlock parsed = Parse(BuildDropFiles(paths));
    EXPECT_TRUE(parsed.Wide);
    EXPECT_EQ(parsed.Paths, paths);
  }
}

// ---------------------------------------------------------------------------------------
// Parsing valid blocks

struct TParseCase {
  const char* Name;
  TBytes Block;
  bool Wide;
  TPaths Expected;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const TParseCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class DropFilesParseTest : public testing::TestWithParam<TParseCase> {};

TEST_P(DropFilesParseTest, ReadsThePaths) {
  const TParseCase& c = GetParam();
  TDropFilesBlock parsed;
  ASSERT_NO_THROW(parsed = Parse(c.Block)) << ToUtf8(ParseError(c.Block));
  EXPECT_EQ(parsed.Wide, c.Wide);
  EXPECT_EQ(parsed.Paths, c.Expected);
}

const std::u16string Long260(260, u'a');

const TParseCase ParseCases[] = {
    {"EmptyList", Concat({DropHeader(20, 1), {0, 0}}), true, {}},
    {"AnyNonZeroWideFlag", Concat({DropHeader(20, 0x100), Wide(u"C:\\a"), {0, 0, 0, 0}}), true, {u"C:\\a"}},
    // Bytes between the header and the list, and after the final terminator, are skipped:
    // the system rounds memory blocks up.
    {"ListAfterAGap", Concat({DropHeader(26, 1), {9, 9, 9, 9, 9, 9}, Wide(u"x"), {0, 0, 0, 0}}), true, {u"x"}},
    {"BytesAfterTheListIgnored", Concat({DropHeader(20, 1), Wide(u"x"), {0, 0, 0, 0}, {1, 2, 3}}), true, {u"x"}},
    {"OddListOffset", Concat({DropHeader(21, 1), {9}, Wide(u"ab"), {0, 0, 0, 0}}), true, {u"ab"}},
    // Paths longer than MAX_PATH exist and come back whole.
    {"WidePathOf261Whole",
     Concat({DropHeader(20, 1), Wide(Long260 + u"b"), {0, 0}, Wide(u"next"), {0, 0, 0, 0}}),
     true,
     {Long260 + u"b", u"next"}},
    {"WidePathOfTheLongestLength", Concat({DropHeader(20, 1), Wide(LongestPath), {0, 0, 0, 0}}), true, {LongestPath}},
    {"AnsiPathsWidenedByteByByte",
     Concat({DropHeader(20, 0), Narrow("C:\\caf\xE9"), {0}, Narrow("D:\\x"), {0, 0}}),
     false,
     {u"C:\\caf\u00E9", u"D:\\x"}},
    {"AnsiEmptyList", Concat({DropHeader(20, 0), {0}}), false, {}},
    {"AnsiPathOf261Whole", Concat({DropHeader(20, 0), TBytes(261, 'a'), {0, 0}}), false, {Long260 + u"a"}},
};

INSTANTIATE_TEST_SUITE_P(DropFiles, DropFilesParseTest, testing::ValuesIn(ParseCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------------------
// Malformed blocks: each raises EDropFilesError naming the fault.

struct TMalformedCase {
  const char* Name;
  TBytes Block;
  const char16_t* Message;
};

void PrintTo(const TMalformedCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class DropFilesMalformedTest : public testing::TestWithParam<TMalformedCase> {};

TEST_P(DropFilesMalformedTest, RaisesDropFilesErrorNamingTheFault) {
  const TMalformedCase& c = GetParam();
  const std::u16string message = ParseError(c.Block);
  EXPECT_EQ(message.rfind(u"Clipboard file list: ", 0), 0u) << ToUtf8(message);
  EXPECT_NE(message.find(c.Message), std::u16string::npos) << ToUtf8(message);
}

TBytes Cut(TBytes ABlock, std::size_t ALess) {
  ABlock.resize(ABlock.size() - ALess);
  return ABlock;
}

const TMalformedCase MalformedCases[] = {
    {"ShorterThanHeader", Cut(DropHeader(20, 1), 1), u"the block is 19 bytes, shorter than its 20-byte header"},
    {"HeaderOnly", DropHeader(20, 1), u"the list offset 20 is not inside the 20-byte block"},
    {"OffsetZero", Concat({DropHeader(0, 1), {0, 0}}), u"the list offset 0 points into the header"},
    {"OffsetInsideHeader", Concat({DropHeader(19, 1), {0, 0}}), u"the list offset 19 points into the header"},
    {"OffsetAtEnd", Concat({DropHeader(22, 1), {0, 0}}), u"the list offset 22 is not inside the 22-byte block"},
    {"OffsetFarPastEnd", Concat({DropHeader(0xFFFFFFFF, 1), {0, 0}}), u"the list offset 4294967295 is not inside"},
    {"WideListWithoutFinalTerminator", Concat({DropHeader(20, 1), Wide(u"C:\\a"), {0, 0}}),
     u"the list ends without its final terminator"},
    {"WidePathWithoutTerminator", Concat({DropHeader(20, 1), Wide(u"C:\\a")}),
     u"the last path ends without its terminator"},
    {"WideOddTail", Concat({DropHeader(20, 1), Wide(u"C:\\a"), {0}}),
     u"the wide text ends in a single byte at offset 28, without its terminators"},
    {"WideOddTailAfterAPath", Concat({DropHeader(20, 1), Wide(u"ab"), {0, 0, 0}}),
     u"the wide text ends in a single byte at offset 26"},
    {"AnsiListWithoutFinalTerminator", Concat({DropHeader(20, 0), Narrow("C:\\a"), {0}}),
     u"the list ends without its final terminator"},
    {"AnsiPathWithoutTerminator", Concat({DropHeader(20, 0), Narrow("C:\\a")}),
     u"the last path ends without its terminator"},
    {"LongPathWithoutTerminator", Concat({DropHeader(20, 1), Wide(std::u16string(400, u'a'))}),
     u"the last path ends without its terminator"},
    {"PathLongerThanAnyTheSystemHandles",
     Concat({DropHeader(20, 1), Wide(u"C:\\a"), {0, 0}, Wide(LongestPath + u"p"), {0, 0, 0, 0}}),
     u"path 1 is 32768 units long, longer than 32767"},
};

INSTANTIATE_TEST_SUITE_P(DropFiles, DropFilesMalformedTest, testing::ValuesIn(MalformedCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(DropFilesBlockTest, NullOrEmptyBlockRaises) {
  const std::uint8_t byte = 0;
  EXPECT_THROW(ParseDropFiles(nullptr, 0), EDropFilesError);
  EXPECT_THROW(ParseDropFiles(nullptr, 22), EDropFilesError);
  EXPECT_THROW(ParseDropFiles(&byte, 0), EDropFilesError);
}

// Each prefix of a valid block lives in a buffer of exactly its size, so that reading one
// byte too far is caught by the address sanitizer rather than hidden by the vector's slack.
TEST(DropFilesBlockTest, EveryTruncationRaisesWithoutReadingPastTheSize) {
  for (const bool wide : {true, false}) {
    const TBytes block = wide ? BuildDropFiles({u"C:\\a", u"D:\\bc"})
                              : Concat({DropHeader(20, 0), Narrow("C:\\a"), {0}, Narrow("D:\\bc"), {0, 0}});
    for (std::size_t size = 0; size < block.size(); ++size) {
      const auto exact = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size);
      std::copy(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size), exact.get());
      EXPECT_THROW(ParseDropFiles(exact.get(), size), EDropFilesError) << (wide ? "wide " : "ansi ") << size;
    }
  }
}

// ---------------------------------------------------------------------------------------
// Damaged blocks parse or raise EDropFilesError, never anything worse.

TEST(DropFilesMutationTest, DamagedBlocksParseOrRaiseDropFilesError) {
  const TBytes originals[] = {
      BuildDropFiles({u"C:\\Users\\me\\a.txt", u"D:\\b", std::u16string(270, u'z')}),
      Concat({DropHeader(24, 0), {1, 2, 3, 4}, Narrow("C:\\a"), {0}, Narrow("C:\\bb"), {0, 0}}),
  };
  std::mt19937 rng(2468);
  int parsed = 0;
  for (const TBytes& original : originals)
    for (int i = 0; i < 2000; ++i) {
      TBytes block = original;
      const unsigned flips = 1 + rng() % 3;
      for (unsigned k = 0; k < flips; ++k) {
        // Half of the damage goes to the header, where the offsets and flags are.
        const std::size_t pos = rng() % 2 == 0 ? rng() % 20 : rng() % block.size();
        block[pos] = rng() % 4 == 0 ? 0 : static_cast<std::uint8_t>(rng());
      }
      if (rng() % 3 == 0)
        block.resize(rng() % (block.size() + 1));
      const auto exact = std::make_unique<std::uint8_t[]>(block.empty() ? 1 : block.size());
      std::copy(block.begin(), block.end(), exact.get());
      try {
        const TDropFilesBlock r = ParseDropFiles(exact.get(), block.size());
        for (const std::u16string& path : r.Paths) {
          EXPECT_FALSE(path.empty());
          EXPECT_LE(path.size(), MaxDropFilesPathLength);
        }
        ++parsed;
      } catch (const EDropFilesError&) {
      } catch (const std::exception& e) {
        ADD_FAILURE() << "unexpected exception: " << e.what();
      }
    }
  EXPECT_GT(parsed, 0);
}

} // namespace
} // namespace tarvel
