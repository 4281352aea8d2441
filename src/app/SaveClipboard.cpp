// TMainForm: saving the clipboard's text, HTML or image to a file.
#include "app/uMain.h"

#include "clipboard/ClipboardSave.h"

namespace tarvel {

void TMainForm::btnSaveClick(TControl&) {
  SaveClipboard(false);
}

void TMainForm::SaveClipboard(bool AToDesktop) {
  IClipboard& clipboard = FServices.Clipboard;
  IShell& shell = FServices.Shell;
  const bool saved = LogFailure(
      [&] {
        const std::u16string folder = GetDesktopFolder(shell);
        const std::u16string baseName = MakeClipboardFileBaseName(FServices.Clock);
        const auto ask = [&](const char16_t* ATitle, const char16_t* AFilter, const char16_t* ADefaultExt) {
          return FServices.Dialogs.SaveDialog({ATitle, AFilter, 1, ADefaultExt, folder, baseName});
        };
        std::u16string text;
        TBitmap32 image;
        if (TryGetClipboardText(clipboard, text)) {
          std::u16string html;
          const bool hasHtml = TryGetClipboardHtml(clipboard, html);
          std::u16string path;
          bool writeHtml = hasHtml;
          if (AToDesktop) {
            path = JoinPath(folder, baseName + (hasHtml ? u".htm" : u".txt"));
          } else if (!hasHtml) {
            const auto answer = ask(u"Save clipboard", u"Text files (*.txt)|*.txt", u"txt");
            if (!answer)
              return;
            path = EnsureSaveExtension(answer->FileName, false);
          } else {
            const auto answer =
                ask(u"Save clipboard", u"Text files (*.txt)|*.txt|HTML files (*.htm)|*.htm;*.html", u"");
            if (!answer)
              return;
            writeHtml = IsHtmlSaveChoice(answer->FileName, answer->FilterIndex);
            path = EnsureSaveExtension(answer->FileName, writeHtml);
          }
          shell.WriteFile(path, Utf8WithBom(writeHtml ? html : text));
          AddLogLine(u"Clipboard saved: " + path);
          ShowNotification(u"Clipboard saved");
        } else if (TryGetClipboardBitmap(clipboard, image)) {
          std::u16string path;
          if (AToDesktop) {
            path = JoinPath(folder, baseName + u".jpg");
          } else {
            const auto answer = ask(u"Save clipboard image", u"JPEG files (*.jpg)|*.jpg;*.jpeg", u"jpg");
            if (!answer)
              return;
            path = answer->FileName;
            if (ExtractFileExt(path).empty())
              path += u".jpg";
          }
          SaveBitmapAsJpeg(shell, image, path);
          AddLogLine(u"Clipboard image saved: " + path);
          ShowNotification(u"Clipboard saved");
        } else {
          AddLogLine(u"Clipboard save skipped: unsupported or empty clipboard format");
          ShowNotification(u"Nothing to save");
        }
      },
      [this](const std::u16string& ALine) { AddLogLine(ALine); }, u"Clipboard save error: ");
  if (!saved)
    ShowNotification(u"Save failed");
}

} // namespace tarvel
