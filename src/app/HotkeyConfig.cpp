// TMainForm: the five hotkey letters on the settings card.
#include "app/uMain.h"

#include "core/Text.h"

namespace tarvel {

char16_t HotkeyEditLetter(const TLetterEdit* AEdit) {
  if (!AEdit)
    return 0;
  const std::u16string text = Trim(AEdit->Text());
  return text.empty() ? char16_t{0} : UpCaseAscii(text[0]);
}

bool IsReservedHotkeyLetter(char16_t AChar) noexcept {
  const char16_t c = UpCaseAscii(AChar);
  return c == u'I' || c == u'Y' || c == u'Z';
}

TMainForm::THotkeyField TMainForm::HotkeyField(const TControl& ASender) {
  const THotkeyField fields[] = {
      {&edtHotkeyControl, &FPrevHotkeyControl, hkCopyUnderCursor},
      {&edtHotkeyOCR, &FPrevHotkeyOCR, hkOcr},
      {&edtHotkeyScreenBox, &FPrevHotkeyScreenBox, hkScreenBox},
      {&edtHotkeyScreentFull, &FPrevHotkeyScreenFull, hkScreenFull},
      {&edtHotkeySave, &FPrevHotkeySave, hkSave},
  };
  for (const auto& field : fields)
    if (field.Edit == &ASender)
      return field;
  return {};
}

void TMainForm::HotkeyEditEnter(TControl& ASender) {
  if (const auto [edit, previous, id] = HotkeyField(ASender); edit)
    *previous = HotkeyEditLetter(edit);
}

void TMainForm::HotkeyEditExit(TControl& ASender) {
  if (FLoadingSettings)
    return;
  const auto [edit, previous, id] = HotkeyField(ASender);
  if (!edit)
    return;
  const auto restore = [&] { edit->SetText(*previous ? std::u16string(1, *previous) : std::u16string()); };
  const char16_t letter = HotkeyEditLetter(edit);
  if (letter == 0) {
    restore();
    return;
  }
  if (IsReservedHotkeyLetter(letter)) {
    FServices.Dialogs.WarningBox(ReservedHotkeyText);
    restore();
    return;
  }
  for (const TLetterEdit* other :
       {&edtHotkeyControl, &edtHotkeyOCR, &edtHotkeyScreenBox, &edtHotkeyScreentFull, &edtHotkeySave}) {
    if (other != edit && HotkeyEditLetter(other) == letter) {
      FServices.Dialogs.WarningBox(HotkeyInUseText);
      restore();
      return;
    }
  }
  edit->SetText(std::u16string(1, letter));
  SaveSettings();
  if (!TryReregisterHotkeys()) {
    if (FHotkeyRefusal.Id == id && *previous) {
      // Another program owns the new combination: rather than lose all nine hotkeys,
      // the field gets its letter back and the set is registered with it again.
      AddLogLine(u"Hotkey " + HotkeyText(letter) + u" is taken by another program; " + HotkeyText(*previous) +
                 u" is kept");
      FServices.Dialogs.WarningBox(HotkeyInUseText);
      restore();
      SaveSettings();
      ReregisterHotkeys();
    } else {
      ReportHotkeysUnavailable();
    }
  }
  UpdateInfoMemo();
}

} // namespace tarvel
