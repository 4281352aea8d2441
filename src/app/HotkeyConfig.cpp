#include "app/HotkeyConfig.h"

#include "core/Text.h"

namespace tarvel {

char16_t HotkeyEditLetter(const TLetterEdit* AEdit) {
  if (!AEdit)
    return 0;
  const std::u16string text = Trim(AEdit->Text());
  return text.empty() ? char16_t{0} : UpCaseAscii(text[0]);
}

THotkeyConfig::THotkeyConfig(THotkeyConfigServices AServices, const THotkeyEdits& AEdits, IHotkeyConfigHost& AHost)
    : FServices(AServices), FEdits(AEdits), FHost(AHost) {}

void THotkeyConfig::ShowLetters(const THotkeyLetters& ALetters) {
  for (std::size_t i = 0; i < LetterHotkeyCount; ++i)
    FEdits[i]->SetText(std::u16string(1, ALetters[i]));
}

void THotkeyConfig::StoreLetters(TTarvelSettings& ASettings) const {
  for (std::size_t i = 0; i < LetterHotkeyCount; ++i)
    if (const std::u16string text = Trim(FEdits[i]->Text()); !text.empty())
      ASettings.*HotkeyLetterFields[i].Field = UpCaseAscii(text[0]);
}

std::optional<std::size_t> THotkeyConfig::EditIndex(const TControl& ASender) const {
  for (std::size_t i = 0; i < FEdits.size(); ++i)
    if (FEdits[i] == &ASender)
      return i;
  return std::nullopt;
}

void THotkeyConfig::HotkeyEditEnter(const TControl& ASender) {
  if (const auto index = EditIndex(ASender))
    FPrevious[*index] = HotkeyEditLetter(FEdits[*index]);
}

void THotkeyConfig::HotkeyEditExit(const TControl& ASender) {
  if (FHost.LoadingSettings())
    return;
  const auto index = EditIndex(ASender);
  if (!index)
    return;
  TLetterEdit* const edit = FEdits[*index];
  const char16_t previous = FPrevious[*index];
  const auto restore = [&] { edit->SetText(previous ? std::u16string(1, previous) : std::u16string()); };
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
  for (const TLetterEdit* other : FEdits) {
    if (other != edit && HotkeyEditLetter(other) == letter) {
      FServices.Dialogs.WarningBox(HotkeyInUseText);
      restore();
      return;
    }
  }
  edit->SetText(std::u16string(1, letter));
  FHost.SaveSettings();
  if (!TryReregisterHotkeys()) {
    if (FRefusal.Id == LetterHotkeyIds[*index] && previous) {
      // Another program owns the new combination: rather than lose all nine hotkeys,
      // the field gets its letter back and the set is registered with it again.
      FServices.Log.AddLogLine(u"Hotkey " + HotkeyText(letter) + u" is taken by another program; " +
                               HotkeyText(previous) + u" is kept");
      FServices.Dialogs.WarningBox(HotkeyInUseText);
      restore();
      FHost.SaveSettings();
      ReregisterHotkeys();
    } else {
      ReportHotkeysUnavailable();
    }
  }
  FHost.HotkeyLettersChanged();
}

void THotkeyConfig::RegisterHotkeys() {
  if (!FRegistered)
    FRegistered = RegisterAppHotkeys(FServices.Hotkeys, FHost.StoredHotkeyLetters(), &FRefusal);
  if (!FRegistered)
    ReportHotkeysUnavailable();
}

void THotkeyConfig::ReportHotkeysUnavailable() {
  // Balloons are off by default: the log always tells which combination is taken.
  FServices.Log.AddLogLine(u"Hotkeys unavailable: " + HotkeyText(FRefusal.VirtualKey) +
                           u" is taken by another program");
  FServices.Log.ShowNotification(u"Hotkeys unavailable");
}

void THotkeyConfig::UnregisterHotkeys() {
  if (FRegistered) {
    UnregisterAppHotkeys(FServices.Hotkeys);
    FRegistered = false;
  }
}

bool THotkeyConfig::TryReregisterHotkeys() {
  UnregisterHotkeys();
  FRegistered = RegisterAppHotkeys(FServices.Hotkeys, FHost.StoredHotkeyLetters(), &FRefusal);
  return FRegistered;
}

void THotkeyConfig::ReregisterHotkeys() {
  if (!TryReregisterHotkeys())
    ReportHotkeysUnavailable();
}

} // namespace tarvel
