// What the accessibility layer gives for the element under the cursor: the order name,
// value, document; the blank test; the password rule; the apartment; and that every
// failure is a plain false with every object released.
#include <gtest/gtest.h>

#include "capture/TextUnderCursor.h"
#include "fakes/FakeScreen.h"
#include "fakes/FakeUiAutomation.h"

namespace tarvel {
namespace {

constexpr std::int32_t SOk = 0;
constexpr std::int32_t SFalse = 1;
constexpr std::int32_t RpcEChangedMode = static_cast<std::int32_t>(0x80010106u);
constexpr std::int32_t EOutOfMemory = static_cast<std::int32_t>(0x8007000Eu);
constexpr TRect Field{100, 200, 180, 230};

struct TTextCase {
  const char* Name;
  void (*Arrange)(TFakeUiaSystem&, TFakeScreen&);
  bool Found;
  std::u16string Text;
  TRect Rect;
};

void PrintTo(const TTextCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class TextUnderCursorTest : public testing::TestWithParam<TTextCase> {};

TEST_P(TextUnderCursorTest, GivesTheFirstNonBlankTextAndTheElementsRectangle) {
  const TTextCase& c = GetParam();
  TFakeUiaSystem uia;
  TFakeScreen screen;
  c.Arrange(uia, screen);
  std::u16string text = u"stale";
  TRect rect{1, 2, 3, 4};
  EXPECT_EQ(GetTextUnderCursor(uia, screen, text, rect), c.Found);
  EXPECT_EQ(text, c.Text);
  EXPECT_EQ(rect, c.Rect);
  EXPECT_EQ(uia.Alive, 0) << "an object was not released";
  const int joins = uia.InitializeResult >= 0 ? 1 : 0;
  EXPECT_EQ(uia.Uninitialized, joins);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextUnderCursorTest,
    testing::Values(
        TTextCase{"a button named OK", [](TFakeUiaSystem& u, TFakeScreen&) { u.Element.Name = u"OK"; }, true, u"OK",
                  Field},
        TTextCase{"an unnamed edit keeps its value's spaces",
                  [](TFakeUiaSystem& u, TFakeScreen&) { u.Element.Value = u"  hello  "; }, true, u"  hello  ", Field},
        TTextCase{"a name wins over the value",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.Element.Name = u"User name:";
                    u.Element.Value = u"jo";
                  },
                  true, u"User name:", Field},
        TTextCase{"a document from the Text pattern, whole",
                  [](TFakeUiaSystem& u, TFakeScreen&) { u.Element.Document = u"line one\r\nline two\r\n"; }, true,
                  u"line one\r\nline two\r\n", Field},
        TTextCase{"a blank-only name counts as none",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.Element.Name = u" \t\r\n ";
                    u.Element.Value = u"42";
                  },
                  true, u"42", Field},
        TTextCase{"a failing name falls through to the value",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.Element.Name.reset();
                    u.Element.Value = u"v";
                  },
                  true, u"v", Field},
        TTextCase{"a blank value falls through to the document",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.Element.Value = u"   ";
                    u.Element.Document = u"doc";
                  },
                  true, u"doc", Field},
        TTextCase{"a value pattern without its interface falls through",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.Element.Value = u"v";
                    u.Element.ValueInterfaceMissing = true;
                    u.Element.Document = u"doc";
                  },
                  true, u"doc", Field},
        TTextCase{"a failing value call falls through",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.Element.Value = u"v";
                    u.Element.ValueCallFails = true;
                    u.Element.Document = u"doc";
                  },
                  true, u"doc", Field},
        TTextCase{"a password field gives no text but its rectangle",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.Element.Password = true;
                    u.Element.Name = u"Password";
                    u.Element.Value = u"secret";
                  },
                  false, u"", Field},
        TTextCase{"a failing password query reads on",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.Element.Password.reset();
                    u.Element.Name = u"OK";
                  },
                  true, u"OK", Field},
        TTextCase{"no text anywhere: false with the rectangle",
                  [](TFakeUiaSystem& u, TFakeScreen&) { u.Element.Document = u"\r\n"; }, false, u"", Field},
        TTextCase{"a document without a range",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.Element.Document = u"doc";
                    u.Element.DocumentRangeMissing = true;
                  },
                  false, u"", Field},
        TTextCase{"a failing GetText",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.Element.Document = u"doc";
                    u.Element.GetTextFails = true;
                  },
                  false, u"", Field},
        TTextCase{"a rectangle that cannot be read stays zero",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.Element.Rect.reset();
                    u.Element.Name = u"OK";
                  },
                  true, u"OK", TRect{}},
        TTextCase{"an error raised by the layer is a false with the rectangle kept",
                  [](TFakeUiaSystem& u, TFakeScreen&) { u.Element.NameThrows = true; }, false, u"", Field},
        TTextCase{"no element at the point", [](TFakeUiaSystem& u, TFakeScreen&) { u.NoElement = true; }, false, u"",
                  TRect{}},
        TTextCase{"no cursor position", [](TFakeUiaSystem&, TFakeScreen& s) { s.Cursor.reset(); }, false, u"", TRect{}},
        TTextCase{"the automation class missing", [](TFakeUiaSystem& u, TFakeScreen&) { u.ClassMissing = true; }, false,
                  u"", TRect{}},
        TTextCase{"the class without the automation interface",
                  [](TFakeUiaSystem& u, TFakeScreen&) { u.InterfaceMissing = true; }, false, u"", TRect{}},
        TTextCase{"a thread already in its apartment",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.InitializeResult = SFalse;
                    u.Element.Name = u"OK";
                  },
                  true, u"OK", Field},
        TTextCase{"a thread in the multithreaded apartment still reads",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.InitializeResult = RpcEChangedMode;
                    u.Element.Name = u"OK";
                  },
                  true, u"OK", Field},
        TTextCase{"any other apartment failure ends at once",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.InitializeResult = EOutOfMemory;
                    u.Element.Name = u"OK";
                  },
                  false, u"", TRect{}}));

