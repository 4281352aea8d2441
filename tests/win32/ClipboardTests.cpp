// The user32 clipboard layer against Wine's real clipboard.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "../e2e/OtherProgram.h"
#include "clipboard/Dib.h"
#include "clipboard/DropFiles.h"
#include "clipboard/win32/Win32Clipboard.h"
#include "core/Text.h"

namespace tarvel {
namespace {

// A hidden window that owns what it writes, renders what it promised, and counts the
// clipboard updates it is sent.
class Win32ClipboardTest : public testing::Test {
protected:
  static LRESULT CALLBACK OwnerProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
    auto* self = reinterpret_cast<Win32ClipboardTest*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
    if (self && AMessage == WM_CLIPBOARDUPDATE) {
      ++self->FUpdates;
      return 0;
    }
    if (self && self->FClipboard.HandleOwnerMessage(AMessage, AWParam))
      return 0;
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  }

  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TarvelClipboardTest";
    RegisterClassW(&wc);
    FWindow =
        CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(FWindow, nullptr);
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  void TearDown() override {
    if (FWindow)
      DestroyWindow(FWindow);
  }

  void Pump() {
    MSG msg;
    // Updates are posted; give them a moment to arrive.
    for (int i = 0; i < 20; ++i) {
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
      Sleep(10);
    }
  }

