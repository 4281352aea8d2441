#pragma once

// Portable models of the window's controls. Each holds the state the program talks about
// and fires the events its handlers hang on, with the classic semantics the handlers rely
// on: setting a value from code fires the change or click event just as user input does
// (that is why the window guards its own updates with flags), and OnEnter / OnExit fire
// on focus changes. A platform peer mirrors a model onto a real control: it listens to
// OnModelChanged and feeds user input back through the User... methods.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Bitmap32.h"
#include "ui/Menus.h"

namespace tarvel {

class TControl;
using TNotifyEvent = std::function<void(TControl& ASender)>;

class TControl {
public:
  explicit TControl(std::u16string AName) : FName(std::move(AName)) {}
  virtual ~TControl() = default;
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const std::u16string& Name() const noexcept { return FName; }
  bool Visible() const noexcept { return FVisible; }
  void SetVisible(bool AValue);
  bool Enabled() const noexcept { return FEnabled; }
  void SetEnabled(bool AValue);
  bool Focused() const noexcept { return FFocused; }

  // Focus moves: the peer reports them, tests call them directly.
  void UserEnter();
  virtual void UserExit();

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  // The control's context menu, or none (then the control's own, if it has one).
  TPopupMenu* PopupMenu = nullptr;
  // For the peer: some state of the model changed and should be mirrored.
  std::function<void()> OnModelChanged;

protected:
  void Changed() const;
  void Fire(const TNotifyEvent& AEvent) {
    if (AEvent)
      AEvent(*this);
  }

private:
  std::u16string FName;
  bool FVisible = true;
  bool FEnabled = true;
  bool FFocused = false;
};

// A push button, or a caption button with an icon. In a group (GroupIndex > 0) it is a
// toggle: clicking puts it down and the group's other buttons up.
class TButton : public TControl {
public:
  TButton(std::u16string AName, std::u16string ACaption, int AImageIndex = -1)
      : TControl(std::move(AName)), FCaption(std::move(ACaption)), FImageIndex(AImageIndex) {}

  const std::u16string& Caption() const noexcept { return FCaption; }
  void SetCaption(std::u16string AValue);
  int ImageIndex() const noexcept { return FImageIndex; }

  int GroupIndex() const noexcept { return FGroupIndex; }
  bool Down() const noexcept { return FDown; }
  // Puts the button down (and its group partners up); does not click it.
  void SetDown(bool AValue);
  void JoinGroup(int AGroupIndex, std::vector<TButton*> APartners);

  // A click by the user or from code: a disabled button ignores it.
  void Click();
  TNotifyEvent OnClick;

private:
  std::u16string FCaption;
  int FImageIndex;
  int FGroupIndex = 0;
  bool FDown = false;
  std::vector<TButton*> FPartners;
};

// A numeric field with up and down arrows. Value() is what the field holds (the user
// may type past the range); SetValue clamps to the range unless Min = Max.
//
// What the user types arrives through UserType. Normally each keystroke that leaves a
// number applies it at once. With DeferTyping the text only applies when it is committed:
// Enter (UserCommit), leaving the field (UserExit) or an arrow step; so typing "25" never
// applies 2 on the way, and a field whose changes cannot be undone stays safe to edit.
class TSpinEdit : public TControl {
public:
  using TControl::TControl;

  int MinValue() const noexcept { return FMin; }
  int MaxValue() const noexcept { return FMax; }
  void SetRange(int AMin, int AMax);
  int Value() const noexcept { return FValue; }
  void SetValue(int AValue);
  // The user stepped to AValue, or committed it: no clamping.
  void UserSetValue(int AValue);

  bool DeferTyping = false;
  // The field's text after a keystroke. An empty text or a lone "-" is still being typed.
  void UserType(std::u16string_view AText);
  // Enter: applies text typed since the last commit. Text that is not a number applies
  // the minimum.
  void UserCommit();
  void UserExit() override;
  // Typed text not yet applied; the peer leaves it in the field.
  bool HasPendingText() const noexcept { return FPending.has_value(); }

  TNotifyEvent OnChange;

private:
  void Assign(int AValue);
  int FMin = 0;
  int FMax = 0;
  int FValue = 0;
  std::optional<std::u16string> FPending;
};

// A one-line text field. Changing the text, by the user or from code, fires OnChange.
class TEdit : public TControl {
public:
  TEdit(std::u16string AName, std::u16string ATextHint = {})
      : TControl(std::move(AName)), FTextHint(std::move(ATextHint)) {}