TEST(TextUnderCursorOrderTest, APasswordFieldIsNeverAskedForItsText) {
  TFakeUiaSystem uia;
  TFakeScreen screen;
  uia.Element.Password = true;
  uia.Element.Name = u"Password";
  uia.Element.Value = u"secret";
  uia.Element.Document = u"secret";
  std::u16string text;
  TRect rect;
  EXPECT_FALSE(GetTextUnderCursor(uia, screen, text, rect));
  EXPECT_EQ(uia.Calls, (std::vector<std::string>{"initialize", "create", "element from point", "rectangle", "password",
                                                 "uninitialize"}));
}

TEST(TextUnderCursorOrderTest, AsksAtTheCursorInOrderAndReleasesEverything) {
  TFakeUiaSystem uia;
  TFakeScreen screen;
  screen.Cursor = TPoint{-300, 40}; // a monitor left of the primary one
  uia.Element.Value = u" ";
  uia.Element.Document = u"doc";
  std::u16string text;
  TRect rect;
  ASSERT_TRUE(GetTextUnderCursor(uia, screen, text, rect));
  EXPECT_EQ(uia.AskedAt, (TPoint{-300, 40}));
  EXPECT_EQ(uia.Calls, (std::vector<std::string>{"initialize", "create", "element from point", "rectangle", "password",
                                                 "name", "pattern 10002", "value", "pattern 10014", "document range",
                                                 "text", "uninitialize"}));
  EXPECT_EQ(uia.Alive, 0);
  EXPECT_EQ(uia.Made, 7); // automation, element, two patterns, value, text pattern, range
}

TEST(TextUnderCursorOrderTest, EachLookupMakesItsOwnAutomationObject) {
  TFakeUiaSystem uia;
  TFakeScreen screen;
  uia.Element.Name = u"OK";
  std::u16string text;
  TRect rect;
  GetTextUnderCursor(uia, screen, text, rect);
  GetElementRectUnderCursor(uia, screen, rect);
  EXPECT_EQ(std::count(uia.Calls.begin(), uia.Calls.end(), "create"), 2);
  EXPECT_EQ(uia.Uninitialized, 2);
}

struct TRectCase {
  const char* Name;
  void (*Arrange)(TFakeUiaSystem&, TFakeScreen&);
  bool Usable;
  TRect Rect;
};

