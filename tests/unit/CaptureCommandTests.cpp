// The screen commands of the hotkeys: what reaches the clipboard, the history, the
// display, the balloon and the log, and in which order.
#include <gtest/gtest.h>

#include "MainFormFixture.h"
#include "core/Text.h"

namespace tarvel {
namespace {

const std::u16string Stamp = u"2026-03-01 14:05:09 - ";
constexpr unsigned VkEscape = 27;

class ScreenCommandTest : public MainFormTest {
protected:
  ScreenCommandTest() : MainFormTest(false) {
    FRegistry.PutDword(SettingsKeyPath, u"ShowNotifications", 1);
    Start();
    FForm.TrayIcon()->OnShowBalloon = [this] { FBalloons.push_back(FForm.TrayIcon()->BalloonHint); };
    FScreen.PaintCoordinates({-320, 0, 320, 400});
    FStartLog = FForm.LogLines().size();
  }

  std::vector<std::u16string> NewLog() const {
    const auto& lines = FForm.LogLines();
    return {lines.begin() + static_cast<std::ptrdiff_t>(FStartLog), lines.end()};
  }
  // Each capture gets a balloon of its own.
  void Later() { FClock.Advance(2500); }
  // The image on the clipboard, as a program pasting it sees it.
  std::optional<TBitmap32> ClipboardImage() {
    FClipboard.Open();
    auto image = FClipboard.ReadBitmap();
    FClipboard.Close();
    return image;
  }