  const std::u16string& Text() const noexcept { return FText; }
  void SetText(std::u16string AValue);
  // Shown greyed in the empty field, as a hint of what it is for.
  const std::u16string& TextHint() const noexcept { return FTextHint; }

  // The field's text after a keystroke.
  void UserType(std::u16string_view AText);
  // Enter.
  void UserCommit() { Fire(OnCommit); }
  // Escape: empties the field. False when it was empty already, so that the key can do what
  // it does elsewhere.
  bool UserCancel();

  TNotifyEvent OnChange;
  TNotifyEvent OnCommit;

private:
  std::u16string FText;
  std::u16string FTextHint;
};

// A slider. Position always lies in Min..Max; any change of it fires OnChange.
class TTrackBar : public TControl {
public:
  using TControl::TControl;

  int Min() const noexcept { return FMin; }
  int Max() const noexcept { return FMax; }
  void SetRange(int AMin, int AMax);
  int Position() const noexcept { return FPosition; }
  void SetPosition(int AValue);
  int PageSize() const noexcept { return FPageSize; }
  void SetPageSize(int AValue) { FPageSize = AValue; }

  TNotifyEvent OnChange;

private:
  int FMin = 0;
  int FMax = 0;
  int FPosition = 0;
  int FPageSize = 5;
};

// A multi-line text field.
// What TMemo::AppendLine did to the text (Text()): it was OldLength characters long,
// Appended went on at its end (with the line break before it, when there were lines), and
// then the first Removed characters went (the dropped lines with their line breaks).
struct TMemoAppend {
  std::size_t OldLength = 0;
  std::u16string Appended;
  std::size_t Removed = 0;
};

class TMemo : public TControl {
public:
  using TControl::TControl;

  const std::vector<std::u16string>& Lines() const noexcept { return FLines; }
  void SetLines(std::vector<std::u16string> ALines);
  void Clear() { SetLines({}); }
  // All lines joined with CR LF (no line break after the last).
  std::u16string Text() const;
  // Splits at CR LF, lone CR or lone LF.
  void SetText(std::u16string_view AText);
  // Adds ALine at the end and drops the first lines beyond AMaxLines (one line stays at
  // least). The lines become what SetLines would make them; the peer is told the edit
  // (PendingAppend), so that it changes the end and the beginning of the field instead of
  // copying the whole text again. The caret keeps its flag.
  void AppendLine(std::u16string ALine, std::size_t AMaxLines);
  // The edit being reported, during the change notification of AppendLine only.
  const TMemoAppend* PendingAppend() const noexcept { return FPendingAppend; }
  bool ReadOnly() const noexcept { return FReadOnly; }
  void SetReadOnly(bool AValue);
  bool VerticalScrollBar() const noexcept { return FVerticalScrollBar; }
  void SetVerticalScrollBar(bool AValue);
  // Caret after the last character, which scrolls the view to the end.
  void CaretToEnd();
  bool CaretAtEnd() const noexcept { return FCaretAtEnd; }

private:
  std::vector<std::u16string> FLines;
  bool FReadOnly = false;
  bool FVerticalScrollBar = false;
  bool FCaretAtEnd = false;
  const TMemoAppend* FPendingAppend = nullptr;
};

// A picture, drawn scaled to fit with its proportions kept and centred when Stretch,
// Proportional and Center are on.
class TImage : public TControl {
public:
  using TControl::TControl;

  const TBitmap32* Picture() const noexcept { return FPicture.get(); }
  // Shares the image: a full-screen entry is 8 MB, and the history never changes it.
  void SetPicture(std::shared_ptr<const TBitmap32> ABitmap);
  void ClearPicture();
  bool Stretch = false;
  bool Proportional = false;
  bool Center = false;

private:
  std::shared_ptr<const TBitmap32> FPicture;
};

class TLabel : public TControl {
public:
  TLabel(std::u16string AName, std::u16string ACaption) : TControl(std::move(AName)), FCaption(std::move(ACaption)) {}
  const std::u16string& Caption() const noexcept { return FCaption; }
  void SetCaption(std::u16string AValue);

private:
  std::u16string FCaption;
};

// An on/off switch with a caption for each state. Changing the state, by the user or
// from code, fires OnClick.
class TToggleSwitch : public TControl {
public:
  TToggleSwitch(std::u16string AName, std::u16string AOnCaption = u"On", std::u16string AOffCaption = u"Off")
      : TControl(std::move(AName)), FOnCaption(std::move(AOnCaption)), FOffCaption(std::move(AOffCaption)) {}

