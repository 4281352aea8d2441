// The screen commands of the hotkeys: what reaches the clipboard, the history, the
// display, the balloon and the log, and in which order.
#include <gtest/gtest.h>

#include "MainFormFixture.h"

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

} // namespace
} // namespace tarvel