  std::vector<std::u16string> FBalloons;
  std::size_t FStartLog = 0;
};

TEST_F(ScreenCommandTest, FullScreenBecomesTheCurrentEntryAndTheClipboardImage) {
  FForm.WMHotKey(hkScreenFull);

  ASSERT_EQ(FForm.History()->Count(), 1);
  const TBitmap32* entry = FForm.History()->Current()->Bitmap.get();
  ASSERT_TRUE(entry);
  EXPECT_TRUE(entry->SamePixels(FScreen.Pixels));
  const std::optional<TBitmap32> pasted = ClipboardImage();
  ASSERT_TRUE(pasted);
  EXPECT_EQ(pasted->Width(), 640);
  EXPECT_EQ(pasted->Height(), 400);
  // Clipboard first, then history and display, balloon, log.
  EXPECT_EQ(NewLog(), (std::vector<std::u16string>{Stamp + u"System clipboard updated: image 640x400",
                                                   Stamp + u"Full screen captured: 640x400"}));
  EXPECT_EQ(FBalloons, std::vector<std::u16string>{u"Full screenshot copied"});
  ASSERT_TRUE(FForm.Image1.Picture());
  EXPECT_EQ(FForm.Image1.Picture()->Width(), 640);
  EXPECT_EQ(FForm.Label1.Caption().substr(0, 5), u"1 / 1");

  // The write's own notification is not taken as an outside copy.
  DeliverClipboardNotifications();
  EXPECT_EQ(FForm.History()->Count(), 1);
}

TEST_F(ScreenCommandTest, TheSameScreenTwiceGivesTwoEntries) {
  FForm.WMHotKey(hkScreenFull);
  Later();
  FForm.WMHotKey(hkScreenFull);
  EXPECT_EQ(FForm.History()->Count(), 2);
  EXPECT_EQ(FBalloons.size(), 2u);
}

TEST_F(ScreenCommandTest, AClipboardThatRefusesTheImageStopsTheCommandWithItsError) {
  FClipboard.Refused.insert(cfBitmap);
  EXPECT_THROW(FForm.WMHotKey(hkScreenFull), EClipboardError);
  EXPECT_EQ(FForm.History()->Count(), 0);
  EXPECT_TRUE(NewLog().empty());
  EXPECT_TRUE(FBalloons.empty());
}

TEST_F(ScreenCommandTest, ASelectedBoxIsCutFromTheScreenAsItWasWhenTheOverlayOpened) {
  FOverlay.Script = TFakeSelectionOverlay::Drag({100, 100}, {300, 250});
  FOverlay.WhileOpen = [this] { FScreen.Pixels.Fill(0xFF00FF00); };
  FForm.WMHotKey(hkScreenBox);

  ASSERT_EQ(FForm.History()->Count(), 1);
  const TBitmap32* entry = FForm.History()->Current()->Bitmap.get();
  ASSERT_TRUE(entry);
  ASSERT_EQ(entry->Width(), 200);
  ASSERT_EQ(entry->Height(), 150);
  EXPECT_EQ(entry->Pixel(0, 0), TFakeScreen::CoordinatePixel(-220, 100));
  const std::optional<TBitmap32> pasted = ClipboardImage();
  ASSERT_TRUE(pasted);
  EXPECT_EQ(pasted->Pixel(199, 149) & 0xFFFFFF, TFakeScreen::CoordinatePixel(-21, 249) & 0xFFFFFF);
  EXPECT_EQ(NewLog(), (std::vector<std::u16string>{Stamp + u"System clipboard updated: image 200x150",
                                                   Stamp + u"Screen box captured: 200x150"}));
  EXPECT_EQ(FBalloons, std::vector<std::u16string>{u"Screenshot copied"});
}

TEST_F(ScreenCommandTest, NoBoxLogsACancelAndChangesNothing) {
  struct TCase {
    const char* Name;
    std::vector<TFakeSelectionOverlay::TAction> Script;
    bool CopyFails;
  };
  const TCase cases[] = {
      {"Escape", {TFakeSelectionOverlay::Press(VkEscape)}, false},
      {"RightClick", {TFakeSelectionOverlay::Click(TMouseButton::Right, {50, 50})}, false},
      // Accepted, but all of it beyond the screen's top-left corner.
      {"NothingOnScreen", TFakeSelectionOverlay::Drag({-40, -40}, {-10, -10}), false},
      {"ScreenNotCopied", {}, true},
  };
  FClipboard.CopyText(u"kept");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FOverlay.Script = c.Script;
    FScreen.CopyFails = c.CopyFails;
    FStartLog = FForm.LogLines().size();
    FForm.WMHotKey(hkScreenBox);
    EXPECT_EQ(NewLog(), std::vector<std::u16string>{Stamp + u"Screen box selection cancelled"});
  }
  EXPECT_EQ(FOverlay.Runs, 3);
  EXPECT_EQ(FForm.History()->Count(), 0);
  EXPECT_EQ(FClipboard.Text(), u"kept");
  EXPECT_TRUE(FBalloons.empty());
}

TEST_F(ScreenCommandTest, WhileTheOverlayIsOpenItsHotkeyDoesNothingAndOthersRun) {
  FOverlay.Script = TFakeSelectionOverlay::Drag({0, 0}, {64, 32});
  FOverlay.WhileOpen = [this] {
    FForm.WMHotKey(hkScreenBox); // no second overlay, no log line
    FForm.WMHotKey(hkScreenFull);
    Later();
  };
  FForm.WMHotKey(hkScreenBox);
  EXPECT_EQ(FOverlay.Runs, 1);
  const std::u16string later = u"2026-03-01 14:05:11 - ";
  ASSERT_EQ(FForm.History()->Count(), 2);
  EXPECT_EQ(FForm.History()->Items(0).Bitmap->Width(), 640);
  EXPECT_EQ(FForm.History()->Items(1).Bitmap->Width(), 64);
  EXPECT_EQ(NewLog(), (std::vector<std::u16string>{
                          Stamp + u"System clipboard updated: image 640x400", Stamp + u"Full screen captured: 640x400",
                          later + u"System clipboard updated: image 64x32", later + u"Screen box captured: 64x32"}));

  // Closed again, the hotkey opens it.
  FOverlay.WhileOpen = nullptr;
  FForm.WMHotKey(hkScreenBox);
  EXPECT_EQ(FOverlay.Runs, 2);
}

// Ctrl+Shift+C and Ctrl+Shift+I over a screen painted with its coordinates, a window at
// (-100, 50)-(300, 250) and the element under the cursor at (100, 200)-(180, 230).
class UnderCursorCommandTest : public ScreenCommandTest {
protected:
  UnderCursorCommandTest() {
    FScreen.Cursor = TPoint{120, 210};
    FScreen.Windows = {{-100, 50, 300, 250}};
  }

