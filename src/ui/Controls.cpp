#include "ui/Controls.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "core/Text.h"

namespace tarvel {

void TControl::Changed() const {
  if (OnModelChanged)
    OnModelChanged();
}

void TControl::SetVisible(bool AValue) {
  if (FVisible == AValue)
    return;
  FVisible = AValue;
  Changed();
}

void TControl::SetEnabled(bool AValue) {
  if (FEnabled == AValue)
    return;
  FEnabled = AValue;
  Changed();
}

void TControl::UserEnter() {
  if (FFocused)
    return;
  FFocused = true;
  Fire(OnEnter);
}

void TControl::UserExit() {
  if (!FFocused)
    return;
  FFocused = false;
  Fire(OnExit);
}

void TButton::SetCaption(std::u16string AValue) {
  if (FCaption == AValue)
    return;
  FCaption = std::move(AValue);
  Changed();
}

void TButton::JoinGroup(int AGroupIndex, std::vector<TButton*> APartners) {
  FGroupIndex = AGroupIndex;
  std::erase(APartners, this);
  FPartners = std::move(APartners);
}

void TButton::SetDown(bool AValue) {
  if (FDown != AValue) {
    FDown = AValue;
    Changed();
  }
  if (AValue)
    for (TButton* partner : FPartners)
      if (partner->FDown) {
        partner->FDown = false;
        partner->Changed();
      }
}

void TButton::Click() {
  if (!Enabled())
    return;
  if (FGroupIndex > 0)
    SetDown(true);
  Fire(OnClick);
}

void TEdit::SetText(std::u16string AValue) {
  if (FText == AValue)
    return;
  FText = std::move(AValue);
  Changed();
  Fire(OnChange);
}

void TEdit::UserType(std::u16string_view AText) {
  if (FText == AText)
    return;
  // The field shows it already: nothing to mirror.
  FText = std::u16string(AText);
  Fire(OnChange);
}

bool TEdit::UserCancel() {
  if (FText.empty())
    return false;
  SetText({});
  return true;
}

void TSpinEdit::SetRange(int AMin, int AMax) {
  FMin = AMin;
  FMax = AMax;
  Changed();
}

void TSpinEdit::SetValue(int AValue) {
  if (FMax != FMin)
    AValue = std::clamp(AValue, FMin, FMax);
  Assign(AValue);
}

void TSpinEdit::UserSetValue(int AValue) {
  FPending.reset();
  Assign(AValue);
}

namespace {

// The whole text as a decimal number, saturated to the int range; nothing otherwise.
std::optional<int> ParseWholeNumber(std::u16string_view AText) {
  std::size_t i = 0;
  const bool negative = !AText.empty() && AText[0] == u'-';
  if (negative)
    ++i;
  if (i == AText.size())
    return std::nullopt;
  long long value = 0;
  for (; i < AText.size(); ++i) {
    if (AText[i] < u'0' || AText[i] > u'9')
      return std::nullopt;
    value = std::min<long long>(value * 10 + (AText[i] - u'0'), 1LL << 32);
  }
  return static_cast<int>(std::clamp<long long>(negative ? -value : value, INT32_MIN, INT32_MAX));
}

} // namespace

void TSpinEdit::UserType(std::u16string_view AText) {
  if (DeferTyping) {
    FPending = std::u16string(AText);
    return;
  }
  if (const auto value = ParseWholeNumber(AText))
    UserSetValue(*value);
}

void TSpinEdit::UserCommit() {
  if (!FPending)
    return;
  const int value = ParseWholeNumber(*FPending).value_or(FMin);
  FPending.reset();
  // The field shows the applied value again, also when it did not change.
  Changed();
  Assign(value);
}

void TSpinEdit::UserExit() {
  if (Focused())
    UserCommit();
  TControl::UserExit();
}

void TSpinEdit::Assign(int AValue) {
  if (FValue == AValue)
    return;
  FValue = AValue;
  Changed();
  Fire(OnChange);
}

void TTrackBar::SetRange(int AMin, int AMax) {
  FMin = AMin;
  FMax = std::max(AMin, AMax);
  Changed();
  SetPosition(FPosition);
}

void TTrackBar::SetPosition(int AValue) {
  AValue = std::clamp(AValue, FMin, FMax);
  if (FPosition == AValue)
    return;
  FPosition = AValue;
  Changed();
  Fire(OnChange);
}

void TMemo::SetLines(std::vector<std::u16string> ALines) {
  FLines = std::move(ALines);
  FCaretAtEnd = false;
  Changed();
}

std::u16string TMemo::Text() const {
  std::u16string r;
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    if (i > 0)
      r += u"\r\n";
    r += FLines[i];
  }
  return r;
}

