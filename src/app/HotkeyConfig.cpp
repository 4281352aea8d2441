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

std::optional<std::size_t> TMainForm::HotkeyEditIndex(const TControl& ASender) const {
  for (std::size_t i = 0; i < FHotkeyEdits.size(); ++i)
    if (FHotkeyEdits[i].Edit == &ASender)
      return i;
  return std::nullopt;
}

void TMainForm::HotkeyEditEnter(TControl& ASender) {
  if (const auto index = HotkeyEditIndex(ASender))
    *FHotkeyEdits[*index].Previous = HotkeyEditLetter(FHotkeyEdits[*index].Edit);
}

void TMainForm::HotkeyEditExit(TControl& ASender) {
  if (FLoadingSettings)
    return;
  const auto index = HotkeyEditIndex(ASender);
  if (!index)
    return;
  TLetterEdit* const edit = FHotkeyEdits[*index].Edit;
  const char16_t* const previous = FHotkeyEdits[*index].Previous;
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
  for (const THotkeyEdit& other : FHotkeyEdits) {
    if (other.Edit != edit && HotkeyEditLetter(other.Edit) == letter) {
      FServices.Dialogs.WarningBox(HotkeyInUseText);
      restore();
      return;
    }
  }
  edit->SetText(std::u16string(1, letter));
  SaveSettings();
  if (!TryReregisterHotkeys()) {
    if (FHotkeyRefusal.Id == LetterHotkeyIds[*index] && *previous) {
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
