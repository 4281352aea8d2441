#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/Screen.h"
#include "core/DateTime.h"
#include "core/Dispatcher.h"
#include "core/Shell.h"
#include "ocr/OcrRuntime.h"
#include "ocr/uOcrSelector.h"
#include "ocr/uWinRTOcr.h"

namespace tarvel {

// The OCR hot key's command: a rectangle selected on the frozen screen, prepared on the main
// thread, recognized on a worker, and the text handed back to the main thread, which
// publishes it. One run at a time.

// What the command needs of the main window.
class IOcrCommandHost {
public:
  virtual ~IOcrCommandHost() = default;
  virtual void AddLogLine(const std::u16string& AText) = 0;
  // Each line of AText enters the log with the OCR prefix.
  virtual void AddOcrLogLine(std::u16string_view AText) = 0;
  virtual void ShowNotification(const std::u16string& AText) = 0;
  // Onto the clipboard as the program's own copy, into the history, onto the card.
  virtual void PublishRecognizedText(const std::u16string& AText) = 0;
  // The language tag chosen on the settings card; empty: the profile's languages.
  virtual std::u16string SelectedOcrLanguageTag() = 0;
};

struct TOcrCommandServices {
  IScreen& Screen;
  ISelectionOverlay& Overlay;
  IDispatcher& Dispatcher;
  IWinRTRuntime& Runtime;
  IClock& Clock;
  IShell& Shell;
};

class TOcrCommand {
public:
  TOcrCommand(TOcrCommandServices AServices, IOcrCommandHost& AHost) : FServices(AServices), FHost(AHost) {}

  // The hot key: select, prepare, and start the recognition, whose text is laid out as
  // ALayout asks.
  void CaptureOcrUnderMouse(TOcrTextLayout ALayout = TOcrTextLayout::Lines);
  // On the main thread, when the worker has finished.
  void HandleOcrResult(const std::u16string& AText, const std::u16string& AError, const std::u16string& ADiagnostics);
  // Writes Tarvel_ocr_<stamp>_<suffix>.png into the temporary folder; the file's name, or
  // nothing for an absent or empty image. A failed write raises, the name then set.
  void SaveOcrDebugImage(const TBitmap32* AImage, std::u16string_view ASuffix, std::u16string& AFileName);

  bool Running() const noexcept { return FOcrRunning; }

private:
  TOcrCommandServices FServices;
  IOcrCommandHost& FHost;
  bool FOcrRunning = false;
  TOcrTextLayout FLayout = TOcrTextLayout::Lines; // of the recognition running
};

// The settings card's language list.
inline constexpr std::u16string_view OcrAutoLanguageItem = u"Auto - Windows profile";

struct TOcrLanguageList {
  std::vector<std::u16string> Items; // the automatic item first
  int Chosen = 0;                    // the item of the stored tag, else the automatic one
  std::u16string LogLine;            // "Available OCR languages: ..."
  bool Empty = true;                 // no language at all
};
// The items for the installed languages ("tag" or "tag | display name"), the one matching
// AStoredTag (ignoring case) chosen.
TOcrLanguageList MakeOcrLanguageList(const std::vector<TOcrLanguageInfo>& ALanguages, std::u16string_view AStoredTag);
// The tag of a chosen item: the text before the first " | "; empty for the automatic item
// (index 0), no choice (below 0) or typed text.
std::u16string OcrLanguageTagOfItem(int AIndex, std::u16string_view AItemText);
// The settings card's text layouts, in the order of TOcrTextLayout.
inline constexpr std::array<std::u16string_view, OcrTextLayoutLast + 1> OcrTextLayoutItems = {u"Lines", u"Paragraphs",
                                                                                              u"One line", u"Table"};
// The layout of a chosen item; Lines for no choice or one out of range.
TOcrTextLayout OcrTextLayoutOfItem(int AIndex) noexcept;

// The warning shown once when no language is installed, lines joined by CR LF.
std::u16string OcrInstallWarningText();

} // namespace tarvel
