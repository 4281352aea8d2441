// The main window's side of OCR: the hot key, its overlay shared with the screen box, the
// recognized text published, and the settings card's language list and choice.
#include <gtest/gtest.h>

#include "MainFormFixture.h"
#include "core/Text.h"

namespace tarvel {
namespace {

class OcrRoutingTest : public MainFormTest {
protected:
  OcrRoutingTest() {
    FScreen.PaintCoordinates({0, 0, 800, 600});
    FOverlay.Script = TFakeSelectionOverlay::Drag({10, 10}, {210, 60});
    FOcrRuntime.Lines = {{{false, TFakeOcrRuntime::Words({u"Hello", u"OCR"}), u""}}};
  }
  void FinishRecognition() {
    ASSERT_TRUE(FDispatcher.WaitForPending(1));
    FDispatcher.JoinBackground();
    FDispatcher.RunPending();
  }
  bool Logged(const std::u16string& AText) const {
    for (const std::u16string& line : FForm.LogLines())
      if (line.find(AText) != std::u16string::npos)
        return true;
    return false;
  }
};

TEST_F(OcrRoutingTest, TheHotKeysTextLandsOnTheClipboardAndInTheHistory) {
  FForm.WMHotKey(hkOcr);
  EXPECT_TRUE(FForm.OcrCommand().Running());
  FinishRecognition();
  EXPECT_EQ(FClipboard.Text(), u"Hello OCR");
  ASSERT_EQ(FForm.History()->Count(), 1);
  EXPECT_EQ(FForm.History()->Current()->Text, u"Hello OCR");
  EXPECT_EQ(FForm.Label1.Caption().substr(0, 5), u"1 / 1");
  EXPECT_TRUE(Logged(u"- OCR completed: Hello OCR"));
  EXPECT_TRUE(Logged(u"- [OCR] ")) << "the recognition's diagnostics";
  // Tarvel's own write is not captured a second time.
  DeliverClipboardNotifications();
  EXPECT_EQ(FForm.History()->Count(), 1);
}

TEST_F(OcrRoutingTest, OneOverlayAtATime) {
  // OCR's hot key over its own overlay says so; the screen box's opens nothing.
  FOverlay.WhileOpen = [this] {
    FOverlay.WhileOpen = nullptr;
    FForm.WMHotKey(hkOcr);
    FForm.WMHotKey(hkScreenBox);
  };
  FForm.WMHotKey(hkOcr);
  EXPECT_EQ(FOverlay.Runs, 1);
  EXPECT_TRUE(Logged(u"- OCR ignored: processing already in progress"));
  FinishRecognition();

  // Over the screen box's overlay OCR's hot key opens nothing either.
  FOverlay.WhileOpen = [this] {
    FOverlay.WhileOpen = nullptr;
    FForm.WMHotKey(hkOcr);
  };
  const std::size_t lines = FForm.LogLines().size();
  FForm.WMHotKey(hkScreenBox);
  EXPECT_EQ(FOverlay.Runs, 2);
  EXPECT_FALSE(FForm.OcrCommand().Running());
  EXPECT_EQ(FForm.LogLines().size(), lines + 2) << "the capture's two lines only";
}

TEST_F(OcrRoutingTest, TheLanguageListTheChoiceAndTheWarning) {
  FOcrRuntime.Languages =
      std::vector<TOcrLanguageInfo>{{u"en-US", u"English (United States)"}, {u"it-IT", u"Italiano"}};
  FForm.LoadOcrLanguages(u"IT-IT");
  EXPECT_EQ(FForm.cmbLanguageOCR.Items(),
            (std::vector<std::u16string>{u"Auto - Windows profile", u"en-US | English (United States)",
                                         u"it-IT | Italiano"}));
  EXPECT_EQ(FForm.cmbLanguageOCR.ItemIndex(), 2);
  EXPECT_EQ(FForm.GetSelectedOcrLanguageTag(), u"it-IT");
  EXPECT_TRUE(Logged(u"- Available OCR languages: en-US, it-IT"));
  EXPECT_TRUE(FDialogs.Warnings.empty());

  // The user's choice is stored and said.
  FForm.cmbLanguageOCR.UserSelect(1);
  const TRegValue* stored = FRegistry.Find(SettingsKeyPath, u"OcrLanguageTag");
  ASSERT_TRUE(stored);
  EXPECT_EQ(FromUtf16LeBytes(stored->Data.data(), stored->Data.size()), u"en-US");
  EXPECT_EQ(FForm.LogLines().back().substr(22), u"OCR language set: en-US | English (United States)");
  FForm.cmbLanguageOCR.UserSelect(0);
  stored = FRegistry.Find(SettingsKeyPath, u"OcrLanguageTag");
  EXPECT_EQ(FromUtf16LeBytes(stored->Data.data(), stored->Data.size()), u"");

  // No language installed: the warning, once per run.
  FOcrRuntime.Languages = std::vector<TOcrLanguageInfo>{};
  FForm.LoadOcrLanguages(u"en-US");
  FForm.LoadOcrLanguages(u"en-US");
  EXPECT_EQ(FForm.cmbLanguageOCR.Items(), std::vector<std::u16string>{u"Auto - Windows profile"});
  EXPECT_EQ(FForm.GetSelectedOcrLanguageTag(), u"");
  ASSERT_EQ(FDialogs.Warnings.size(), 1u);
  EXPECT_EQ(FDialogs.Warnings[0], OcrInstallWarningText());
  EXPECT_TRUE(Logged(u"- Available OCR languages: none"));
  EXPECT_TRUE(Logged(u"- No OCR language available: showing installation instructions"));
}

} // namespace
} // namespace tarvel
