// The peers of the text fields: the spin edit, the memo, the one-line edit and the one-letter
// edit.
#include "ui/win32/Peers.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "core/FlagScope.h"
#include "core/Text.h"
#include "core/win32/Check.h"
#include "core/win32/ErrorBoundary.h"
#include "core/win32/Handles.h"
#include "core/win32/Messages.h"
#include "core/win32/Windowing.h"
#include "ui/win32/LogView.h"
#include "ui/win32/PeerSupport.h"
#include "ui/win32/Theme.h"

namespace tarvel {

// Spin edit -------------------------------------------------------------------------------

TSpinEditPeer::TSpinEditPeer(TSpinEdit& AModel, HWND AEdit, HWND AUpDown)
    : TPeer(AModel, AEdit), FSpin(AModel), FUpDown(AUpDown) {
  SetWindowSubclass(Handle(), SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  Mirror();
}

TSpinEditPeer::~TSpinEditPeer() {
  RemoveWindowSubclass(Handle(), SubclassProc, 1);
}

LRESULT CALLBACK TSpinEditPeer::SubclassProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR,
                                             DWORD_PTR AData) {
  return Guarded(AWindow, [&]() -> LRESULT {
    auto* self = reinterpret_cast<TSpinEditPeer*>(AData);
    if (AMessage == pmMirrorLater) {
      self->Mirror();
      return 0;
    }
    LRESULT result = 0;
    const auto commit = [&] {
      self->FSpin.UserCommit();
      SendMessageW(AWindow, EM_SETSEL, 0, -1);
    };
    if (HandleEnter(AWindow, AMessage, AWParam, ALParam, result, commit))
      return result;
    return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
  });
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

TMemoPeer::TMemoPeer(TMemo& AModel, HWND AHandle) : TPeer(AModel, AHandle) {
  // A little air between the frame and the text.
  SendMessageW(AHandle, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(6, 6));
  // Appended lines go in through EM_REPLACESEL, which keeps to the limit (30000 characters
  // unless set); the full log is longer.
  SendMessageW(AHandle, EM_SETLIMITTEXT, 0, 0);
  SetWindowSubclass(Handle(), SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  Mirror();
}

TMemoPeer::~TMemoPeer() {
  RemoveWindowSubclass(Handle(), SubclassProc, 1);
}

LRESULT CALLBACK TMemoPeer::SubclassProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR,
                                         DWORD_PTR AData) {
  return Guarded(AWindow, [&]() -> LRESULT {
    if (AMessage == WM_CONTEXTMENU &&
        ShowContextMenu(AWindow, reinterpret_cast<TMemoPeer*>(AData)->Model(), ALParam, true))
      return 0;
    if (AMessage == WM_GETDLGCODE) {
      LRESULT code = DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
      // A read-only text has no use for Tab, Enter or Escape: they go to the window, so that
      // Tab moves on instead of being swallowed.
      if (static_cast<TMemo&>(reinterpret_cast<TMemoPeer*>(AData)->Model()).ReadOnly()) {
        code &= ~(DLGC_WANTTAB | DLGC_WANTALLKEYS);
        if (IsKeyDown(ALParam, VK_TAB) || IsKeyDown(ALParam, VK_RETURN) || IsKeyDown(ALParam, VK_ESCAPE))
          code &= ~DLGC_WANTMESSAGE;
      }
      return code;
    }
    return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
  });
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

// One-line edit ---------------------------------------------------------------------------

TEditPeer::TEditPeer(TEdit& AModel, HWND AHandle) : TPeer(AModel, AHandle), FEdit(AModel) {
  // A search needs no more; a pasted page would only be slow to look for.
  SendMessageW(Handle(), EM_SETLIMITTEXT, 1024, 0);
  // The hint stays while the field is focused and empty, as in the system's search boxes.
  SendMessageW(Handle(), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(ToWide(FEdit.TextHint()).c_str()));
  SetWindowSubclass(Handle(), SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  Mirror();
}

TEditPeer::~TEditPeer() {
  RemoveWindowSubclass(Handle(), SubclassProc, 1);
}

void TEditPeer::Mirror() {
  TPeer::Mirror();
  const TFlagScope mirroring(FMirroring);
  SetTextIfDifferent(Handle(), FEdit.Text());
}

void TEditPeer::Command(WORD ANotifyCode) {
  if (ANotifyCode == EN_SETFOCUS) {
    FEdit.UserEnter();
  } else if (ANotifyCode == EN_KILLFOCUS) {
    FEdit.UserExit();
  } else if (ANotifyCode == EN_CHANGE && !FMirroring) {
    const TFlagScope mirroring(FMirroring);
    FEdit.UserType(ToU16(WindowText(Handle())));
  }
}

LRESULT CALLBACK TEditPeer::SubclassProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR,
                                         DWORD_PTR AData) {
  return Guarded(AWindow, [&]() -> LRESULT {
    auto* self = reinterpret_cast<TEditPeer*>(AData);
    LRESULT result = 0;
    if (HandleEnter(AWindow, AMessage, AWParam, ALParam, result, [&] { self->FEdit.UserCommit(); }))
      return result;
    // Escape belongs to the field while it has text to empty.
    if (AMessage == WM_GETDLGCODE && IsKeyDown(ALParam, VK_ESCAPE) && !self->FEdit.Text().empty())
      return DefSubclassProc(AWindow, AMessage, AWParam, ALParam) | DLGC_WANTMESSAGE;
    if (AMessage == WM_KEYDOWN && AWParam == VK_ESCAPE && self->FEdit.UserCancel())
      return 0;
    // The character Escape makes would only beep.
    if (AMessage == WM_CHAR && AWParam == VK_ESCAPE)
      return 0;
    return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
  });
}

// One-letter edit -------------------------------------------------------------------------

TLetterEditPeer::TLetterEditPeer(TLetterEdit& AModel, HWND AHandle) : TPeer(AModel, AHandle), FEdit(AModel) {
  SendMessageW(Handle(), EM_SETLIMITTEXT, 1, 0);
  SetWindowSubclass(Handle(), SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  Mirror();
}

TLetterEditPeer::~TLetterEditPeer() {
  RemoveWindowSubclass(Handle(), SubclassProc, 1);
}

void TLetterEditPeer::Mirror() {
  TPeer::Mirror();
  {
    const TFlagScope mirroring(FMirroring);
    SetTextIfDifferent(Handle(), FEdit.Text());
  }
}

void TLetterEditPeer::Command(WORD ANotifyCode) {
  if (ANotifyCode == EN_SETFOCUS) {
    FEdit.UserEnter();
  } else if (ANotifyCode == EN_KILLFOCUS) {
    FEdit.UserExit();
  } else if (ANotifyCode == EN_CHANGE && !FMirroring) {
    // Deleting the letter empties the model too; typed letters arrive through WM_CHAR.
    {
      const TFlagScope mirroring(FMirroring);
      FEdit.SetText(ToU16(WindowText(Handle())));
    }
  }
}

LRESULT CALLBACK TLetterEditPeer::SubclassProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR,
                                               DWORD_PTR AData) {
  return Guarded(AWindow, [&]() -> LRESULT {
    auto* self = reinterpret_cast<TLetterEditPeer*>(AData);
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
        return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
      // The mask takes one letter: a typed letter replaces the field's content, anything
      // else is refused with the usual beep.
      bool accepted = false;
      {
        const TFlagScope mirroring(self->FMirroring);
        accepted = self->FEdit.UserType(c);
      }
      if (accepted) {
        SetWindowTextW(AWindow, ToWide(self->FEdit.Text()).c_str());
        SendMessageW(AWindow, EM_SETSEL, 1, 1);
      } else {
        MessageBeep(MB_OK);
      }
      return 0;
    }
    if (AMessage == WM_PASTE)
      return 0;
    return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
  });
}

} // namespace tarvel