  HWND FWindow = nullptr;
  int FUpdates = 0;
  TWin32Clipboard FClipboard{[this] { return FWindow; }};
  // Puts blocks on the clipboard past the layer under test.
  e2e::TOtherProgram FOther;
};

TBitmap32 Pattern(int AWidth, int AHeight) {
  TBitmap32 b(AWidth, AHeight);
  for (int y = 0; y < AHeight; ++y)
    for (int x = 0; x < AWidth; ++x)
      b.SetPixel(x, y, 0xFF000000u | static_cast<std::uint32_t>((x * 40) << 16 | (y * 30) << 8 | (x + y) * 9));
  return b;
}

TEST_F(Win32ClipboardTest, TextIsOfferedAsAnsiTooAndReadsBack) {
  WriteClipboardText(FClipboard, u"Grüße, clipboard\r\nline two");
  EXPECT_TRUE(FClipboard.IsFormatAvailable(cfUnicodeText));
  EXPECT_TRUE(FClipboard.IsFormatAvailable(cfText));
  EXPECT_EQ(ReadClipboardText(FClipboard), u"Grüße, clipboard\r\nline two");
  ASSERT_TRUE(OpenClipboard(FWindow));
  const char* ansi = static_cast<const char*>(GlobalLock(GetClipboardData(CF_TEXT)));
  ASSERT_NE(ansi, nullptr);
  EXPECT_EQ(std::string(ansi).substr(0, 3), "Gr\xFC"); // Windows-1252
  GlobalUnlock(GetClipboardData(CF_TEXT));
  CloseClipboard();
}

TEST_F(Win32ClipboardTest, ImageSetAsBitmapReadsBackThroughTheDibForms) {
  const TBitmap32 image = Pattern(37, 21); // an odd width: rows are padded
  WriteClipboardBitmap(FClipboard, std::make_shared<const TBitmap32>(image));
  EXPECT_TRUE(FClipboard.IsFormatAvailable(cfBitmap));
  EXPECT_TRUE(FClipboard.IsFormatAvailable(cfDib));
  const TBitmap32 back = ReadClipboardImage(FClipboard);
  ASSERT_EQ(back.Width(), 37);
  ASSERT_EQ(back.Height(), 21);
  EXPECT_TRUE(back.SamePixels(image));
  // And through CF_DIB alone, as another program would read it.
  const auto dib = ReadClipboardBytes(FClipboard, cfDib);
  ASSERT_TRUE(dib.has_value());
  EXPECT_TRUE(DecodeDib(dib->data(), dib->size()).SamePixels(image));
}

TEST_F(Win32ClipboardTest, FileListsRoundTripWithLongPathsWhole) {
  // Paths past the old 260-character limit, as long-path-aware programs use them.
  const std::u16string longPath = u"\\\\?\\C:\\" + std::u16string(300, u'p');
  const std::u16string veryLongPath = u"\\\\?\\D:\\" + std::u16string(5000, u'q') + u".txt";
  const std::vector<std::u16string> paths = {u"C:\\one.txt", longPath, u"D:\\Ordner\\zwei.txt", veryLongPath};
  ASSERT_TRUE(WriteClipboardFiles(FClipboard, paths));
  EXPECT_TRUE(FClipboard.IsFormatAvailable(cfHDrop));
  const auto files = ReadClipboardFiles(FClipboard);
  ASSERT_EQ(files.size(), paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i)
    EXPECT_TRUE(files[i] == paths[i]) << "path " << i << " has " << files[i].size() << " units, not "
                                      << paths[i].size();
}

// The system's reader counts a list that ends at once as one empty path.
TEST_F(Win32ClipboardTest, AFileListWithoutAPathGivesNoFiles) {
  std::vector<std::uint8_t> block = BuildDropFiles({});
  block.resize(block.size() + 6, 0); // the header followed only by zero words
  FOther.CopyFormats({{CF_HDROP, block}});
  EXPECT_TRUE(FClipboard.IsFormatAvailable(cfHDrop));
  EXPECT_TRUE(ReadClipboardFiles(FClipboard).empty());
}

class Win32PaletteImageTest : public Win32ClipboardTest, public testing::WithParamInterface<int> {};

TEST_P(Win32PaletteImageTest, ReadsWithItsColours) {
  const int bits = GetParam();
  FOther.CopyPaletteImage(13, 5, bits);
  const TBitmap32 image = ReadClipboardImage(FClipboard);
  ASSERT_EQ(image.Width(), 13);
  ASSERT_EQ(image.Height(), 5);
  const int colours = 1 << bits;
  for (const auto& [x, y] : {std::pair{0, 0}, {1, 0}, {12, 0}, {0, 4}, {7, 2}, {12, 4}})
    EXPECT_EQ(image.Pixel(x, y), 0xFF000000u | e2e::PaletteColour((x + 3 * y) % colours)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Bits, Win32PaletteImageTest, testing::Values(1, 4, 8));

// The decoder reads no compressed DIB; the bitmap the system draws from one is the way in.
TEST_F(Win32ClipboardTest, ACompressedDibIsReadThroughTheBitmapTheSystemDraws) {
  std::vector<std::uint8_t> dib = e2e::PaletteDib(4, 2, 8);
  const std::vector<std::uint8_t> runs = {4, 1, 0, 0,       // bottom row: four of index 1
                                          2, 2, 2, 3, 0, 0, // top row: two of 2, two of 3
                                          0, 1};            // end of the image
  const std::size_t pixels = sizeof(BITMAPINFOHEADER) + 4 * 256;
  dib.resize(pixels);
  dib.insert(dib.end(), runs.begin(), runs.end());
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
  header->biCompression = BI_RLE8;
  header->biSizeImage = static_cast<DWORD>(runs.size());
  FOther.CopyFormats({{CF_DIB, dib}});
  for (const std::uint32_t form : {cfDibV5, cfDib}) {
    const auto block = ReadClipboardBytes(FClipboard, form);
    ASSERT_TRUE(block.has_value()) << form;
    EXPECT_THROW(DecodeDib(block->data(), block->size()), EImageError) << form;
  }
  const TBitmap32 image = ReadClipboardImage(FClipboard);
  ASSERT_EQ(image.Width(), 4);
  ASSERT_EQ(image.Height(), 2);
  const int top[] = {2, 2, 3, 3};
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(image.Pixel(x, 0), 0xFF000000u | e2e::PaletteColour(top[x])) << x;
    EXPECT_EQ(image.Pixel(x, 1), 0xFF000000u | e2e::PaletteColour(1)) << x;
  }
}

TEST_F(Win32ClipboardTest, AnImageIsPromisedAndMadeOnlyWhenAProgramAsksForIt) {
  ASSERT_TRUE(FClipboard.AddListener());
  const auto image = std::make_shared<const TBitmap32>(Pattern(64, 48));
  WriteClipboardBitmap(FClipboard, image);
  EXPECT_TRUE(FClipboard.HasPromisedImage());
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
  const std::optional<TBitmap32> pasted = FOther.Image();
  ASSERT_TRUE(pasted);
  EXPECT_TRUE(pasted->SamePixels(*image));
  // Made once: the clipboard holds the bitmap now and the image is not kept for it.
  EXPECT_FALSE(FClipboard.HasPromisedImage());
  EXPECT_EQ(image.use_count(), 1);
  Pump();
  EXPECT_EQ(FUpdates, 1); // the write, not the rendering
  FClipboard.RemoveListener();
}

TEST_F(Win32ClipboardTest, APromisedImageOutlivesTheWindowThatPromisedIt) {
  WriteClipboardBitmap(FClipboard, std::make_shared<const TBitmap32>(Pattern(40, 30)));
  DestroyWindow(FWindow);
  FWindow = nullptr;
  const std::optional<TBitmap32> pasted = FOther.Image();
  ASSERT_TRUE(pasted);
  EXPECT_TRUE(pasted->SamePixels(Pattern(40, 30)));
}

TEST_F(Win32ClipboardTest, ACopyElsewhereLetsThePromisedImageGo) {
  const auto image = std::make_shared<const TBitmap32>(Pattern(40, 30));
  WriteClipboardBitmap(FClipboard, image);
  EXPECT_EQ(image.use_count(), 2);
  FOther.CopyText(L"something else");
  EXPECT_FALSE(FClipboard.HasPromisedImage());
  EXPECT_EQ(image.use_count(), 1);
  EXPECT_EQ(FOther.Text(), L"something else");
}

TEST_F(Win32ClipboardTest, TheBitmapFormReadsBackTheImageWritten) {
  const TBitmap32 image = Pattern(19, 7);
  WriteClipboardBitmap(FClipboard, std::make_shared<const TBitmap32>(image));
  TClipboardSession session(FClipboard);
  const auto back = FClipboard.ReadBitmap();
  ASSERT_TRUE(back.has_value());
  EXPECT_TRUE(back->SamePixels(image));
}

TEST_F(Win32ClipboardTest, AFileListWithoutTerminatorsIsRefusedNotOverRead) {
  // 32 bytes in all, a size the system does not round up: the path runs to the block's
  // last byte, and its terminators would lie past the end.
  std::vector<std::uint8_t> block = BuildDropFiles({u"C:\\abc"});
  block.resize(block.size() - 4);
  ASSERT_EQ(block.size(), 32u);
  FOther.CopyFormats({{CF_HDROP, block}});
  EXPECT_THROW(ReadClipboardFiles(FClipboard), EDropFilesError);
}

TEST_F(Win32ClipboardTest, RegisteredFormatsKeepTheirRawBytes) {
  const std::uint32_t html = FClipboard.RegisterFormat(u"HTML Format");
  ASSERT_NE(html, 0u);
  EXPECT_EQ(FClipboard.RegisterFormat(u"HTML Format"), html);
  const std::vector<std::uint8_t> bytes = {'V', 'e', 'r', 's', 'i', 'o', 'n', ':', '0', '.', '9', 0xC3, 0xA9};
  auto prepared = FClipboard.PrepareData(html, bytes);
  ASSERT_NE(prepared, nullptr);
  {
    TClipboardSession session(FClipboard);
    FClipboard.Empty();
    ASSERT_TRUE(FClipboard.SetBlock(std::move(prepared)));
  }
  const auto back = ReadClipboardBytes(FClipboard, html);
  ASSERT_TRUE(back.has_value());
  ASSERT_GE(back->size(), bytes.size());
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), back->begin()));
  for (std::size_t i = bytes.size(); i < back->size(); ++i)
    EXPECT_EQ((*back)[i], 0) << "a rounded-up block is zero-filled";
}

