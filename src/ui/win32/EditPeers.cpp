// The peers of the text fields: the spin edit, the memo, the one-line edit and the one-letter
// edit.
#include "ui/win32/Peers.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "core/FlagScope.h"
#include "core/Text.h"
#include "core/win32/Check.h"
#include "core/win32/Handles.h"
#include "core/win32/Messages.h"
#include "ui/win32/LogView.h"
#include "ui/win32/PeerSupport.h"
#include "ui/win32/Theme.h"

namespace tarvel {

// Spin edit -------------------------------------------------------------------------------

TSpinEditPeer::TSpinEditPeer(TSpinEdit& AModel, HWND AEdit, HWND AUpDown)
    : TSubclassPeer(AModel, AEdit), FSpin(AModel), FUpDown(AUpDown) {
  Mirror();
}

LRESULT TSpinEditPeer::ControlMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == pmMirrorLater) {
    Mirror();
    return 0;
  }
  LRESULT result = 0;
  const auto commit = [&] {
    FSpin.UserCommit();
    SendMessageW(AWindow, EM_SETSEL, 0, -1);
  };
  if (HandleEnter(AWindow, AMessage, AWParam, ALParam, result, commit))
    return result;
  return TSubclassPeer::ControlMessage(AWindow, AMessage, AWParam, ALParam);
}

void TSpinEditPeer::Mirror() {
  TPeer::Mirror();
  ShowWindow(FUpDown, FSpin.Visible() ? SW_SHOWNA : SW_HIDE);
  EnableWindow(FUpDown, FSpin.Enabled());
  {
    const TFlagScope mirroring(FMirroring);
    SendMessageW(FUpDown, UDM_SETRANGE32, static_cast<WPARAM>(FSpin.MinValue()), static_cast<LPARAM>(FSpin.MaxValue()));
    // What the user is typing stays until it is committed.
    if (!FSpin.HasPendingText())
      SetTextIfDifferent(Handle(), IntToStr(FSpin.Value()));
  }
}

void TSpinEditPeer::Command(WORD ANotifyCode) {
  if (ANotifyCode == EN_SETFOCUS)
    FSpin.UserEnter();
  else if (ANotifyCode == EN_KILLFOCUS)
    FSpin.UserExit();
  if (ANotifyCode != EN_CHANGE || FMirroring)
    return;
  const std::u16string text = ToU16(WindowText(Handle()));
  {
    const TFlagScope mirroring(FMirroring);
    FSpin.UserType(text);
  }
  // A handler corrected an applied value: show the correction once the edit is done.
  if (!FSpin.HasPendingText() && !text.empty() && text != u"-" && text != IntToStr(FSpin.Value()))
    PostMessageW(Handle(), pmMirrorLater, 0, 0);
}

void TSpinEditPeer::Scroll(int ACode) {
  if (ACode != SB_THUMBPOSITION)
    return;
  // The arrows have written the new number into the field.
  FSpin.UserType(ToU16(WindowText(Handle())));
  FSpin.UserCommit();
}

// Memo --------------------------------------------------------------------------------------

TMemoPeer::TMemoPeer(TMemo& AModel, HWND AHandle) : TSubclassPeer(AModel, AHandle) {
  // A little air between the frame and the text.
  SendMessageW(AHandle, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(6, 6));
  // Appended lines go in through EM_REPLACESEL, which keeps to the limit (30000 characters
  // unless set); the full log is longer.
  SendMessageW(AHandle, EM_SETLIMITTEXT, 0, 0);
  Mirror();
}

LRESULT TMemoPeer::ControlMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == WM_CONTEXTMENU && ShowContextMenu(AWindow, Model(), ALParam, true))
    return 0;
  if (AMessage == WM_GETDLGCODE) {
    LRESULT code = DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
    // A read-only text has no use for Tab, Enter or Escape: they go to the window, so that
    // Tab moves on instead of being swallowed.
    if (static_cast<TMemo&>(Model()).ReadOnly()) {
      code &= ~(DLGC_WANTTAB | DLGC_WANTALLKEYS);
      if (IsKeyDown(ALParam, VK_TAB) || IsKeyDown(ALParam, VK_RETURN) || IsKeyDown(ALParam, VK_ESCAPE))
        code &= ~DLGC_WANTMESSAGE;
    }
    return code;
  }
  return TSubclassPeer::ControlMessage(AWindow, AMessage, AWParam, ALParam);
}

void TMemoPeer::Mirror() {
  auto& memo = static_cast<TMemo&>(Model());
  TPeer::Mirror();
  SetTextIfDifferent(Handle(), memo.Text());
  if (memo.CaretAtEnd()) {
    const int length = GetWindowTextLengthW(Handle());
    SendMessageW(Handle(), EM_SETSEL, length, length);
    SendMessageW(Handle(), EM_SCROLLCARET, 0, 0);
  }
}

// Log view ----------------------------------------------------------------------------------

TLogViewPeer::TLogViewPeer(TMemo& AModel, HWND AHandle) : TPeer(AModel, AHandle) {
  if (!TLogView::FromHandle(AHandle))
    throw std::invalid_argument("TLogViewPeer: not a log view");
  Mirror();
}

