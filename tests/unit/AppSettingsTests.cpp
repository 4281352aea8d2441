#include <gtest/gtest.h>

#include "fakes/FakeRegistry.h"
#include "settings/uAppSettings.h"

namespace tarvel {
namespace {

const std::u16string Key = SettingsKeyPath;

TTarvelSettings Load(TFakeRegistry& ARegistry) {
  TTarvelSettings s;
  s.MaxClipEntries = -7; // proves every field is reset first
  s.OcrLanguageTag = u"stale";
  LoadAppSettings(ARegistry, s);
  return s;
}

std::u16string Letters(const TTarvelSettings& AS) {
  return {AS.HotkeyControl, AS.HotkeyOCR, AS.HotkeyScreenBox, AS.HotkeyScreenFull, AS.HotkeySave};
}

TEST(AppSettingsTest, MissingKeyGivesTheDefaultsAndWritesNothing) {
  TFakeRegistry registry;
  EXPECT_EQ(Load(registry), TTarvelSettings{});
  EXPECT_TRUE(registry.Keys.empty());
  EXPECT_TRUE(registry.Writes.empty());
}

TEST(AppSettingsTest, UnopenableKeyGivesTheDefaults) {
  TFakeRegistry registry;
  registry.PutDword(Key, u"MaxClipEntries", 50);
  registry.Unopenable.insert(Key);
  EXPECT_EQ(Load(registry), TTarvelSettings{});
}

TEST(AppSettingsTest, ReadsEveryStoredValue) {
  TFakeRegistry registry;
  registry.PutDword(Key, u"ShowLog", 1);
  registry.PutDword(Key, u"ShowNotifications", 7); // any non-zero number is true
  registry.PutDword(Key, u"DontShowTutorial", 0);
  registry.PutDword(Key, u"MaxClipEntries", 42);
  registry.PutString(Key, u"OcrLanguageTag", u"%LANG%", rtExpandString); // accepted, not expanded
  registry.PutDword(Key, u"OcrTextLayout", 3);
  registry.PutString(Key, u"HotkeyControl", u"q");
  registry.PutString(Key, u"HotkeyOCR", u"W");
  registry.PutString(Key, u"HotkeyScreenBox", u"e");
  registry.PutString(Key, u"HotkeyScreenFull", u"T");
  registry.PutString(Key, u"HotkeySave", u"u");
  registry.PutDword(Key, u"SomethingElse", 1);
  const TTarvelSettings s = Load(registry);
  EXPECT_TRUE(s.ShowLog);
  EXPECT_TRUE(s.ShowNotifications);
  EXPECT_FALSE(s.DontShowTutorial);
  EXPECT_EQ(s.MaxClipEntries, 42);
  EXPECT_EQ(s.OcrLanguageTag, u"%LANG%");
  EXPECT_EQ(s.OcrTextLayout, TOcrTextLayout::Table);
  EXPECT_EQ(Letters(s), u"QWETU");
  EXPECT_TRUE(registry.Writes.empty());
}

struct TClipEntriesCase {
  std::uint32_t Stored;
  int Expected;
};

class MaxClipEntriesLoadTest : public testing::TestWithParam<TClipEntriesCase> {};

TEST_P(MaxClipEntriesLoadTest, IsLimitedTo1Through100) {
  TFakeRegistry registry;
  registry.PutDword(Key, u"MaxClipEntries", GetParam().Stored);
  EXPECT_EQ(Load(registry).MaxClipEntries, GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MaxClipEntriesLoadTest,
                         testing::Values(TClipEntriesCase{0, 1}, TClipEntriesCase{0xFFFFFFFFu, 1}, // -1
                                         TClipEntriesCase{0x80000000u, 1}, TClipEntriesCase{1, 1},
                                         TClipEntriesCase{100, 100}, TClipEntriesCase{101, 100},
                                         TClipEntriesCase{500, 100}, TClipEntriesCase{0x7FFFFFFFu, 100}));

// Stored letters (empty = missing) and the five letters the loader settles on.
struct TLetterCase {
  const char* Name;
  std::u16string Stored[5];
  std::u16string Expected;
};

class HotkeyLetterLoadTest : public testing::TestWithParam<TLetterCase> {};

TEST_P(HotkeyLetterLoadTest, RepairsInOrder) {
  static const char16_t* const Names[5] = {u"HotkeyControl", u"HotkeyOCR", u"HotkeyScreenBox", u"HotkeyScreenFull",
                                           u"HotkeySave"};
  TFakeRegistry registry;
  registry.Keys[Key];
  for (int i = 0; i < 5; ++i)
    if (GetParam().Stored[i] != u"-")
      registry.PutString(Key, Names[i], GetParam().Stored[i]);
  EXPECT_EQ(Letters(Load(registry)), GetParam().Expected);
}

const TLetterCase LetterCases[] = {
    {"LowerCaseIsUpCased", {u"q", u"-", u"-", u"-", u"-"}, u"QXRFS"},
    {"FirstCharacterOfALongerText", {u"abc", u"-", u"-", u"-", u"-"}, u"AXRFS"},
    {"DigitFallsBackToDefault", {u"7", u"-", u"-", u"-", u"-"}, u"CXRFS"},
    {"ILetterIsReserved", {u"i", u"-", u"-", u"-", u"-"}, u"CXRFS"},
    {"YLetterIsReserved", {u"y", u"-", u"-", u"-", u"-"}, u"CXRFS"},
    {"ZLetterIsReserved", {u"z", u"-", u"-", u"-", u"-"}, u"CXRFS"},
    {"EmptyKeepsDefault", {u"", u"", u"", u"", u""}, u"CXRFS"},
    {"DefaultTakenGivesFirstFreeLetter", {u"X", u"-", u"-", u"-", u"-"}, u"XARFS"},
    {"DuplicateFallsBackToDefault", {u"Q", u"Q", u"-", u"-", u"-"}, u"QXRFS"},
    {"AllAGiveTheDefaults", {u"A", u"A", u"A", u"A", u"A"}, u"AXRFS"},
    {"DefaultAlsoTaken", {u"C", u"R", u"R", u"-", u"-"}, u"CRAFS"},
    {"NonLatinLetterIsNotAllowed", {u"\u00e9", u"\u0416", u"-", u"-", u"-"}, u"CXRFS"},
    // Lone surrogates and a zero unit in front are just characters that are not allowed.
    {"OddCodeUnits", {std::u16string(1, u'\xD800'), u"\u007f", u"-", u"-", u"-"}, u"CXRFS"},
};

INSTANTIATE_TEST_SUITE_P(Cases, HotkeyLetterLoadTest, testing::ValuesIn(LetterCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// A value of another type, or one too long to be a setting, counts as missing: the rest of
// the record still loads and keeps its guarantees.
struct TBadValueCase {
  const char* Name;
  std::u16string Value;
  std::uint32_t Type;
  std::vector<std::uint8_t> Data;
};

class BadStoredValueTest : public testing::TestWithParam<TBadValueCase> {};

TEST_P(BadStoredValueTest, IsTreatedAsMissing) {
  TFakeRegistry registry;
  registry.PutDword(Key, u"ShowLog", 1);
  registry.PutString(Key, u"HotkeySave", u"V");
  registry.Put(Key, GetParam().Value, GetParam().Type, GetParam().Data);
  const TTarvelSettings s = Load(registry);
  TTarvelSettings expected;
  if (GetParam().Value != u"ShowLog")
    expected.ShowLog = true;
  if (GetParam().Value != u"HotkeySave")
    expected.HotkeySave = u'V';
  EXPECT_EQ(s, expected);
}

std::vector<std::uint8_t> Utf16(const std::u16string& AText) {
  std::vector<std::uint8_t> r;
  for (const char16_t c : AText) {
    r.push_back(static_cast<std::uint8_t>(c));
    r.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return r;
}

const TBadValueCase BadValueCases[] = {
    {"StringForAFlag", u"ShowLog", rtString, Utf16(u"1\0")},
    {"QwordForAFlag", u"ShowLog", rtQword, {1, 0, 0, 0, 0, 0, 0, 0}},
    {"BinaryForANumber", u"MaxClipEntries", rtBinary, {50, 0, 0, 0}},
    {"ShortDword", u"MaxClipEntries", rtDword, {50, 0}},
    {"LongDword", u"MaxClipEntries", rtDword, {50, 0, 0, 0, 0}},
    {"EmptyDword", u"MaxClipEntries", rtDword, {}},
    {"DwordForALetter", u"HotkeySave", rtDword, {0x51, 0, 0, 0}},
    {"MultiStringForALetter", u"HotkeySave", rtMultiString, Utf16(std::u16string(u"Q\0\0", 3))},
    {"BinaryForATag", u"OcrLanguageTag", rtBinary, Utf16(u"en-US")},
    {"AbsurdlyLongTag", u"OcrLanguageTag", rtString, Utf16(std::u16string(100000, u'e'))},
    {"AbsurdlyLongLetter", u"HotkeySave", rtString, Utf16(std::u16string(MaxStoredTextLength + 1, u'Q'))},
};

INSTANTIATE_TEST_SUITE_P(Cases, BadStoredValueTest, testing::ValuesIn(BadValueCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(AppSettingsTest, StringsNeedNoTerminatorAndEndAtTheFirstZero) {
  TFakeRegistry registry;
  registry.Put(Key, u"OcrLanguageTag", rtString, Utf16(u"de-DE")); // no terminator
  registry.Put(Key, u"HotkeyOCR", rtString, {'k', 0, 'x'});        // odd length: last byte dropped
  registry.Put(Key, u"HotkeySave", rtString, Utf16(std::u16string(u"\0V", 2)));
  const TTarvelSettings s = Load(registry);
  EXPECT_EQ(s.OcrLanguageTag, u"de-DE");
  EXPECT_EQ(s.HotkeyOCR, u'K');
  EXPECT_EQ(s.HotkeySave, u'S'); // empty text keeps the default
  registry.PutString(Key, u"OcrLanguageTag", std::u16string(MaxStoredTextLength, u't'));
  EXPECT_EQ(Load(registry).OcrLanguageTag.size(), MaxStoredTextLength);
}

// A layout number this version does not know (written by hand, or by a later version that
// added one) reads as the engine's lines; so does a value of another type.
TEST(AppSettingsTest, AnUnknownOcrTextLayoutReadsAsLines) {
  TFakeRegistry registry;
  for (const std::uint32_t number : {4u, 0xFFFFFFFFu}) {
    registry.PutDword(Key, u"OcrTextLayout", number);
    EXPECT_EQ(Load(registry).OcrTextLayout, TOcrTextLayout::Lines) << number;
  }
  registry.PutString(Key, u"OcrTextLayout", u"2");
  EXPECT_EQ(Load(registry).OcrTextLayout, TOcrTextLayout::Lines);
}

TEST(AppSettingsTest, SaveWritesAllElevenValuesInOrderWithTheirTypes) {
  TFakeRegistry registry;
  TTarvelSettings s;
  s.ShowLog = true;
  s.DontShowTutorial = true;
  s.MaxClipEntries = 37;
  s.OcrLanguageTag = u"fr-FR";
  s.OcrTextLayout = TOcrTextLayout::OneLine;
  s.HotkeyOCR = u'Q';
  SaveAppSettings(registry, s);
  EXPECT_EQ(registry.Writes,
            (std::vector<std::u16string>{u"ShowLog", u"ShowNotifications", u"DontShowTutorial", u"MaxClipEntries",
                                         u"OcrLanguageTag", u"OcrTextLayout", u"HotkeyControl", u"HotkeyOCR",
                                         u"HotkeyScreenBox", u"HotkeyScreenFull", u"HotkeySave"}));
  EXPECT_EQ(registry.Find(Key, u"ShowLog")->Data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(registry.Find(Key, u"ShowNotifications")->Data, (std::vector<std::uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(registry.Find(Key, u"MaxClipEntries")->Type, rtDword);
  EXPECT_EQ(registry.Find(Key, u"OcrLanguageTag")->Type, rtString);
  EXPECT_EQ(registry.Find(Key, u"OcrTextLayout")->Data, (std::vector<std::uint8_t>{2, 0, 0, 0}));
  EXPECT_EQ(registry.Find(Key, u"HotkeyOCR")->Data, (std::vector<std::uint8_t>{'Q', 0, 0, 0}));
  EXPECT_EQ(Load(registry), s);
}

TEST(AppSettingsTest, SaveStoresTheCountLimitedButLeavesTheRecordAlone) {
  TFakeRegistry registry;
  TTarvelSettings s;
  s.MaxClipEntries = 0;
  SaveAppSettings(registry, s);
  EXPECT_EQ(s.MaxClipEntries, 0);
  EXPECT_EQ(registry.Find(Key, u"MaxClipEntries")->Data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  s.MaxClipEntries = 1000;
  SaveAppSettings(registry, s);
  EXPECT_EQ(registry.Find(Key, u"MaxClipEntries")->Data, (std::vector<std::uint8_t>{100, 0, 0, 0}));
}

TEST(AppSettingsTest, AKeyThatCannotBeCreatedRaisesAndStoresNothing) {
  TFakeRegistry registry;
  registry.Uncreatable.insert(Key);
  try {
    SaveAppSettings(registry, TTarvelSettings{});
    ADD_FAILURE() << "no error";
  } catch (const ERegistryError& e) {
    EXPECT_EQ(e.Message(), u"Cannot open 'Software\\Nusk\\Tarvel' for writing");
  }
  EXPECT_TRUE(registry.Writes.empty());
}

TEST(AppSettingsTest, AFailedWriteRaisesAndKeepsTheValuesWrittenBeforeIt) {
  TFakeRegistry registry;
  registry.PutString(Key, u"HotkeyControl", u"Q");
  registry.FailingWrites.insert(u"MaxClipEntries");
  TTarvelSettings s;
  s.ShowLog = true;
  try {
    SaveAppSettings(registry, s);
    FAIL() << "no error";
  } catch (const ERegistryError& e) {
    EXPECT_EQ(e.Message(), u"Failed to set data for 'MaxClipEntries'");
  }
  EXPECT_EQ(registry.Writes, (std::vector<std::u16string>{u"ShowLog", u"ShowNotifications", u"DontShowTutorial"}));
  EXPECT_EQ(Load(registry).HotkeyControl, u'Q'); // untouched
}

TEST(HotkeyLetterTest, AllowedLetters) {
  std::u16string allowed;
  for (int c = 0; c < 0x10000; ++c)
    if (IsAllowedHotkeyLetter(static_cast<char16_t>(c)))
      allowed.push_back(static_cast<char16_t>(c));
  EXPECT_EQ(allowed, u"ABCDEFGHJKLMNOPQRSTUVWXabcdefghjklmnopqrstuvwx");
}

TEST(HotkeyLetterTest, NormalizeTakesTheFirstRuleThatHolds) {
  EXPECT_EQ(NormalizeHotkeyLetter(u'q', u'C', u""), u'Q');
  EXPECT_EQ(NormalizeHotkeyLetter(u'Q', u'c', u"Q"), u'C');
  EXPECT_EQ(NormalizeHotkeyLetter(u'Q', u'C', u"QC"), u'A');
  EXPECT_EQ(NormalizeHotkeyLetter(u'Q', u'C', u"QCAB"), u'D');
  EXPECT_EQ(NormalizeHotkeyLetter(u'Q', u'Z', u"Q"), u'A'); // a reserved default is skipped too
  // Membership is exact: a lower-case letter in the list does not block its upper case.
  EXPECT_EQ(NormalizeHotkeyLetter(u'q', u'C', u"q"), u'Q');
  const std::u16string all = u"ABCDEFGHJKLMNOPQRSTUVWX";
  EXPECT_EQ(NormalizeHotkeyLetter(u'Q', u'c', all), u'C'); // everything taken: the default
  EXPECT_EQ(NormalizeHotkeyLetter(u'Q', u'c', std::u16string_view(u"\0", 1)), u'Q');
}

} // namespace
} // namespace tarvel