  bool IsOn() const noexcept { return FOn; }
  void SetOn(bool AValue);
  // The user flipped it.
  void Toggle() { SetOn(!FOn); }
  const std::u16string& StateCaption() const noexcept { return FOn ? FOnCaption : FOffCaption; }
  const std::u16string& OnCaption() const noexcept { return FOnCaption; }
  const std::u16string& OffCaption() const noexcept { return FOffCaption; }
  // The thumb's colour as 0xRRGGBB; no colour of its own (the theme's) when negative.
  std::int32_t ThumbColor() const noexcept { return FThumbColor; }
  void SetThumbColor(std::int32_t AValue);

  TNotifyEvent OnClick;

private:
  bool FOn = false;
  std::int32_t FThumbColor = -1;
  std::u16string FOnCaption;
  std::u16string FOffCaption;
};

// A check box with its caption. Checking it from code runs its click handler, as the
// user's click does.
class TCheckBox : public TControl {
public:
  TCheckBox(std::u16string AName, std::u16string ACaption)
      : TControl(std::move(AName)), FCaption(std::move(ACaption)) {}

  bool Checked() const noexcept { return FChecked; }
  void SetChecked(bool AValue);
  // The user clicked it (or pressed Space on it).
  void Toggle() { SetChecked(!FChecked); }
  const std::u16string& Caption() const noexcept { return FCaption; }

  TNotifyEvent OnClick;

private:
  bool FChecked = false;
  std::u16string FCaption;
};

// A drop-down list. As in the classic control, choosing an item by the user fires
// OnChange; setting ItemIndex from code does not.
class TComboBox : public TControl {
public:
  using TControl::TControl;

  const std::vector<std::u16string>& Items() const noexcept { return FItems; }
  void SetItems(std::vector<std::u16string> AItems);
  int ItemIndex() const noexcept { return FItemIndex; }
  void SetItemIndex(int AValue);
  std::u16string Text() const;
  void UserSelect(int AIndex);

  TNotifyEvent OnChange;

private:
  std::vector<std::u16string> FItems;
  int FItemIndex = -1;
};

// A field that holds exactly one letter (or nothing while being edited). Typing anything
// but a letter is refused; setting the text from code fires OnChange.
class TLetterEdit : public TControl {
public:
  TLetterEdit(std::u16string AName, std::u16string AText) : TControl(std::move(AName)) { FText = std::move(AText); }

  const std::u16string& Text() const noexcept { return FText; }
  void SetText(std::u16string AValue);
  // The user typed ACharacter; false when the mask refused it.
  bool UserType(char16_t ACharacter);
  static bool IsLetter(char16_t ACharacter) noexcept;

  TNotifyEvent OnChange;

private:
  std::u16string FText;
};

// Shows one of its cards at a time.
class TCardPanel : public TControl {
public:
  TCardPanel(std::u16string AName, std::vector<std::u16string> ACards)
      : TControl(std::move(AName)), FCards(std::move(ACards)) {}
  int ActiveCardIndex() const noexcept { return FActive; }
  const std::u16string& ActiveCard() const { return FCards.at(static_cast<std::size_t>(FActive)); }
  void SetActiveCard(int AIndex);
  int CardCount() const noexcept { return static_cast<int>(FCards.size()); }

private:
  std::vector<std::u16string> FCards;
  int FActive = 0;
};

// A timer on the main thread. The peer runs a window timer while Enabled; tests call
// Tick().
class TTimer {
public:
  TTimer() = default;
  // Disabled; once enabled, fires AOnTimer every AInterval ms.
  TTimer(std::uint32_t AInterval, std::function<void()> AOnTimer)
      : OnTimer(std::move(AOnTimer)), FInterval(AInterval) {}

  bool Enabled() const noexcept { return FEnabled; }
  void SetEnabled(bool AValue);
  std::uint32_t Interval() const noexcept { return FInterval; }
  void SetInterval(std::uint32_t AValue);
  // One expiry: fires OnTimer when enabled.
  void Tick();

  std::function<void()> OnTimer;
  std::function<void()> OnModelChanged;

private:
  bool FEnabled = false;
  std::uint32_t FInterval = 1000;
};

} // namespace tarvel
