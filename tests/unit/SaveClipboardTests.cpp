// Saving the clipboard's text, HTML or image to a file.
#include <gtest/gtest.h>

#include <string>

#include "JpegReader.h"
#include "MainFormFixture.h"
#include "clipboard/ClipboardSave.h"
#include "core/Jpeg.h"
#include "core/Text.h"

namespace tarvel {
namespace {

struct TOffsetCase {
  std::u16string Header;
  int Expected;
};

class ReadHtmlHeaderOffsetTest : public testing::TestWithParam<TOffsetCase> {};

TEST_P(ReadHtmlHeaderOffsetTest, ReadsTheNumberAfterTheLabel) {
  EXPECT_EQ(ReadHtmlHeaderOffset(GetParam().Header, u"StartHTML:"), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadHtmlHeaderOffsetTest,
                         testing::Values(TOffsetCase{u"Version:0.9\r\nStartHTML:0000000105\r\n", 105},
                                         TOffsetCase{u"StartHTML: \t42x", 42}, TOffsetCase{u"StartHTML:-1\r\n", -1},
                                         TOffsetCase{u"StartHTML:\r\n12", -1}, TOffsetCase{u"EndHTML:12", -1},
                                         TOffsetCase{u"starthtml:12", -1},
                                         TOffsetCase{u"StartHTML:2147483647", 2147483647},
                                         TOffsetCase{u"StartHTML:2147483648", -1},
                                         TOffsetCase{u"StartHTML:99999999999999999999", -1},
                                         TOffsetCase{u"StartHTML:7 StartHTML:9", 7}, TOffsetCase{u"", -1}));

std::vector<std::uint8_t> Bytes(std::string_view AText) {
  return {AText.begin(), AText.end()};
}

// "HTML Format" data as browsers write it, with the offsets worked out.
std::vector<std::uint8_t> HtmlFormat(const std::string& ADocument, int AStartDelta = 0, int AEndDelta = 0) {
  const std::string header = "Version:0.9\r\nStartHTML:0000000000\r\nEndHTML:0000000000\r\n";
  const std::size_t start = header.size();
  const std::size_t end = start + ADocument.size();
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "%010d", static_cast<int>(start) + AStartDelta);
  std::string data = header;
  data.replace(data.find("StartHTML:") + 10, 10, numbers);
  std::snprintf(numbers, sizeof numbers, "%010d", static_cast<int>(end) + AEndDelta);
  data.replace(data.find("EndHTML:") + 8, 10, numbers);
  return Bytes(data + ADocument);
}

TEST(ClipboardHtmlTest, ExtractsTheDocumentPartBetweenTheOffsets) {
  const std::string document = "<html><body><!--StartFragment-->Gr\xC3\xBC\xC3\x9F<!--EndFragment--></body></html>";
  auto data = HtmlFormat(document);
  data.insert(data.end(), 5, 0); // a block rounded up with zeros
  EXPECT_EQ(ToUtf8(ExtractClipboardHtml(data)), document);
}

TEST(ClipboardHtmlTest, UnusableOffsetsFallBackSoundly) {
  const std::string document = "<p>x</p>";
  // EndHTML past the data: up to the end (zeros excluded).
  auto beyond = HtmlFormat(document, 0, 1000);
  beyond.push_back(0);
  EXPECT_EQ(ToUtf8(ExtractClipboardHtml(beyond)), document);
  // StartHTML -1, missing, past the end or not before EndHTML: the whole data.
  const std::string noStart = "Version:0.9\r\nStartHTML:-1\r\n<p>y</p>";
  EXPECT_EQ(ToUtf8(ExtractClipboardHtml(Bytes(noStart))), noStart);
  EXPECT_EQ(ToUtf8(ExtractClipboardHtml(Bytes("<b>plain</b>"))), "<b>plain</b>");
  const auto past = HtmlFormat(document, 5000);
  EXPECT_EQ(ExtractClipboardHtml(past).size(), past.size());
  const auto crossed = HtmlFormat(document, 4, -8);
  EXPECT_EQ(ExtractClipboardHtml(crossed).size(), crossed.size());
  EXPECT_EQ(ExtractClipboardHtml({}), u"");
}

TEST(ClipboardHtmlTest, BrokenUtf8AndOffsetsInsideACharacterDecodeWithoutFailing) {
  auto data = HtmlFormat("<p>\xC3\xBC\xFF\xFE</p>", 4); // starts inside the two-byte character
  const std::u16string html = ExtractClipboardHtml(data);
  EXPECT_EQ(html.substr(0, 1), u"\uFFFD");
  EXPECT_NE(html.find(u"</p>"), std::u16string::npos);
}

struct TChoiceCase {
  std::u16string FileName;
  int FilterIndex;
  bool Html;
  std::u16string Ensured;
};

class SaveChoiceTest : public testing::TestWithParam<TChoiceCase> {};

TEST_P(SaveChoiceTest, ExtensionWinsOverFilter) {
  const bool html = IsHtmlSaveChoice(GetParam().FileName, GetParam().FilterIndex);
  EXPECT_EQ(html, GetParam().Html);
  EXPECT_EQ(EnsureSaveExtension(GetParam().FileName, html), GetParam().Ensured);
}

INSTANTIATE_TEST_SUITE_P(Cases, SaveChoiceTest,
                         testing::Values(TChoiceCase{u"C:\\d\\page.HTML", 1, true, u"C:\\d\\page.HTML"},
                                         TChoiceCase{u"C:\\d\\page.htm", 1, true, u"C:\\d\\page.htm"},
                                         TChoiceCase{u"C:\\d\\note.TXT", 2, false, u"C:\\d\\note.TXT"},
                                         TChoiceCase{u"C:\\d\\name", 2, true, u"C:\\d\\name.htm"},
                                         TChoiceCase{u"C:\\d\\name", 1, false, u"C:\\d\\name.txt"},
                                         TChoiceCase{u"C:\\d\\notes.md", 2, true, u"C:\\d\\notes.md"},
                                         TChoiceCase{u"C:\\d\\notes.md", 1, false, u"C:\\d\\notes.md"},
                                         // A dot in a folder name is no extension.
                                         TChoiceCase{u"C:\\my.htm\\name", 1, false, u"C:\\my.htm\\name.txt"}));

TEST(ClipboardSaveTest, BaseNameCarriesTheTimeToTheMillisecond) {
  TFakeClock clock;
  clock.Time = {2026, 3, 1, 14, 5, 9, 42};
  EXPECT_EQ(MakeClipboardFileBaseName(clock), u"clipboard-20260301_140509_042");
}

TEST(ClipboardSaveTest, DesktopFolderFallsBackToApplicationData) {
  TFakeShell shell;
  EXPECT_EQ(GetDesktopFolder(shell), u"C:\\Users\\me\\Desktop");
  shell.Folders.erase(sfDesktop);
  EXPECT_EQ(GetDesktopFolder(shell), u"C:\\Users\\me\\AppData\\Roaming");
  shell.Folders.clear();
  EXPECT_EQ(GetDesktopFolder(shell), u"");
  EXPECT_EQ(JoinPath(u"", u"f.txt"), u"f.txt");
  EXPECT_EQ(JoinPath(u"C:\\", u"f.txt"), u"C:\\f.txt");
  EXPECT_EQ(JoinPath(u"C:\\d", u"f.txt"), u"C:\\d\\f.txt");
}

// Width, height and component count of a baseline JPEG's frame header.
struct TJpegFrame {
  int Width = 0, Height = 0, Components = 0;
};

TJpegFrame ReadJpegFrame(const std::vector<std::uint8_t>& AData) {
  for (std::size_t i = 2; i + 9 < AData.size();) {
    if (AData[i] != 0xFF)
      break;
    const int marker = AData[i + 1];
    const std::size_t length = static_cast<std::size_t>(AData[i + 2] << 8 | AData[i + 3]);
    if (marker == 0xC0)
      return {AData[i + 7] << 8 | AData[i + 8], AData[i + 5] << 8 | AData[i + 6], AData[i + 9]};
    i += 2 + length;
  }
  return {};
}

class SaveClipboardTest : public MainFormTest {
protected:
  SaveClipboardTest() : MainFormTest(false) {
    FRegistry.PutDword(SettingsKeyPath, u"ShowNotifications", 1);
    Start();
    FForm.TrayIcon()->OnShowBalloon = [this] { FBalloons.push_back(FForm.TrayIcon()->BalloonHint); };
    FLogStart = FForm.LogLines().size();
  }
  void PutTextAndHtml(const std::u16string& AText, const std::vector<std::uint8_t>& AHtml) {
    FClipboard.CopyFormats(
        {{cfUnicodeText, TFakeClipboard::TextBytes(AText)}, {FClipboard.RegisterFormat(u"HTML Format"), AHtml}});
  }
  std::vector<std::u16string> NewLog() const {
    return {FForm.LogLines().begin() + static_cast<std::ptrdiff_t>(FLogStart), FForm.LogLines().end()};
  }
  std::string FileText(const std::u16string& APath) const {
    const auto& bytes = FShell.Files.at(APath);
    return std::string(bytes.begin(), bytes.end());
  }