  // The current entry is the screen's pixels over ARect, on the clipboard too.
  void ExpectImageOf(const TRect& ARect) {
    ASSERT_TRUE(FForm.History()->Current());
    const TBitmap32* entry = FForm.History()->Current()->Bitmap.get();
    ASSERT_TRUE(entry);
    ASSERT_EQ(entry->Width(), ARect.Width());
    ASSERT_EQ(entry->Height(), ARect.Height());
    EXPECT_EQ(entry->Pixel(0, 0), TFakeScreen::CoordinatePixel(ARect.Left, ARect.Top));
    EXPECT_EQ(entry->Pixel(ARect.Width() - 1, ARect.Height() - 1),
              TFakeScreen::CoordinatePixel(ARect.Right - 1, ARect.Bottom - 1));
    const std::optional<TBitmap32> pasted = ClipboardImage();
    ASSERT_TRUE(pasted);
    EXPECT_EQ(pasted->Width(), ARect.Width());
    const std::u16string count = IntToStr(FForm.History()->Count());
    EXPECT_EQ(FForm.Label1.Caption().substr(0, 5), count + u" / " + count);
  }
};

TEST_F(UnderCursorCommandTest, ATextIsCopiedAsTheControlGaveItAndAgainAsASecondEntry) {
  FUia.Element.Name = u"OK";
  FForm.WMHotKey(hkCopyUnderCursor);
  ASSERT_EQ(FForm.History()->Count(), 1);
  EXPECT_EQ(FForm.History()->Current()->Text, u"OK");
  EXPECT_EQ(FClipboard.Text(), u"OK");
  EXPECT_EQ(NewLog(), (std::vector<std::u16string>{Stamp + u"System clipboard updated: text OK",
                                                   Stamp + u"UIA text captured: OK"}));
  EXPECT_EQ(FBalloons, std::vector<std::u16string>{u"Copied text"});
  EXPECT_EQ(FForm.Label1.Caption().substr(0, 5), u"1 / 1");
  DeliverClipboardNotifications();

  Later();
  FForm.WMHotKey(hkCopyUnderCursor);
  EXPECT_EQ(FForm.History()->Count(), 2);
  EXPECT_EQ(FForm.History()->Items(0).Text, u"OK");
}

TEST_F(UnderCursorCommandTest, AValueKeepsItsSpacesAndALongTextIsLoggedAsAPreview) {
  const std::u16string text = u"  hello  \r\n" + std::u16string(200, u'x');
  FUia.Element.Value = text;
  FForm.WMHotKey(hkCopyUnderCursor);
  EXPECT_EQ(FClipboard.Text(), text);
  EXPECT_EQ(FForm.History()->Current()->Text, text);
  EXPECT_EQ(NewLog().back(), Stamp + u"UIA text captured: " + MakePreviewText(text, 80));
}

TEST_F(UnderCursorCommandTest, WithoutTextTheControlIsCopiedAsAnImage) {
  struct TCase {
    const char* Name;
    void (*Arrange)(TFakeUiaSystem&);
    TRect Expected;
  };
  const TCase cases[] = {
      {"a password field",
       [](TFakeUiaSystem& u) {
         u.Element.Password = true;
         u.Element.Name = u"Password";
       },
       {100, 200, 180, 230}},
      {"a picture without any text", [](TFakeUiaSystem&) {}, {100, 200, 180, 230}},
      // No element: the window under the cursor.
      {"the automation class missing", [](TFakeUiaSystem& u) { u.ClassMissing = true; }, {-100, 50, 300, 250}},
      {"a 5-pixel element",
       [](TFakeUiaSystem& u) {
         u.Element.Rect = TRect{100, 200, 300, 205};
       },
       {-100, 50, 300, 250}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FUia = TFakeUiaSystem{};
    c.Arrange(FUia);
    FBalloons.clear();
    FStartLog = FForm.LogLines().size();
    FForm.WMHotKey(hkCopyUnderCursor);
    ExpectImageOf(c.Expected);
    const std::u16string size = IntToStr(c.Expected.Width()) + u"x" + IntToStr(c.Expected.Height());
    std::vector<std::u16string> log = NewLog();
    for (std::u16string& line : log)
      line.erase(0, Stamp.size());
    EXPECT_EQ(log,
              (std::vector<std::u16string>{u"System clipboard updated: image " + size, u"Image captured: " + size}));
    EXPECT_EQ(FBalloons, std::vector<std::u16string>{u"Copied image"});
    EXPECT_FALSE(FUia.Element.Password.value_or(false) && FUia.Asked("name")) << "a password field was read";
    Later();
  }
}

TEST_F(UnderCursorCommandTest, TheControlImageIgnoresTheTextAndFallsBackToTheWindow) {
  FUia.Element.Name = u"OK";
  FForm.WMHotKey(hkControlImage);
  ExpectImageOf({100, 200, 180, 230});
  EXPECT_FALSE(FUia.Asked("name"));
  EXPECT_EQ(NewLog(), (std::vector<std::u16string>{Stamp + u"System clipboard updated: image 80x30",
                                                   Stamp + u"Forced image captured: 80x30"}));
  EXPECT_EQ(FBalloons, std::vector<std::u16string>{u"Copied image"});

  Later();
  FUia.NoElement = true;
  FForm.WMHotKey(hkControlImage);
  ExpectImageOf({-100, 50, 300, 250});
}

} // namespace
} // namespace tarvel