void TLogViewPeer::Mirror() {
  auto& memo = static_cast<TMemo&>(Model());
  TLogView& view = *TLogView::FromHandle(Handle());
  const TWrappedText& shown = view.Text();
  const std::vector<std::u16string>& lines = memo.Lines();
  // An append to what the view shows: the new line goes on, the oldest go.
  if (const TMemoAppend* edit = memo.PendingAppend();
      edit && !lines.empty() && shown.Length() == edit->OldLength && shown.LineCount() + 1 >= lines.size()) {
    const std::size_t dropped = shown.LineCount() + 1 - lines.size();
    if (lines.size() < 2 || shown.Line(shown.LineCount() - 1) == lines[lines.size() - 2]) {
      view.Append(lines.back(), dropped);
      return;
    }
  }
  TPeer::Mirror();
  bool same = shown.LineCount() == lines.size();
  for (std::size_t i = 0; same && i < lines.size(); ++i)
    same = shown.Line(i) == lines[i];
  if (!same)
    view.Assign(lines);
  if (memo.CaretAtEnd()) {
    view.Select(shown.End(), shown.End());
    view.ScrollToEnd();
  }
}

// One-line fields ------------------------------------------------------------------------

namespace {

// The field's text after the user edited it.
void TakeEdited(TEdit& AEdit, const std::u16string& AText) {
  AEdit.UserType(AText);
}
// Deleting the letter empties the model too; typed letters arrive through WM_CHAR.
void TakeEdited(TLetterEdit& AEdit, const std::u16string& AText) {
  AEdit.SetText(AText);
}

} // namespace

template <class TModel> void TTextFieldPeer<TModel>::Mirror() {
  TPeer::Mirror();
  const TFlagScope mirroring(FMirroring);
  SetTextIfDifferent(Handle(), FField.Text());
}

template <class TModel> void TTextFieldPeer<TModel>::Command(WORD ANotifyCode) {
  if (ANotifyCode == EN_SETFOCUS) {
    FField.UserEnter();
  } else if (ANotifyCode == EN_KILLFOCUS) {
    FField.UserExit();
  } else if (ANotifyCode == EN_CHANGE && !FMirroring) {
    const TFlagScope mirroring(FMirroring);
    TakeEdited(FField, ToU16(WindowText(Handle())));
  }
}

template class TTextFieldPeer<TEdit>;
template class TTextFieldPeer<TLetterEdit>;

TEditPeer::TEditPeer(TEdit& AModel, HWND AHandle) : TTextFieldPeer(AModel, AHandle) {
  // A search needs no more; a pasted page would only be slow to look for.
  SendMessageW(Handle(), EM_SETLIMITTEXT, 1024, 0);
  // The hint stays while the field is focused and empty, as in the system's search boxes.
  SendMessageW(Handle(), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(ToWide(FField.TextHint()).c_str()));
  Mirror();
}

LRESULT TEditPeer::ControlMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  LRESULT result = 0;
  if (HandleEnter(AWindow, AMessage, AWParam, ALParam, result, [&] { FField.UserCommit(); }))
    return result;
  // Escape belongs to the field while it has text to empty.
  if (AMessage == WM_GETDLGCODE && IsKeyDown(ALParam, VK_ESCAPE) && !FField.Text().empty())
    return DefSubclassProc(AWindow, AMessage, AWParam, ALParam) | DLGC_WANTMESSAGE;
  if (AMessage == WM_KEYDOWN && AWParam == VK_ESCAPE && FField.UserCancel())
    return 0;
  // The character Escape makes would only beep.
  if (AMessage == WM_CHAR && AWParam == VK_ESCAPE)
    return 0;
  return TSubclassPeer::ControlMessage(AWindow, AMessage, AWParam, ALParam);
}

TLetterEditPeer::TLetterEditPeer(TLetterEdit& AModel, HWND AHandle) : TTextFieldPeer(AModel, AHandle) {
  SendMessageW(Handle(), EM_SETLIMITTEXT, 1, 0);
  Mirror();
}

LRESULT TLetterEditPeer::ControlMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  LRESULT result = 0;
  // Enter moves on, as Tab does; leaving the field is what applies its letter.
  const auto moveOn = [&] {
    if (const HWND next = GetNextDlgTabItem(GetAncestor(AWindow, GA_ROOT), AWindow, FALSE))
      SetFocus(next);
  };
  if (HandleEnter(AWindow, AMessage, AWParam, ALParam, result, moveOn))
    return result;
  if (AMessage == WM_CHAR) {
    const auto c = static_cast<char16_t>(AWParam);
    if (c < 32)
      return TSubclassPeer::ControlMessage(AWindow, AMessage, AWParam, ALParam);
    // The mask takes one letter: a typed letter replaces the field's content, anything else
    // is refused with the usual beep.
    bool accepted = false;
    {
      const TFlagScope mirroring(FMirroring);
      accepted = FField.UserType(c);
    }
    if (accepted) {
      SetWindowTextW(AWindow, ToWide(FField.Text()).c_str());
      SendMessageW(AWindow, EM_SETSEL, 1, 1);
    } else {
      MessageBeep(MB_OK);
    }
    return 0;
  }
  if (AMessage == WM_PASTE)
    return 0;
  return TSubclassPeer::ControlMessage(AWindow, AMessage, AWParam, ALParam);
}

} // namespace tarvel
