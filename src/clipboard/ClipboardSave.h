#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "clipboard/HtmlFormat.h"
#include "clipboard/SystemClipboard.h"
#include "core/Bitmap32.h"
#include "core/DateTime.h"
#include "core/Path.h"
#include "core/Shell.h"

namespace tarvel {

inline constexpr int JpegSaveQuality = 60;

// "clipboard-" and the local time as yyyymmdd_hhnnss_zzz.
std::u16string MakeClipboardFileBaseName(IClock& AClock);

// The desktop folder, else the roaming application-data folder, else empty.
std::u16string GetDesktopFolder(IShell& AShell);

// True when the clipboard offers Unicode or ANSI text and it is not empty.
bool TryGetClipboardText(IClipboard& AClipboard, std::u16string& AText);

// True when the clipboard offers "HTML Format" whose document part (StartHTML to EndHTML,
// or the whole data when the offsets are unusable) is not blank.
bool TryGetClipboardHtml(IClipboard& AClipboard, std::u16string& AHtml);

// True when the clipboard offers an image with pixels; ABitmap receives it.
bool TryGetClipboardBitmap(IClipboard& AClipboard, TBitmap32& ABitmap);

// Whether the save dialog's answer means HTML: the extension decides (.htm, .html: yes;
// .txt: no), any other or none follows the filter (2 is HTML).
bool IsHtmlSaveChoice(std::u16string_view AFileName, int AFilterIndex);

// AFileName unchanged when it has an extension, else with ".htm" or ".txt" appended.
std::u16string EnsureSaveExtension(const std::u16string& AFileName, bool AIsHtml);

// UTF-8 with a byte-order mark, line breaks as they are.
std::vector<std::uint8_t> Utf8WithBom(std::u16string_view AText);

// A 24-bit JPEG at quality 60 of the image over a white background (transparent parts turn
// white; a fourth byte of 0 in every pixel means no alpha at all), whatever the file's
// extension says.
void SaveBitmapAsJpeg(IShell& AShell, const TBitmap32& ABitmap, const std::u16string& AFileName);
// The same encoding, without the file.
std::vector<std::uint8_t> EncodeBitmapForSave(const TBitmap32& ABitmap);

} // namespace tarvel