TEST_F(Win32ClipboardTest, EachWriteBringsTheListenerOneUpdate) {
  ASSERT_TRUE(FClipboard.AddListener());
  Pump();
  FUpdates = 0;
  WriteClipboardText(FClipboard, u"one");
  Pump();
  EXPECT_EQ(FUpdates, 1);
  ClearClipboard(FClipboard);
  Pump();
  EXPECT_EQ(FUpdates, 2);
  EXPECT_FALSE(FClipboard.IsFormatAvailable(cfUnicodeText));
  EXPECT_TRUE(FClipboard.RemoveListener());
  WriteClipboardText(FClipboard, u"unheard");
  Pump();
  EXPECT_EQ(FUpdates, 2);
}

TEST_F(Win32ClipboardTest, OpeningIsTriedOnceAndFailsWithTheSystemText) {
  HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  // Another thread, as another program would, holds the clipboard open.
  std::thread holder([&] {
    OpenClipboard(nullptr);
    SetEvent(opened);
    WaitForSingleObject(done, 10000);
    CloseClipboard();
  });
  WaitForSingleObject(opened, 10000);
  try {
    ReadClipboardText(FClipboard);
    ADD_FAILURE() << "the clipboard opened twice";
  } catch (const EClipboardOpenError& e) {
    // The kind worth another try, named as the clipboard error it is.
    EXPECT_EQ(e.ClassName(), u"EClipboardError");
    EXPECT_EQ(e.Message().rfind(u"Cannot open clipboard: ", 0), 0u) << ToUtf8(e.Message());
    EXPECT_GT(e.Message().size(), 23u) << "the system's text follows";
  }
  EXPECT_THROW(WriteClipboardText(FClipboard, u"x"), EClipboardError);
  SetEvent(done);
  holder.join();
  CloseHandle(opened);
  CloseHandle(done);
}

} // namespace
} // namespace tarvel