void PrintTo(const TRectCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class ElementRectTest : public testing::TestWithParam<TRectCase> {};

TEST_P(ElementRectTest, IsUsableFromEightByEight) {
  const TRectCase& c = GetParam();
  TFakeUiaSystem uia;
  TFakeScreen screen;
  c.Arrange(uia, screen);
  TRect rect{1, 2, 3, 4};
  EXPECT_EQ(GetElementRectUnderCursor(uia, screen, rect), c.Usable);
  EXPECT_EQ(rect, c.Rect);
  EXPECT_EQ(uia.Alive, 0);
  EXPECT_FALSE(uia.Asked("name")) << "the rectangle alone needs no text";
  EXPECT_FALSE(uia.Asked("password"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ElementRectTest,
    testing::Values(
        TRectCase{"a button", [](TFakeUiaSystem&, TFakeScreen&) {}, true, Field},
        TRectCase{"eight by eight",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.Element.Rect = TRect{0, 0, 8, 8};
                  },
                  true, TRect{0, 0, 8, 8}},
        TRectCase{"a 5-pixel-high element keeps its rectangle",
                  [](TFakeUiaSystem& u, TFakeScreen&) {
                    u.Element.Rect = TRect{10, 10, 210, 15};
                  },
                  false, TRect{10, 10, 210, 15}},
        TRectCase{"a password field's rectangle is fine",
                  [](TFakeUiaSystem& u, TFakeScreen&) { u.Element.Password = true; }, true, Field},
        TRectCase{"a rectangle that cannot be read", [](TFakeUiaSystem& u, TFakeScreen&) { u.Element.Rect.reset(); },
                  false, TRect{}},
        TRectCase{"no element", [](TFakeUiaSystem& u, TFakeScreen&) { u.NoElement = true; }, false, TRect{}},
        TRectCase{"no cursor", [](TFakeUiaSystem&, TFakeScreen& s) { s.Cursor.reset(); }, false, TRect{}},
        TRectCase{"the class missing", [](TFakeUiaSystem& u, TFakeScreen&) { u.ClassMissing = true; }, false, TRect{}},
        TRectCase{"a failed apartment", [](TFakeUiaSystem& u, TFakeScreen&) { u.InitializeResult = EOutOfMemory; },
                  false, TRect{}}));

TEST(ReadPatternTextTest, OnlyTheValueAndTextPatternsGiveText) {
  TFakeUiaSystem uia;
  uia.Element.Value = u"v";
  uia.Element.Document = u"d";
  const auto automation = CreateUIAutomation(uia);
  const auto element = automation->ElementFromPoint({0, 0});
  std::u16string text = u"stale";
  EXPECT_FALSE(ReadPatternText(*element, 10001, text)); // the pattern object exists, but is no text pattern
  EXPECT_EQ(text, u"");
  EXPECT_TRUE(ReadPatternText(*element, UiaValuePatternId, text));
  EXPECT_EQ(text, u"v");
  EXPECT_TRUE(ReadPatternText(*element, UiaTextPatternId, text));
  EXPECT_EQ(text, u"d");
}

TEST(CreateUIAutomationTest, RaisesWhenTheClassOrItsInterfaceIsMissing) {
  TFakeUiaSystem uia;
  uia.ClassMissing = true;
  EXPECT_THROW(CreateUIAutomation(uia), EOSError);
  uia.ClassMissing = false;
  uia.InterfaceMissing = true;
  EXPECT_THROW(CreateUIAutomation(uia), EError);
}

TEST(HasNonBlankTextTest, CharactersUpToSpaceAreBlank) {
  EXPECT_FALSE(HasNonBlankText(u""));
  EXPECT_FALSE(HasNonBlankText(u" \t\r\n"));
  EXPECT_FALSE(HasNonBlankText(std::u16string(u"\0\x01\x1F ", 4)));
  EXPECT_TRUE(HasNonBlankText(u" a "));
  EXPECT_TRUE(HasNonBlankText(u"\x21"));
  EXPECT_TRUE(HasNonBlankText(u"\u00A0")); // a no-break space is text
}

} // namespace
} // namespace tarvel
