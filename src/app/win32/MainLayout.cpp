// TWin32MainWindow: where every control goes, at the design size and down to the smallest
// window, and the boxes drawn around the input fields.
#include "app/win32/Win32MainWindow.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "app/win32/MainWindowMetrics.h"
#include "ui/win32/LogView.h"
#include "ui/win32/Theme.h"

namespace tarvel {

using namespace metrics;

namespace {

void Place(HWND AWindow, int AX, int AY, int AW, int AH) {
  if (AWindow)
    SetWindowPos(AWindow, nullptr, AX, AY, std::max(AW, 0), std::max(AH, 0), SWP_NOZORDER | SWP_NOACTIVATE);
}

// Rows of controls placed left to right from ALeft, each as wide as it asks; a control
// that does not fit before ARight starts a new row at AWrapLeft. Returns the bottom of the
// last row.
int Flow(std::initializer_list<std::pair<HWND, int>> AItems, int ALeft, int AWrapLeft, int ARight, int ATop,
         int ARowHeight, int AItemHeight, int AGap) {
  int x = ALeft;
  int rowStart = ALeft;
  int y = ATop;
  for (const auto& [window, width] : AItems) {
    if (x != rowStart && x + width > ARight) {
      x = rowStart = AWrapLeft;
      y += ARowHeight;
    }
    Place(window, x, y, std::min(width, ARight - x), AItemHeight);
    x += width + AGap;
  }
  return y + AItemHeight;
}

} // namespace

void TWin32MainWindow::Layout() {
  if (!FForm)
    return;
  RECT client;
  GetClientRect(FHandle, &client);
  LayoutTitleStrip(client.right);
  const int top = Scale(TitleRowHeight);
  const int cardHeight = client.bottom - top;
  for (HWND card : {FChildren.crdMain, FChildren.crdSettings, FChildren.crdInfo})
    Place(card, 0, top, client.right, cardHeight);
  LayoutClipboardCard(client.right, cardHeight);
  LayoutSettingsCard(client.right, cardHeight);
  LayoutInfoCard(client.right, cardHeight);
  MirrorCards();
  for (HWND card : {FChildren.crdMain, FChildren.crdSettings, FChildren.crdInfo})
    InvalidateRect(card, nullptr, TRUE);
}

// The three card buttons as one group, then "quit". When the window is too narrow for
// their design widths, each gets what its caption needs and the rest is shared.
void TWin32MainWindow::LayoutTitleStrip(int AWidth) {
  const int m = Scale(8);
  const HWND buttons[4] = {FChildren.btnCard1, FChildren.btnCard2, FChildren.btnCard3, FChildren.btnQuit};
  int widths[4] = {Scale(CardButtonWidth), Scale(CardButtonWidth), Scale(CardButtonWidth), Scale(QuitButtonWidth)};
  int gap = Scale(12);
  if (widths[0] * 3 + gap + widths[3] > AWidth - 2 * m) {
    const TButton* models[4] = {&FForm->btnCard1, &FForm->btnCard2, &FForm->btnCard3, &FForm->btnQuit};
    int needed = 0;
    for (int i = 0; i < 4; ++i)
      needed += widths[i] = ButtonWidth(*models[i]);
    gap = std::clamp(AWidth - 2 * m - needed, Scale(4), Scale(12));
    const int share = std::max(0, AWidth - 2 * m - needed - gap) / 4;
    for (int& w : widths)
      w += share;
  }
  int x = m;
  for (int i = 0; i < 4; ++i) {
    if (i == 3)
      x += gap;
    Place(buttons[i], x, Scale(8), widths[i], Scale(ButtonHeight));
    x += widths[i];
  }
}

void TWin32MainWindow::LayoutClipboardCard(int AWidth, int AHeight) {
  const int m = Scale(8);
  auto& c = FChildren;
  TMainForm& f = *FForm;
  const int captionWidth = ButtonWidth(f.SpeedButton1);
  Place(c.SpeedButton1, m, Scale(8), captionWidth, Scale(RowButtonHeight));
  const int pageRight = m + captionWidth + Scale(4 + 70);
  PlaceField(c.spnClipboardPage, c.spnClipboardPageUpDown,
             {m + captionWidth + Scale(4), Scale(10), pageRight, Scale(40)});
  // The slider takes the rest of the row, but is never narrower than 80.
  Place(c.trkSlider, pageRight + Scale(6), Scale(7), std::max(AWidth - pageRight - Scale(12), Scale(80)), Scale(36));
  // The search field takes the row but for "Clear history" at its end.
  const int findTop = Scale(MainRowHeight);
  const int clearWidth = ButtonWidth(f.btnClearHistory);
  PlaceField(c.edtFind, nullptr, {m, findTop, AWidth - m - clearWidth - Scale(6), findTop + Scale(32)});
  Place(c.btnClearHistory, AWidth - m - clearWidth, findTop - 1, clearWidth, Scale(RowButtonHeight));
  // The status label beside the buttons shows the position and time on one line and the
  // preview on another; when even the first line would not fit there, it moves below the
  // buttons and gets the whole width, as a flow panel would wrap it.
  const int deleteWidth = ButtonWidth(f.btnDeleteEntry);
  // As wide as its longer caption, so that pinning does not move the buttons.
  const int pinWidth =
      std::max(ButtonWidth(f.btnPinEntry),
               TButtonPeer::ContentWidth(c.btnPinEntry, UnpinCaption,
                                         std::min(Scale(IconSize), Scale(RowButtonHeight) - 8), false));
  const int saveWidth = ButtonWidth(f.btnSave);
  const int labelLeft = m + deleteWidth + pinWidth + saveWidth + Scale(6 + 6 + 10);
  const int firstLine = TButtonPeer::ContentWidth(c.Label1, u"100 / 100  0000-00-00 00:00:00", 0, true) + Scale(4);
  const bool wrapped = AWidth - m - labelLeft < firstLine;
  const int labelHeight = Scale(MainRowHeight - 4);
  const int bottom = AHeight - Scale(MainRowHeight) - (wrapped ? labelHeight : 0);
  const RECT content{m, Scale(MainRowHeight + FindRowHeight), AWidth - m, bottom};
  Place(c.Image1, content.left, content.top, content.right - content.left, content.bottom - content.top);
  PlaceField(c.Memo1, nullptr, content);
  Place(c.btnDeleteEntry, m, bottom + Scale(8), deleteWidth, Scale(RowButtonHeight));
  Place(c.btnPinEntry, m + deleteWidth + Scale(6), bottom + Scale(8), pinWidth, Scale(RowButtonHeight));
  Place(c.btnSave, m + deleteWidth + pinWidth + Scale(12), bottom + Scale(8), saveWidth, Scale(RowButtonHeight));
  if (wrapped)
    Place(c.Label1, m, bottom + Scale(MainRowHeight), AWidth - 2 * m, labelHeight);
  else
    Place(c.Label1, labelLeft, bottom + Scale(2), AWidth - m - labelLeft, labelHeight);
}

// A caption and its input per row; the inputs' column moves left when the window is
// narrow, but never over the captions, and the rows close up when it is short.
void TWin32MainWindow::LayoutSettingsCard(int AWidth, int AHeight) {
  const int m = Scale(8);
  const int indent = Scale(24);
  const auto indented = [](const TSettingsRow& ARow) { return ARow.Kind == TSettingInput::Letter; };
  int captionsWidth = 0;
  for (const TSettingsRow& row : FSettingsRows)
    if (row.Kind != TSettingInput::Heading)
      captionsWidth = std::max(captionsWidth, ButtonWidth(*row.CaptionModel) + (indented(row) ? indent : 0));
  const int inputLeft = std::min(m + Scale(262), std::max(m + captionsWidth + Scale(8), AWidth - m - Scale(220)));
  const int rows = static_cast<int>(FSettingsRows.size());
  const int rowHeight =
      std::clamp((AHeight - 2 * m) / std::max(rows, 1), Scale(SettingsMinRowHeight), Scale(SettingsRowHeight));
  const int captionHeight = std::min(Scale(RowButtonHeight), rowHeight - 2);
  const int inputHeight = std::min(rowHeight - 4, Scale(30));
  for (int i = 0; i < rows; ++i) {
    const TSettingsRow& row = FSettingsRows[static_cast<std::size_t>(i)];
    const int y = m + i * rowHeight;
    const int captionLeft = indented(row) ? m + indent : m;
    const int captionRight = row.Kind == TSettingInput::Heading ? AWidth - m : inputLeft - Scale(4);
    Place(row.Caption, captionLeft, y + (rowHeight - captionHeight) / 2, captionRight - captionLeft, captionHeight);
    const int inputTop = y + (rowHeight - inputHeight) / 2;
    switch (row.Kind) {
    case TSettingInput::Switch: {
      const auto& model = static_cast<const TToggleSwitch&>(FPeers.PeerOf(row.Input)->Model());
      Place(row.Input, inputLeft, y + (rowHeight - captionHeight) / 2,
            TToggleSwitchPeer::ContentWidth(row.Input, model, captionHeight), captionHeight);
      break;
    }
    case TSettingInput::Number:
      PlaceField(row.Input, row.UpDown, {inputLeft, inputTop, inputLeft + Scale(72), inputTop + inputHeight});
      break;
    case TSettingInput::List: {
      // The combo box draws its own frame; its box here only shows the focus around it.
      const int width = std::min(Scale(220), AWidth - m - inputLeft);
      Place(row.Input, inputLeft + 2, inputTop + 2, width - 4, Scale(200));
      RECT box{};
      GetWindowRect(row.Input, &box);
      MapWindowPoints(nullptr, FChildren.crdSettings, reinterpret_cast<POINT*>(&box), 2);
      FFields[row.Input] = {box.left - 2, box.top - 2, box.right + 2, box.bottom + 2};
      break;
    }
    case TSettingInput::Letter:
      PlaceField(row.Input, nullptr, {inputLeft, inputTop, inputLeft + Scale(40), inputTop + inputHeight});
      break;
    case TSettingInput::Heading: break;
    }
  }
}

// Logo and title, then the switch and the two buttons, which wrap onto a second row when
// the window is narrow; the text takes the rest.
void TWin32MainWindow::LayoutInfoCard(int AWidth, int AHeight) {
  const int m = Scale(8);
  auto& c = FChildren;
  const int left = m + Scale(74);
  Place(c.Image2, m, Scale(13), Scale(64), Scale(64));
  Place(c.lblAppInfo, left, Scale(6), AWidth - m - left, Scale(36));
  const int itemHeight = Scale(RowButtonHeight);
  const int rowBottom =
      Flow({{c.swtShowLog, TToggleSwitchPeer::ContentWidth(c.swtShowLog, FForm->swtShowLog, itemHeight)},
            {c.btnShowTutorial, ButtonWidth(FForm->btnShowTutorial)},
            {c.chkUpdate, ButtonWidth(FForm->chkUpdate)}},
           left, left, AWidth - m, Scale(48), Scale(40), itemHeight, Scale(6));
  const int memoTop = std::max(Scale(InfoTitleHeight), rowBottom + Scale(8));
  PlaceField(c.MemoInfoLog, nullptr, {m, memoTop, AWidth - m, AHeight - m});
}

int TWin32MainWindow::ButtonWidth(const TButton& AButton) const {
  const auto* peer = static_cast<const TButtonPeer*>(FPeers.PeerOf(AButton));
  if (!peer)
    return 0;
  const int icon = AButton.ImageIndex() >= 0 ? std::min(Scale(IconSize), Scale(RowButtonHeight) - 8) : 0;
  return TButtonPeer::ContentWidth(peer->Handle(), AButton.Caption(), icon, peer->CaptionOnly());
}

void TWin32MainWindow::PlaceField(HWND AControl, HWND AUpDown, const RECT& ASlot) {
  FFields[AControl] = ASlot;
  const int height = ASlot.bottom - ASlot.top;
  int right = ASlot.right - 2;
  if (AUpDown) {
    const int w = Scale(17);
    Place(AUpDown, right - w, ASlot.top + 2, w, height - 4);
    right -= w + 1;
  }
  if ((GetWindowLongPtrW(AControl, GWL_STYLE) & ES_MULTILINE) || TLogView::FromHandle(AControl)) {
    Place(AControl, ASlot.left + 2, ASlot.top + 2, right - ASlot.left - 2, height - 4);
    return;
  }
  // One line of text, centred in its box.
  TEXTMETRICW metrics{};
  {
    const TUniqueWindowDC dc({AControl, GetDC(AControl)});
    const TUniqueSelectObject font = SelectScoped(dc.Get().DC, FFont.Get());
    GetTextMetricsW(dc.Get().DC, &metrics);
  }
  const int textHeight = std::min<int>(metrics.tmHeight + 2, height - 4);
  Place(AControl, ASlot.left + Scale(5), ASlot.top + (height - textHeight) / 2, right - ASlot.left - Scale(5),
        textHeight);
}

// The boxes of the input fields: the field colour with a thin border, and a light one
// around the field that has the keyboard focus.
void TWin32MainWindow::PaintFields(HWND ACard, HDC ADC) {
  // As for the buttons: the outline shows once the keyboard is in use.
  const bool cues = !(SendMessageW(FHandle, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
  const HWND focus = cues ? GetFocus() : nullptr;
  for (const auto& [control, slot] : FFields) {
    if (GetParent(control) != ACard || !IsWindowVisible(control))
      continue;
    const bool focused = focus == control;
    // The combo box has a frame of its own: around it, only the focus is drawn.
    if (IsSettingsList(control) && !focused)
      continue;
    SetDCBrushColor(ADC, theme::Field);
    const TUniqueSelectObject brush = SelectScoped(ADC, GetStockObject(DC_BRUSH));
    TUniqueGdiObject pen(CreatePen(PS_INSIDEFRAME, focused ? 2 : 1, focused ? theme::Focus : theme::Border));
    const TUniqueSelectObject selectedPen = SelectScoped(ADC, pen.Get());
    RoundRect(ADC, slot.left, slot.top, slot.right, slot.bottom, Scale(6), Scale(6));
  }
}

void TWin32MainWindow::InvalidateField(HWND AControl) {
  const auto field = FFields.find(AControl);
  if (field != FFields.end())
    InvalidateRect(GetParent(AControl), &field->second, TRUE);
}

bool TWin32MainWindow::IsSettingsList(HWND AControl) const {
  return AControl == FChildren.cmbLanguageOCR || AControl == FChildren.cmbOcrTextLayout;
}

} // namespace tarvel
