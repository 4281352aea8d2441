#include "ocr/OcrCommand.h"

#include "core/Path.h"
#include "core/Png.h"
#include "core/Text.h"
#include "ocr/OcrPreparation.h"

namespace tarvel {

namespace {

std::u16string Joined(const std::vector<std::u16string>& ALines) {
  std::u16string text;
  for (const std::u16string& line : ALines) {
    if (!text.empty())
      text += u"\r\n";
    text += line;
  }
  return text;
}

} // namespace

void TOcrCommand::SaveOcrDebugImage(const TBitmap32* AImage, std::u16string_view ASuffix, std::u16string& AFileName) {
  AFileName.clear();
  if (!AImage || AImage->Empty())
    return;
  std::u16string suffix = Trim(ASuffix);
  if (!suffix.empty())
    suffix = u"_" + suffix;
  AFileName =
      JoinPath(FServices.Shell.SpecialFolder(sfTemp),
               Format(u"Tarvel_ocr_%s%s.png", {FormatDateTime(FileStampPattern, FServices.Clock.Now()), suffix}));
  FServices.Shell.WriteFile(AFileName, EncodePng(*AImage));
}

void TOcrCommand::CaptureOcrUnderMouse(TOcrTextLayout ALayout) {
  if (FOcrRunning) {
    FHost.AddLogLine(u"OCR ignored: processing already in progress");
    return;
  }
  FOcrRunning = true;
  FLayout = ALayout;
  try {
    TScreenSelection selection = SelectScreenRegion(FServices.Screen, FServices.Overlay);
    if (!selection.Ok) {
      FHost.AddLogLine(u"OCR selection cancelled");
      FOcrRunning = false;
      return;
    }
    const TBitmap32& source = selection.Image;
    const TRect& r = selection.Rect;
    FHost.AddLogLine(Format(u"OCR selection: left=%d top=%d right=%d bottom=%d size=%dx%d",
                            {r.Left, r.Top, r.Right, r.Bottom, source.Width(), source.Height()}));
    std::u16string file;
    try {
      SaveOcrDebugImage(&source, u"source", file);
      if (!file.empty())
        FHost.AddLogLine(u"OCR screenshot debug: " + file);
    } catch (const EError& e) {
      FHost.AddLogLine(u"OCR screenshot debug error: " + ErrorText(e));
    }

    std::vector<std::u16string> diagnostics;
    std::optional<TBitmap32> prepared = PreprocessOcrBitmap(&source, TOcrLog{FServices.Clock, &diagnostics});
    FHost.AddOcrLogLine(Joined(diagnostics));
    if (!prepared) {
      prepared = source;
      FHost.AddLogLine(u"OCR preprocessing unavailable: using original screenshot");
    }
    try {
      SaveOcrDebugImage(&*prepared, u"prepared", file);
      if (!file.empty())
        FHost.AddLogLine(u"OCR preprocessed debug: " + file);
    } catch (const EError& e) {
      FHost.AddLogLine(u"OCR preprocessed debug error: " + ErrorText(e));
    }

    const std::u16string tag = FHost.SelectedOcrLanguageTag();
    const std::u16string shown = tag.empty() ? std::u16string(OcrAutoLanguageItem) : tag;
    FHost.AddLogLine(Format(u"OCR started: source=%dx%d ocr=%dx%d %s",
                            {source.Width(), source.Height(), prepared->Width(), prepared->Height(), shown}));
    FHost.ShowNotification(u"OCR started");

    // The task owns its inputs from here on; it reaches this window only through the
    // dispatcher, which drops what arrives once the window is going.
    auto bitmap = std::make_shared<TBitmap32>(std::move(*prepared));
    IDispatcher& dispatcher = FServices.Dispatcher;
    IWinRTRuntime& runtime = FServices.Runtime;
    IClock& clock = FServices.Clock;
    dispatcher.RunInBackground([this, &dispatcher, &runtime, &clock, bitmap, tag, ALayout]() mutable {
      std::vector<std::u16string> log;
      std::u16string text;
      std::u16string error;
      try {
        text = RecognizeBitmap(TOcrContext{{clock, &log}, runtime}, bitmap.get(), tag, false, ALayout);
      } catch (const EError& e) {
        error = ErrorText(e);
      } catch (const std::exception& e) {
        error = u"Exception: " + FromUtf8(e.what());
      }
      bitmap.reset();
      dispatcher.Post([this, text, error, diagnostics = Joined(log)] { HandleOcrResult(text, error, diagnostics); });
    });
  } catch (const EError& e) {
    FOcrRunning = false;
    FHost.AddLogLine(u"OCR start error: " + ErrorText(e));
    FHost.ShowNotification(u"OCR error");
  }
}

void TOcrCommand::HandleOcrResult(const std::u16string& AText, const std::u16string& AError,
                                  const std::u16string& ADiagnostics) {
  FOcrRunning = false;
  FHost.AddOcrLogLine(ADiagnostics);
  if (!AError.empty()) {
    FHost.AddLogLine(u"OCR error: " + AError);
    FHost.ShowNotification(u"OCR error");
    return;
  }
  if (IsBlank(AText)) {
    FHost.AddLogLine(u"OCR completed: no text recognized");
    FHost.ShowNotification(u"OCR no text");
    return;
  }
  FHost.PublishRecognizedText(AText);
  // The engine's lines say nothing of a layout; any other names its own.
  const std::u16string layout =
      FLayout == TOcrTextLayout::Lines ? u"" : u" (" + std::u16string(OcrTextLayoutName(FLayout)) + u")";
  FHost.AddLogLine(u"OCR completed" + layout + u": " + MakeOneLinePreview(AText, 80, false));
  FHost.ShowNotification(u"OCR text copied");
}

TOcrLanguageList MakeOcrLanguageList(const std::vector<TOcrLanguageInfo>& ALanguages, std::u16string_view AStoredTag) {
  TOcrLanguageList list;
  list.Items.emplace_back(OcrAutoLanguageItem);
  std::u16string tags;
  const std::u16string stored = UpperCaseAscii(AStoredTag);
  for (const TOcrLanguageInfo& language : ALanguages) {
    if (language.Tag.empty())
      continue;
    list.Items.push_back(language.DisplayName.empty() ? language.Tag : language.Tag + u" | " + language.DisplayName);
    if (UpperCaseAscii(language.Tag) == stored)
      list.Chosen = static_cast<int>(list.Items.size()) - 1;
    if (!tags.empty())
      tags += u", ";
    tags += language.Tag;
  }
  list.Empty = tags.empty();
  list.LogLine = u"Available OCR languages: " + (tags.empty() ? std::u16string(u"none") : tags);
  return list;
}

std::u16string OcrLanguageTagOfItem(int AIndex, std::u16string_view AItemText) {
  if (AIndex <= 0)
    return {};
  return std::u16string(AItemText.substr(0, AItemText.find(u" | ")));
}

TOcrTextLayout OcrTextLayoutOfItem(int AIndex) noexcept {
  if (AIndex < 0 || static_cast<unsigned>(AIndex) > OcrTextLayoutLast)
    return TOcrTextLayout::Lines;
  return static_cast<TOcrTextLayout>(AIndex);
}

std::u16string OcrInstallWarningText() {
  static constexpr const char16_t* Lines[] = {
      u"Tarvel found no OCR languages installed or available for Windows.",
      u"",
      u"To use Ctrl+Shift+X install at least one Windows OCR capability.",
      u"",
      u"Open PowerShell as administrator and check status with:",
      u"Get-WindowsCapability -Online | Where-Object { $_.Name -like 'Language.OCR*' } | Select-Object Name, State",
      u"",
      u"To install Italian OCR:",
      u"Add-WindowsCapability -Online -Name Language.OCR~~~it-IT~0.0.1.0",
      u"",
      u"To install English OCR:",
      u"Add-WindowsCapability -Online -Name Language.OCR~~~en-US~0.0.1.0",
      u"",
      u"Restart Tarvel after installation.",
  };
  std::vector<std::u16string> lines(std::begin(Lines), std::end(Lines));
  return Joined(lines);
}

} // namespace tarvel
