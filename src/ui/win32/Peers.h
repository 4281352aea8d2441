#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace tarvel {

// Mirrors one control model onto its window and turns the user's input into model
// changes. The owning window hands what its controls report (WM_COMMAND, WM_HSCROLL,
// WM_VSCROLL, WM_DRAWITEM) to the peer of the control that sent it (TPeerHost).
class TPeer {
public:
  TPeer(TControl& AModel, HWND AHandle);
  virtual ~TPeer();
  TPeer(const TPeer&) = delete;
  TPeer& operator=(const TPeer&) = delete;

  HWND Handle() const noexcept { return FHandle; }
  TControl& Model() const noexcept { return FModel; }
  // Whether AWindow is this control's, its main window or a part of it.
  virtual bool Owns(HWND AWindow) const noexcept { return AWindow == FHandle; }

  // Copies the model's state to the window.
  virtual void Mirror();
  virtual void Command(WORD /*ANotifyCode*/) {}
  virtual void Scroll(int /*ACode*/) {}
  virtual void DrawItem(const DRAWITEMSTRUCT& /*AItem*/) {}

protected:
  // For a peer that creates its control itself: the control's handle, once it exists.
  void AttachHandle(HWND AHandle) noexcept { FHandle = AHandle; }
  // Guards against mirroring a change back to the window that reported it.
  bool FMirroring = false;

private:
  TControl& FModel;
  HWND FHandle;
};

// A peer that sees its control's messages before the control does (a window subclass, from
// the peer's construction to its destruction).
class TSubclassPeer : public TPeer {
public:
  TSubclassPeer(TControl& AModel, HWND AHandle);
  ~TSubclassPeer() override;

protected:
  // A message to the control, inside the error boundary. What the peer does not take goes on
  // to the control, as the default does.
  virtual LRESULT ControlMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);

private:
  static LRESULT CALLBACK SubclassProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR AId,
                                       DWORD_PTR AData);
};

// An owner-drawn button. Space and Enter click it; the focus shows as a light outline
// once the keyboard is in use. A caption-only button is a label with an icon: it takes
// neither clicks nor the focus.
class TButtonPeer : public TPeer {
public:
  TButtonPeer(TButton& AModel, HWND AHandle, HIMAGELIST AImages, bool ACaptionOnly);
  ~TButtonPeer() override;
  void Mirror() override;
  void Command(WORD ANotifyCode) override;
  void DrawItem(const DRAWITEMSTRUCT& AItem) override;
  bool CaptionOnly() const noexcept { return FCaptionOnly; }
  // The icons it draws from now on (the window's list, made again at a new DPI).
  void SetImages(HIMAGELIST AImages) noexcept;
  // Width a button needs for its icon and caption in AWindow's font.
  static int ContentWidth(HWND AWindow, const std::u16string& ACaption, int AIconSize, bool ACaptionOnly);

private:
  TButton& FButton;
  HIMAGELIST FImages;
  bool FCaptionOnly;
};

class TToggleSwitchPeer : public TPeer {
public:
  TToggleSwitchPeer(TToggleSwitch& AModel, HWND AHandle);
  ~TToggleSwitchPeer() override;
  void Mirror() override;
  void Command(WORD ANotifyCode) override;
  void DrawItem(const DRAWITEMSTRUCT& AItem) override;
  // Width of the switch and its longer state caption at height AHeight.
  static int ContentWidth(HWND AWindow, const TToggleSwitch& ASwitch, int AHeight);

private:
  TToggleSwitch& FSwitch;
};

// An owner-drawn check box: a rounded box, ticked when checked, and its caption, on
// ABackground. Space and a click toggle it; other programs read and set it as a standard
// one (BM_GETCHECK, BM_SETCHECK).
class TCheckBoxPeer : public TSubclassPeer {
public:
  TCheckBoxPeer(TCheckBox& AModel, HWND AHandle, COLORREF ABackground);
  void Mirror() override;
  void Command(WORD ANotifyCode) override;
  void DrawItem(const DRAWITEMSTRUCT& AItem) override;

protected:
  LRESULT ControlMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) override;

private:
  TCheckBox& FCheck;
  COLORREF FBackground;
};