  const std::u16string FDesktop = u"C:\\Users\\me\\Desktop\\clipboard-20260301_140509_000";
  std::vector<std::u16string> FBalloons;
  std::size_t FLogStart = 0;
};

TEST_F(SaveClipboardTest, HotkeySavesTextAsUtf8WithBomOnTheDesktop) {
  FClipboard.CopyText(u"Zeile 1\r\nGrüße\n");
  FForm.WMHotKey(hkSave);
  ASSERT_EQ(FShell.Files.size(), 1u);
  EXPECT_EQ(FileText(FDesktop + u".txt"), "\xEF\xBB\xBFZeile 1\r\nGr\xC3\xBC\xC3\x9F"
                                          "e\n");
  EXPECT_EQ(NewLog(), std::vector<std::u16string>{u"2026-03-01 14:05:09 - Clipboard saved: " + FDesktop + u".txt"});
  EXPECT_EQ(FBalloons, std::vector<std::u16string>{u"Clipboard saved"});
  EXPECT_TRUE(FDialogs.SaveShown.empty());
  EXPECT_EQ(FForm.Label1.Caption(), u"0 / 0") << "the history is not touched";
}

TEST_F(SaveClipboardTest, HotkeySavesTheHtmlDocumentPartWhenPresent) {
  const std::string document = "<html><body>caf\xC3\xA9</body></html>";
  PutTextAndHtml(u"café", HtmlFormat(document));
  FForm.WMHotKey(hkSave);
  EXPECT_EQ(FileText(FDesktop + u".htm"), "\xEF\xBB\xBF" + document);
}

TEST_F(SaveClipboardTest, BlankHtmlCountsAsAbsent) {
  PutTextAndHtml(u"text", HtmlFormat(" \r\n "));
  FForm.WMHotKey(hkSave);
  EXPECT_EQ(FileText(FDesktop + u".txt"), "\xEF\xBB\xBFtext");
}

TEST_F(SaveClipboardTest, AnImageIsSavedAsA24BitJpegOfItsSize) {
  TBitmap32 image(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      image.SetPixel(x, y, 0xFF000000u | static_cast<std::uint32_t>(x * 4 << 16 | y * 5 << 8));
  FClipboard.CopyImage(image);
  FForm.WMHotKey(hkSave);
  const auto& jpeg = FShell.Files.at(FDesktop + u".jpg");
  ASSERT_GE(jpeg.size(), 4u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  const TJpegFrame frame = ReadJpegFrame(jpeg);
  EXPECT_EQ(frame.Width, 64);
  EXPECT_EQ(frame.Height, 48);
  EXPECT_EQ(frame.Components, 3);
  EXPECT_EQ(NewLog().back(), u"2026-03-01 14:05:09 - Clipboard image saved: " + FDesktop + u".jpg");
}

TEST_F(SaveClipboardTest, TransparentPartsAreSavedWhite) {
  TBitmap32 image(16, 16, 0x00000000u); // fully transparent black
  image.SetPixel(0, 0, 0x01000000u);    // one pixel not quite 0, so alpha counts
  const TBitmap32 white(16, 16, 0xFFFFFFFFu);
  EXPECT_EQ(EncodeBitmapForSave(image), EncodeJpeg(white, 60));
  // A fourth byte of 0 everywhere, as screen grabs have it, is no transparency.
  const TBitmap32 grab(16, 16, 0x00336699u);
  EXPECT_EQ(EncodeBitmapForSave(grab), EncodeJpeg(grab, 60));
  EXPECT_NE(EncodeBitmapForSave(grab), EncodeJpeg(white, 60));
}

// The image over white as the save has always made it: the whole image drawn at once,
// unless its fourth byte is 0xFF everywhere or 0 everywhere.
std::vector<std::uint8_t> SaveDrawnWhole(const TBitmap32& AImage) {
  bool allOpaque = true;
  bool allZero = true;
  for (int y = 0; y < AImage.Height(); ++y)
    for (int x = 0; x < AImage.Width(); ++x) {
      const std::uint32_t alpha = AImage.Pixel(x, y) >> 24;
      allOpaque = allOpaque && alpha == 0xFF;
      allZero = allZero && alpha == 0;
    }
  if (allOpaque || allZero)
    return EncodeJpeg(AImage, 60);
  TBitmap32 canvas(AImage.Width(), AImage.Height());
  for (int y = 0; y < AImage.Height(); ++y)
    for (int x = 0; x < AImage.Width(); ++x) {
      const std::uint32_t p = AImage.Pixel(x, y);
      const std::uint32_t alpha = p >> 24;
      std::uint32_t out = 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8)
        out |= ((((p >> shift) & 0xFF) * alpha + 255 * (255 - alpha) + 127) / 255) << shift;
      canvas.SetPixel(x, y, out);
    }
  return EncodeJpeg(canvas, 60);
}

// A 32 x 48 image of three bands of 16 rows, each band a left and a right half of one
// colour: JPEG keeps such areas close to their colour, so the decoded file shows what was
// drawn.
struct TBand {
  std::uint32_t Left; // 0xAARRGGBB
  std::uint32_t Right;
  std::uint32_t SavedLeft; // what the file must show
  std::uint32_t SavedRight;
};

struct TOverWhiteCase {
  const char* Name;
  TBand Bands[3];
};

class SaveOverWhiteTest : public testing::TestWithParam<TOverWhiteCase> {};

TEST_P(SaveOverWhiteTest, FileShowsTheImageOverWhiteAsWhenDrawnWhole) {
  TBitmap32 image(32, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 32; ++x) {
      const TBand& band = GetParam().Bands[y / 16];
      image.SetPixel(x, y, x < 16 ? band.Left : band.Right);
    }
  const std::vector<std::uint8_t> jpeg = EncodeBitmapForSave(image);
  EXPECT_EQ(jpeg, SaveDrawnWhole(image));
  const test::TDecodedJpeg d = test::DecodeJpeg(jpeg);
  ASSERT_EQ(d.Error, "");
  ASSERT_EQ(d.Width, 32);
  ASSERT_EQ(d.Height, 48);
  for (int b = 0; b < 3; ++b) {
    const TBand& band = GetParam().Bands[b];
    EXPECT_TRUE(test::Near(d.Pixel(6, 16 * b + 8), band.SavedLeft | 0xFF000000u, 10)) << "band " << b << " left";
    EXPECT_TRUE(test::Near(d.Pixel(25, 16 * b + 8), band.SavedRight | 0xFF000000u, 10)) << "band " << b << " right";
  }
}

constexpr std::uint32_t Red = 0xFFE02020u;
constexpr std::uint32_t Green = 0xFF20A040u;
constexpr std::uint32_t Blue = 0xFF2040C0u;
constexpr std::uint32_t White = 0xFFFFFFFFu;

constexpr std::uint32_t WithAlpha(std::uint32_t AColour, std::uint32_t AAlpha) {
  return (AColour & 0x00FFFFFFu) | AAlpha << 24;
}

const TOverWhiteCase OverWhiteCases[] = {
    {"Opaque", {{Red, Green, Red, Green}, {Blue, Red, Blue, Red}, {Green, Blue, Green, Blue}}},
    // A fourth byte of 0 everywhere, as screen grabs have it: no transparency.
    {"AlphaZeroEverywhere",
     {{WithAlpha(Red, 0), WithAlpha(Green, 0), Red, Green},
      {WithAlpha(Blue, 0), WithAlpha(Red, 0), Blue, Red},
      {WithAlpha(Green, 0), WithAlpha(Blue, 0), Green, Blue}}},
    // Rows of alpha 0 first, then alpha: those first rows are transparent after all.
    {"TransparentTopRows",
     {{WithAlpha(Red, 0), WithAlpha(Green, 0), White, White}, {Blue, Red, Blue, Red}, {Green, Blue, Green, Blue}}},
    {"TransparentBottomRows",
     {{Red, Green, Red, Green}, {Blue, Red, Blue, Red}, {WithAlpha(Green, 0), WithAlpha(Blue, 0), White, White}}},
    {"HalfTransparentFirstRow",
     {{WithAlpha(Red, 0), Green, White, Green}, {Blue, Red, Blue, Red}, {Green, Blue, Green, Blue}}},
    // Black at half alpha over white is mid grey.
    {"SemiTransparentMiddle",
     {{Red, Green, Red, Green}, {0x80000000u, WithAlpha(Blue, 0), 0xFF7F7F7Fu, White}, {Green, Blue, Green, Blue}}},
    {"AlmostOpaqueLastRows",
     {{Red, Green, Red, Green}, {Blue, Red, Blue, Red}, {WithAlpha(Green, 0xFE), Blue, 0xFF21A041u, Blue}}},
};

INSTANTIATE_TEST_SUITE_P(Cases, SaveOverWhiteTest, testing::ValuesIn(OverWhiteCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(SaveClipboardTest, FilesOrNothingAreSkipped) {
  FClipboard.CopyFiles({u"C:\\a.txt"});
  FForm.WMHotKey(hkSave);
  FClipboard.Formats.clear();
  FClock.Advance(2500);
  FForm.WMHotKey(hkSave);
  EXPECT_TRUE(FShell.Files.empty());
  ASSERT_EQ(NewLog().size(), 2u);
  EXPECT_EQ(NewLog()[0], u"2026-03-01 14:05:09 - Clipboard save skipped: unsupported or empty clipboard format");
  EXPECT_EQ(FBalloons, (std::vector<std::u16string>{u"Nothing to save", u"Nothing to save"}));
}

TEST_F(SaveClipboardTest, AnEmptyTextIsNoText) {
  FClipboard.CopyText(u"");
  FForm.WMHotKey(hkSave);
  EXPECT_TRUE(FShell.Files.empty());
  EXPECT_EQ(FBalloons, std::vector<std::u16string>{u"Nothing to save"});

  // Beside an image, the image is what is saved.
  TBitmap32 image(8, 4, 0xFF336699u);
  FClipboard.CopyFormats({{cfUnicodeText, TFakeClipboard::TextBytes(u"")}, {cfDib, EncodeDib(image)}});
  FClock.Advance(2500);
  FForm.WMHotKey(hkSave);
  const std::u16string saved = u"C:\\Users\\me\\Desktop\\clipboard-20260301_140511_500.jpg";
  EXPECT_EQ(NewLog().back(), u"2026-03-01 14:05:11 - Clipboard image saved: " + saved);
  EXPECT_EQ(ReadJpegFrame(FShell.Files.at(saved)).Width, 8);
}

TEST_F(SaveClipboardTest, ErrorsAreLoggedWithTheirClassAndNotified) {
  FClipboard.CopyText(u"x");
  FShell.FailingWrites.insert(FDesktop + u".txt");
  FForm.WMHotKey(hkSave);
  FClock.Advance(2500);
  FClipboard.HeldByOther = true;
  FForm.WMHotKey(hkSave);
  ASSERT_EQ(NewLog().size(), 2u);
  EXPECT_EQ(NewLog()[0], u"2026-03-01 14:05:09 - Clipboard save error: EFileError: Cannot create file \"" + FDesktop +
                             u".txt\". Access is denied.");
  EXPECT_EQ(NewLog()[1].substr(22), u"Clipboard save error: EClipboardError: Cannot open clipboard: Access is denied.");
  EXPECT_EQ(FBalloons, (std::vector<std::u16string>{u"Save failed", u"Save failed"}));
}

// Memory running out is one of the save's errors: a line and a balloon, as for the others.
TEST_F(SaveClipboardTest, AnImageThatFindsNoMemoryIsLoggedAndNotified) {
  FClipboard.CopyImage(TBitmap32(4, 4, 0xFF102030u));
  FClipboard.ReadOutOfMemory = true;
  FForm.WMHotKey(hkSave);
  EXPECT_EQ(NewLog(), std::vector<std::u16string>{u"2026-03-01 14:05:09 - Clipboard save error: " + OutOfMemoryText});
  EXPECT_EQ(FBalloons, std::vector<std::u16string>{u"Save failed"});
  EXPECT_TRUE(FShell.Files.empty());
}

TEST_F(SaveClipboardTest, TheDialogOffersTheNameInTheDesktopFolder) {
  FClipboard.CopyText(u"x");
  FForm.btnSave.Click();
  ASSERT_EQ(FDialogs.SaveShown.size(), 1u);
  const TSaveDialogOptions& o = FDialogs.SaveShown[0];
  EXPECT_EQ(o.Title, u"Save clipboard");
  EXPECT_EQ(o.Filter, u"Text files (*.txt)|*.txt");
  EXPECT_EQ(o.FilterIndex, 1);
  EXPECT_EQ(o.DefaultExt, u"txt");
  EXPECT_EQ(o.InitialDir, u"C:\\Users\\me\\Desktop");
  EXPECT_EQ(o.FileName, u"clipboard-20260301_140509_000");
  // Cancelled: nothing at all.
  EXPECT_TRUE(FShell.Files.empty());
  EXPECT_TRUE(NewLog().empty());
  EXPECT_TRUE(FBalloons.empty());
}

TEST_F(SaveClipboardTest, TheTrayItemAsksTheSameWay) {
  TBitmap32 image(3, 3, 0xFF808080u);
  FClipboard.CopyImage(image);
  FDialogs.SaveAnswers = {TSaveDialogResult{u"C:\\out\\picture", 1}};
  FForm.TrayIcon()->UserChooseMenuItem(1);
  ASSERT_EQ(FDialogs.SaveShown.size(), 1u);
  EXPECT_EQ(FDialogs.SaveShown[0].Title, u"Save clipboard image");
  EXPECT_EQ(FDialogs.SaveShown[0].Filter, u"JPEG files (*.jpg)|*.jpg;*.jpeg");
  EXPECT_EQ(FDialogs.SaveShown[0].DefaultExt, u"jpg");
  EXPECT_EQ(FShell.Files.count(u"C:\\out\\picture.jpg"), 1u);
}

struct TDialogCase {
  const char* Name;
  std::u16string Chosen;
  int FilterIndex;
  std::u16string Written;
  bool Html;
};

class SaveDialogChoiceTest : public SaveClipboardTest, public testing::WithParamInterface<TDialogCase> {};

TEST_P(SaveDialogChoiceTest, WritesWhatTheAnswerMeans) {
  const std::string document = "<b>bold</b>";
  PutTextAndHtml(u"bold", HtmlFormat(document));
  FDialogs.SaveAnswers = {TSaveDialogResult{GetParam().Chosen, GetParam().FilterIndex}};
  FForm.btnSave.Click();
  ASSERT_EQ(FDialogs.SaveShown.size(), 1u);
  EXPECT_EQ(FDialogs.SaveShown[0].Filter, u"Text files (*.txt)|*.txt|HTML files (*.htm)|*.htm;*.html");
  EXPECT_EQ(FDialogs.SaveShown[0].FilterIndex, 1);
  EXPECT_EQ(FDialogs.SaveShown[0].DefaultExt, u"");
  EXPECT_EQ(FileText(GetParam().Written), GetParam().Html ? "\xEF\xBB\xBF" + document
                                                          : "\xEF\xBB\xBF"
                                                            "bold");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveDialogChoiceTest,
    testing::Values(TDialogCase{"HtmlFilterNoExtension", u"C:\\o\\page", 2, u"C:\\o\\page.htm", true},
                    TDialogCase{"TextFilterNoExtension", u"C:\\o\\page", 1, u"C:\\o\\page.txt", false},
                    TDialogCase{"UpperHtmlWithTextFilter", u"C:\\o\\page.HTML", 1, u"C:\\o\\page.HTML", true},
                    TDialogCase{"OtherExtensionHtmlFilter", u"C:\\o\\page.md", 2, u"C:\\o\\page.md", true}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

} // namespace
} // namespace tarvel