void TMemo::SetText(std::u16string_view AText) {
  const std::vector<std::u16string_view> split = SplitLines(AText);
  SetLines({split.begin(), split.end()});
}

void TMemo::AppendLine(std::u16string ALine, std::size_t AMaxLines) {
  TMemoAppend edit;
  for (const std::u16string& line : FLines)
    edit.OldLength += line.size() + 2;
  if (!FLines.empty()) {
    edit.OldLength -= 2;
    edit.Appended = u"\r\n";
  }
  edit.Appended += ALine;
  FLines.push_back(std::move(ALine));
  const std::size_t keep = std::max<std::size_t>(AMaxLines, 1);
  if (FLines.size() > keep) {
    const auto dropped = static_cast<std::ptrdiff_t>(FLines.size() - keep);
    for (auto line = FLines.begin(); line != FLines.begin() + dropped; ++line)
      edit.Removed += line->size() + 2;
    FLines.erase(FLines.begin(), FLines.begin() + dropped);
  }
  FPendingAppend = &edit;
  try {
    Changed();
  } catch (...) {
    FPendingAppend = nullptr;
    throw;
  }
  FPendingAppend = nullptr;
}

void TMemo::SetReadOnly(bool AValue) {
  FReadOnly = AValue;
  Changed();
}

void TMemo::SetVerticalScrollBar(bool AValue) {
  FVerticalScrollBar = AValue;
  Changed();
}

void TMemo::CaretToEnd() {
  FCaretAtEnd = true;
  Changed();
}

void TImage::SetPicture(std::shared_ptr<const TBitmap32> ABitmap) {
  if (FPicture == ABitmap)
    return;
  FPicture = std::move(ABitmap);
  Changed();
}

void TImage::ClearPicture() {
  if (!FPicture)
    return;
  FPicture.reset();
  Changed();
}

void TLabel::SetCaption(std::u16string AValue) {
  if (FCaption == AValue)
    return;
  FCaption = std::move(AValue);
  Changed();
}

void TToggleSwitch::SetOn(bool AValue) {
  if (FOn == AValue)
    return;
  FOn = AValue;
  Changed();
  Fire(OnClick);
}

void TCheckBox::SetChecked(bool AValue) {
  if (FChecked == AValue)
    return;
  FChecked = AValue;
  Changed();
  Fire(OnClick);
}

void TComboBox::SetItems(std::vector<std::u16string> AItems) {
  FItems = std::move(AItems);
  FItemIndex = -1;
  Changed();
}

void TComboBox::SetItemIndex(int AValue) {
  FItemIndex = (AValue >= 0 && AValue < static_cast<int>(FItems.size())) ? AValue : -1;
  Changed();
}

std::u16string TComboBox::Text() const {
  return FItemIndex >= 0 ? FItems[static_cast<std::size_t>(FItemIndex)] : std::u16string();
}

void TComboBox::UserSelect(int AIndex) {
  SetItemIndex(AIndex);
  Fire(OnChange);
}

bool TLetterEdit::IsLetter(char16_t ACharacter) noexcept {
  return (ACharacter >= u'A' && ACharacter <= u'Z') || (ACharacter >= u'a' && ACharacter <= u'z');
}

void TToggleSwitch::SetThumbColor(std::int32_t AValue) {
  if (FThumbColor == AValue)
    return;
  FThumbColor = AValue;
  Changed();
}

void TLetterEdit::SetText(std::u16string AValue) {
  if (FText == AValue)
    return;
  FText = std::move(AValue);
  Changed();
  Fire(OnChange);
}

bool TLetterEdit::UserType(char16_t ACharacter) {
  if (!IsLetter(ACharacter))
    return false;
  SetText(std::u16string(1, ACharacter));
  return true;
}

void TCardPanel::SetActiveCard(int AIndex) {
  if (AIndex < 0 || AIndex >= CardCount() || AIndex == FActive)
    return;
  FActive = AIndex;
  Changed();
}

void TTimer::SetEnabled(bool AValue) {
  if (FEnabled == AValue)
    return;
  FEnabled = AValue;
  if (OnModelChanged)
    OnModelChanged();
}

void TTimer::SetInterval(std::uint32_t AValue) {
  FInterval = AValue;
  if (OnModelChanged)
    OnModelChanged();
}

void TTimer::Tick() {
  if (FEnabled && OnTimer)
    OnTimer();
}

} // namespace tarvel