// An edit with an up-down buddy. Enter and an arrow step commit what was typed (see
// TSpinEdit::DeferTyping).
class TSpinEditPeer : public TSubclassPeer {
public:
  TSpinEditPeer(TSpinEdit& AModel, HWND AEdit, HWND AUpDown);
  void Mirror() override;
  void Command(WORD ANotifyCode) override;
  HWND UpDown() const noexcept { return FUpDown; }
  bool Owns(HWND AWindow) const noexcept override { return TPeer::Owns(AWindow) || AWindow == FUpDown; }
  // The arrows (buttons or keys) changed the value: a commit.
  void Scroll(int ACode) override;

protected:
  LRESULT ControlMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) override;

private:
  TSpinEdit& FSpin;
  HWND FUpDown;
};

class TTrackBarPeer : public TPeer {
public:
  TTrackBarPeer(TTrackBar& AModel, HWND AHandle);
  void Mirror() override;
  void Scroll(int ACode) override;

private:
  TTrackBar& FTrack;
};

// A multi-line edit. A read-only one leaves Tab to the dialog manager, so that the
// keyboard can move on from it.
class TMemoPeer : public TSubclassPeer {
public:
  TMemoPeer(TMemo& AModel, HWND AHandle);
  void Mirror() override;

protected:
  LRESULT ControlMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) override;
};

// A memo shown by a log view (TLogView): a line appended (TMemo::AppendLine) is added to the
// view and the lines it pushed out are dropped, without laying out the others again.
class TLogViewPeer : public TPeer {
public:
  TLogViewPeer(TMemo& AModel, HWND AHandle);
  void Mirror() override;
};

// A label. An owner-drawn one (SS_OWNERDRAW) that does not fit on one line breaks at its
// last double blank into two lines, each cut with an ellipsis.
class TLabelPeer : public TPeer {
public:
  TLabelPeer(TLabel& AModel, HWND AHandle);
  void Mirror() override;
  void DrawItem(const DRAWITEMSTRUCT& AItem) override;
};

class TComboBoxPeer : public TPeer {
public:
  TComboBoxPeer(TComboBox& AModel, HWND AHandle);
  void Mirror() override;
  void Command(WORD ANotifyCode) override;

private:
  TComboBox& FCombo;
};

// A one-line edit showing the text of a TModel (TEdit, TLetterEdit): the focus moving in and
// out and the user's edits go to the model.
template <class TModel> class TTextFieldPeer : public TSubclassPeer {
public:
  TTextFieldPeer(TModel& AModel, HWND AHandle) : TSubclassPeer(AModel, AHandle), FField(AModel) {}
  void Mirror() override;
  void Command(WORD ANotifyCode) override;

protected:
  TModel& FField;
};

extern template class TTextFieldPeer<TEdit>;
extern template class TTextFieldPeer<TLetterEdit>;

// A one-line edit with its hint. Enter commits; Escape empties it, or, when it is empty
// already, goes on to the window as from any other control.
class TEditPeer final : public TTextFieldPeer<TEdit> {
public:
  TEditPeer(TEdit& AModel, HWND AHandle);

protected:
  LRESULT ControlMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) override;
};

// A one-letter field. Enter moves on to the next control, which applies the letter.
class TLetterEditPeer final : public TTextFieldPeer<TLetterEdit> {
public:
  TLetterEditPeer(TLetterEdit& AModel, HWND AHandle);

protected:
  LRESULT ControlMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) override;
};

// A picture drawn scaled to fit, proportional and centred, in a window of its own that the
// peer creates on AParent with the dialog id AId. The window's messages go to the peer while
// both exist (ObjectWindowProc).
class TImagePeer final : public TPeer {
public:
  TImagePeer(TImage& AModel, HINSTANCE AInstance, HWND AParent, int AId);
  ~TImagePeer() override;
  void Mirror() override;
  static constexpr wchar_t ClassName[] = L"TarvelImage";

private:
  LRESULT WindowMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  void Paint(HDC ADC, const RECT& AClient) const;
  TImage& FImage;
};

std::wstring WindowText(HWND AWindow);

// For WM_GETDLGCODE: whether the message the dialog manager asks about is a key-down of
// AKey.
bool IsKeyDown(LPARAM AMessage, WPARAM AKey);

} // namespace tarvel
