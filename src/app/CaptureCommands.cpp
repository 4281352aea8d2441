// TMainForm: the commands that turn what is on the screen into clipboard entries. The
// capture itself lives in the capture and selection units; here each result is published.
#include "app/uMain.h"

#include "capture/TextUnderCursor.h"
#include "capture/uCapture.h"
#include "core/FlagScope.h"
#include "core/Text.h"

namespace tarvel {

void TMainForm::AddCapturedImage(TBitmap32 AImage, const std::u16string& ANotification, std::u16string_view ALogFormat,
                                 TRefresh ARefresh) {
  const int width = AImage.Width();
  const int height = AImage.Height();
  // One image for the clipboard and the history: a screenshot is never copied.
  auto image = std::make_shared<const TBitmap32>(std::move(AImage));
  PublishBitmapToClipboard(image);
  FHistory->AddBitmap(std::move(image));
  if (ARefresh == TRefresh::BeforeNotification)
    UpdateHistoryControls();
  ShowNotification(ANotification);
  AddLogLine(Format(ALogFormat, {width, height}));
  ReportImagesDroppedForRoom(*FHistory, FLog);
  if (ARefresh == TRefresh::Last)
    UpdateHistoryControls();
}

void TMainForm::CopyContentUnderCursor() {
  std::u16string text;
  TRect element;
  if (GetTextUnderCursor(FServices.UiAutomation, FServices.Screen, text, element)) {
    // As the control gave it: not trimmed.
    PublishTextToClipboard(text);
    const std::u16string preview = MakePreviewText(text, 80);
    FHistory->AddText(std::move(text));
    UpdateHistoryControls();
    ShowNotification(u"Copied text");
    AddLogLine(u"UIA text captured: " + preview);
    return;
  }
  AddCapturedImage(CaptureScreenRect(FServices.Screen, element), u"Copied image", u"Image captured: %dx%d",
                   TRefresh::Last);
}

void TMainForm::CopyControlImageUnderCursor() {
  TRect element;
  GetElementRectUnderCursor(FServices.UiAutomation, FServices.Screen, element);
  AddCapturedImage(CaptureScreenRect(FServices.Screen, element), u"Copied image", u"Forced image captured: %dx%d");
}

void TMainForm::CaptureScreenBox() {
  // The overlay keeps dispatching messages, this hotkey's among them: pressed again, it
  // must not open a second overlay over the first.
  if (FScreenSelectionOpen)
    return;
  TScreenSelection selection;
  {
    const TFlagScope open(FScreenSelectionOpen);
    selection = SelectScreenRegion(FServices.Screen, FServices.SelectionOverlay);
  }
  if (!selection.Ok) {
    AddLogLine(u"Screen box selection cancelled");
    return;
  }
  AddCapturedImage(std::move(selection.Image), u"Screenshot copied", u"Screen box captured: %dx%d");
}

void TMainForm::CaptureFullScreen() {
  AddCapturedImage(CaptureVirtualScreen(FServices.Screen), u"Full screenshot copied", u"Full screen captured: %dx%d");
}

} // namespace tarvel
