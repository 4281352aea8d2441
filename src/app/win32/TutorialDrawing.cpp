// The tutorial's pages, drawn at run time in design units: the key caps, the ticked points
// and the main window in small.
#include "app/win32/TutorialDrawing.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/formTutorial.h"
#include "core/win32/Check.h"
#include "core/win32/Handles.h"
#include "ui/win32/PeerSupport.h"
#include "ui/win32/Theme.h"

namespace tarvel {
namespace {

// Draws in the pictures' design coordinates, scaled and placed on the device.
class TPageCanvas {
public:
  TPageCanvas(HDC ADC, double AScale, int ALeft, int ATop) : FDC(ADC), FScale(AScale), FLeft(ALeft), FTop(ATop) {
    SetBkMode(FDC, TRANSPARENT);
  }

  int X(double AX) const { return FLeft + static_cast<int>(std::lround(AX * FScale)); }
  int Y(double AY) const { return FTop + static_cast<int>(std::lround(AY * FScale)); }
  int Len(double AValue) const { return std::max(1, static_cast<int>(std::lround(AValue * FScale))); }
  RECT Rect(double ALeft, double ATop, double ARight, double ABottom) const {
    return {X(ALeft), Y(ATop), X(ARight), Y(ABottom)};
  }

  void Fill(double L, double T, double R, double B, COLORREF AColor) const {
    const RECT r = Rect(L, T, R, B);
    FillRectColor(FDC, r, AColor);
  }
  void Round(double L, double T, double R, double B, double ARadius, COLORREF AFill, COLORREF AOutline) const {
    TUniqueGdiObject brush(CreateSolidBrush(AFill));
    TUniqueGdiObject pen(CreatePen(PS_SOLID, Len(1), AOutline));
    const auto selectedBrush = SelectScoped(FDC, brush.Get());
    const auto selectedPen = SelectScoped(FDC, pen.Get());
    RoundRect(FDC, X(L), Y(T), X(R), Y(B), Len(ARadius * 2), Len(ARadius * 2));
  }
  void Round(double L, double T, double R, double B, double ARadius, COLORREF AFill) const {
    Round(L, T, R, B, ARadius, AFill, AFill);
  }
  void Circle(double ACx, double ACy, double ARadius, COLORREF AColor) const {
    Round(ACx - ARadius, ACy - ARadius, ACx + ARadius, ACy + ARadius, ARadius, AColor);
  }
  void Line(std::initializer_list<POINT> APoints, double AWidth, COLORREF AColor) const {
    std::vector<POINT> points;
    for (const POINT& p : APoints)
      points.push_back({X(p.x), Y(p.y)});
    LOGBRUSH lb{BS_SOLID, AColor, 0};
    TUniqueGdiObject pen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                                      static_cast<DWORD>(Len(AWidth)), &lb, 0, nullptr));
    const auto selected = SelectScoped(FDC, pen.Get());
    Polyline(FDC, points.data(), static_cast<int>(points.size()));
  }
  // Text in a box; AFormat as for DrawText. Returns the height it took (design units).
  double Text(const std::u16string& AText, double L, double T, double R, double B, double ASize, int AWeight,
              COLORREF AColor, UINT AFormat = DT_LEFT | DT_TOP | DT_SINGLELINE) const {
    TUniqueGdiObject font(CreateFontW(-Len(ASize), 0, 0, 0, AWeight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                      CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI"));
    const auto selected = SelectScoped(FDC, font.Get());
    SetTextColor(FDC, AColor);
    const std::wstring text = ToWide(AText);
    RECT r = Rect(L, T, R, B);
    int height = 0;
    if (AFormat & DT_WORDBREAK) {
      RECT measure = r;
      height = DrawTextW(FDC, text.c_str(), static_cast<int>(text.size()), &measure, AFormat | DT_CALCRECT);
    }
    DrawTextW(FDC, text.c_str(), static_cast<int>(text.size()), &r, AFormat | DT_NOPREFIX);
    return height / FScale;
  }
  HDC DC() const noexcept { return FDC; }

private:
  HDC FDC;
  double FScale;
  int FLeft;
  int FTop;
};

// A key cap with its caption; returns its right edge.
double KeyCap(const TPageCanvas& C, double AX, double AY, const std::u16string& ACaption) {
  const double width = ACaption.size() > 1 ? 10 + 8 * ACaption.size() : 30;
  C.Round(AX, AY + 2, AX + width, AY + 32, 6, theme::Strip, theme::Strip);
  C.Round(AX, AY, AX + width, AY + 29, 6, theme::Button, theme::Border);
  C.Text(ACaption, AX, AY, AX + width, AY + 29, 14, FW_SEMIBOLD, theme::Text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  return AX + width;
}

double Plus(const TPageCanvas& C, double AX, double AY) {
  C.Text(u"+", AX, AY, AX + 14, AY + 29, 15, FW_NORMAL, theme::TextDim, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  return AX + 14;
}

// Page 1: the hotkeys as key caps.
void DrawHotkeys(const TPageCanvas& C, double AX, double AY) {
  struct TRow {
    std::vector<std::u16string> Letters;
    const char16_t* What;
  };
  const TRow rows[] = {{{u"C"}, u"UI text"}, {{u"X"}, u"OCR text"}, {{u"R", u"F"}, u"Screenshots"}};
  double y = AY;
  for (const TRow& row : rows) {
    double x = KeyCap(C, AX, y, u"Ctrl");
    x = Plus(C, x, y);
    x = KeyCap(C, x, y, u"Shift");
    x = Plus(C, x, y);
    for (std::size_t i = 0; i < row.Letters.size(); ++i) {
      if (i > 0) {
        C.Text(u"/", x, y, x + 18, y + 29, 15, FW_NORMAL, theme::TextDim, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        x += 18;
      }
      x = KeyCap(C, x, y, row.Letters[i]);
    }
    C.Text(row.What, x + 10, y, AX + 306, y + 29, 15, FW_NORMAL, theme::Text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    y += 42;
  }
}

// The points of a page, each with a tick in a circle.
void DrawPoints(const TPageCanvas& C, const std::vector<std::u16string>& APoints, double AX, double AY, double AGap) {
  double y = AY;
  for (const std::u16string& point : APoints) {
    C.Circle(AX + 11, y + 11, 11, theme::Accent);
    C.Line({{static_cast<LONG>(AX + 6), static_cast<LONG>(y + 11)},
            {static_cast<LONG>(AX + 10), static_cast<LONG>(y + 15)},
            {static_cast<LONG>(AX + 16), static_cast<LONG>(y + 7)}},
           2, theme::Text);
    const double h = C.Text(point, AX + 34, y, AX + 290, y + 80, 16, FW_NORMAL, theme::Text, DT_LEFT | DT_WORDBREAK);
    y += std::max(h, 24.0) + AGap;
  }
}

// A grey bar standing for a line of text.
void TextBar(const TPageCanvas& C, double AX, double AY, double AWidth, COLORREF AColor = theme::SwitchOff) {
  C.Round(AX, AY, AX + AWidth, AY + 7, 3.5, AColor);
}

// The main window in small: the title strip with the three card buttons and the card of
// the page.
void DrawWindowMockup(const TPageCanvas& C, TTutorialPageKind AKind, double L, double T, double R, double B) {
  C.Round(L + 4, T + 6, R + 4, B + 6, 10, RGB(0x1A, 0x1E, 0x23)); // shadow
  C.Round(L, T, R, B, 10, theme::Window, theme::Border);
  C.Round(L + 1, T + 1, R - 1, T + 36, 9, theme::Strip);
  C.Fill(L + 1, T + 20, R - 1, T + 36, theme::Strip);
  const int activeCard = AKind == TTutorialPageKind::Settings ? 1 : (AKind == TTutorialPageKind::Tray ? 2 : 0);
  const char16_t* cards[] = {u"Clipboard", u"Settings", u"Info"};
  double x = L + 8;
  for (int i = 0; i < 3; ++i) {
    const double w = i == 2 ? 44 : 66;
    C.Round(x, T + 7, x + w, T + 29, 5, i == activeCard ? theme::Accent : theme::Button);
    C.Text(cards[i], x, T + 7, x + w, T + 29, 11, FW_SEMIBOLD, theme::Text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    x += w + 6;
  }
  C.Line(
      {{static_cast<LONG>(R - 24), static_cast<LONG>(T + 13)}, {static_cast<LONG>(R - 14), static_cast<LONG>(T + 23)}},
      1.6, theme::TextDim);
  C.Line(
      {{static_cast<LONG>(R - 14), static_cast<LONG>(T + 13)}, {static_cast<LONG>(R - 24), static_cast<LONG>(T + 23)}},
      1.6, theme::TextDim);

  const double cl = L + 12, ct = T + 48, cr = R - 12, cb = B - 12;
  switch (AKind) {
  case TTutorialPageKind::Tray: { // the info card: the program and its hotkeys
    C.Circle(cl + 16, ct + 16, 16, theme::Accent);
    C.Text(u"T", cl, ct, cl + 32, ct + 32, 18, FW_BOLD, theme::Text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    C.Text(u"Tarvel", cl + 42, ct + 2, cr, ct + 30, 16, FW_BOLD, theme::Text);
    for (int i = 0; i < 4; ++i)
      TextBar(C, cl, ct + 46 + i * 15, i % 2 ? 150 : 190);
    break;
  }
  case TTutorialPageKind::Capture: { // a picture with a selection dragged over it
    C.Round(cl, ct, cr, cb - 28, 6, RGB(0x3E, 0x5C, 0x78));
    C.Circle(cr - 36, ct + 26, 12, RGB(0xE8, 0xC5, 0x6A));
    const POINT hills[] = {{C.X(cl), C.Y(cb - 28)},       {C.X(cl + 70), C.Y(ct + 60)}, {C.X(cl + 120), C.Y(ct + 100)},
                           {C.X(cl + 170), C.Y(ct + 50)}, {C.X(cr), C.Y(cb - 50)},      {C.X(cr), C.Y(cb - 28)}};
    TUniqueGdiObject brush(CreateSolidBrush(RGB(0x4F, 0xA3, 0x8C)));
    TUniqueGdiObject pen(CreatePen(PS_NULL, 0, 0));
    {
      const auto selectedBrush = SelectScoped(C.DC(), brush.Get());
      const auto selectedPen = SelectScoped(C.DC(), pen.Get());
      Polygon(C.DC(), hills, 6);
    }
    // The selection: an accent outline with corner handles.
    const double sl = cl + 40, st = ct + 20, sr = cl + 150, sb = cb - 48;
    C.Line({{static_cast<LONG>(sl), static_cast<LONG>(st)},
            {static_cast<LONG>(sr), static_cast<LONG>(st)},
            {static_cast<LONG>(sr), static_cast<LONG>(sb)},
            {static_cast<LONG>(sl), static_cast<LONG>(sb)},
            {static_cast<LONG>(sl), static_cast<LONG>(st)}},
           2, theme::Text);
    for (const auto& [hx, hy] : {std::pair{sl, st}, std::pair{sr, st}, std::pair{sr, sb}, std::pair{sl, sb}})
      C.Fill(hx - 3, hy - 3, hx + 3, hy + 3, theme::Text);
    TextBar(C, cl, cb - 16, 120, theme::TextDim);
    TextBar(C, cl + 130, cb - 16, 70);
    break;
  }
  case TTutorialPageKind::History: { // the history: position, slider, the selected entry
    C.Round(cl, ct, cl + 52, ct + 22, 4, theme::Field, theme::Border);
    C.Text(u"7", cl + 6, ct, cl + 46, ct + 22, 12, FW_NORMAL, theme::Text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    C.Round(cl + 62, ct + 9, cr - 60, ct + 13, 2, theme::SwitchOff);
    C.Round(cl + 62, ct + 9, cl + 130, ct + 13, 2, theme::Accent);
    C.Circle(cl + 130, ct + 11, 7, theme::Text);
    C.Text(u"7 / 12", cr - 52, ct, cr, ct + 22, 12, FW_NORMAL, theme::TextDim, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    C.Round(cl, ct + 32, cr, cb - 32, 5, theme::Field, theme::Border);
    for (int i = 0; i < 4; ++i)
      TextBar(C, cl + 10, ct + 44 + i * 16, i == 3 ? 90 : 170, theme::TextDim);
    C.Round(cr - 186, cb - 24, cr - 124, cb, 5, theme::Button);
    C.Text(u"Delete", cr - 186, cb - 24, cr - 124, cb, 11, FW_NORMAL, theme::Text,
           DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    C.Round(cr - 116, cb - 24, cr - 70, cb, 5, theme::Button);
    C.Text(u"Pin", cr - 116, cb - 24, cr - 70, cb, 11, FW_NORMAL, theme::Text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    C.Round(cr - 62, cb - 24, cr, cb, 5, theme::Button);
    C.Text(u"Save", cr - 62, cb - 24, cr, cb, 11, FW_NORMAL, theme::Text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    break;
  }
  case TTutorialPageKind::Settings: {
    const char16_t* rows[] = {u"Start with Windows", u"OCR language", u"Hotkeys"};
    for (int i = 0; i < 3; ++i) {
      const double y = ct + i * 38;
      C.Text(rows[i], cl, y, cl + 120, y + 24, 12, FW_NORMAL, theme::Text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
    // A switch that is on.
    C.Round(cr - 44, ct + 3, cr, ct + 21, 9, theme::Accent);
    C.Circle(cr - 12, ct + 12, 6, theme::Text);
    // A drop-down list.
    C.Round(cr - 110, ct + 38, cr, ct + 62, 4, theme::Field, theme::Border);
    C.Text(u"English", cr - 104, ct + 38, cr - 20, ct + 62, 12, FW_NORMAL, theme::Text,
           DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    C.Line({{static_cast<LONG>(cr - 15), static_cast<LONG>(ct + 48)},
            {static_cast<LONG>(cr - 11), static_cast<LONG>(ct + 52)},
            {static_cast<LONG>(cr - 7), static_cast<LONG>(ct + 48)}},
           1.5, theme::TextDim);
    // The hotkey letters.
    const char16_t* letters[] = {u"C", u"X", u"R", u"F", u"S"};
    for (int i = 0; i < 5; ++i) {
      const double x0 = cr - 5 * 24 + i * 24 + 4;
      C.Round(x0, ct + 78, x0 + 20, ct + 100, 4, theme::Field, i == 1 ? theme::Accent : theme::Border);
      C.Text(letters[i], x0, ct + 78, x0 + 20, ct + 100, 12, FW_SEMIBOLD, theme::Text,
             DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    break;
  }
  }
}

// One page of the tutorial at TutorialPageWidth × TutorialPageHeight design units.
void DrawPage(const TPageCanvas& C, const TTutorialPage& APage, int AIndex, int ACount, HICON AIcon) {
  C.Text(std::u16string(1, static_cast<char16_t>(u'1' + AIndex)), 30, 6, 96, 106, 84, FW_BOLD, theme::Accent,
         DT_LEFT | DT_TOP | DT_SINGLELINE);
  C.Text(APage.Title, 100, 26, 620, 66, 30, FW_BOLD, theme::Text);
  C.Text(APage.Subtitle, 101, 66, 620, 92, 17, FW_NORMAL, theme::TextDim);
  C.Fill(36, 112, 604, 113, theme::Border);

  if (APage.Kind == TTutorialPageKind::Tray && APage.Points.size() >= 2) {
    DrawPoints(C, {APage.Points[0]}, 36, 132, 14);
    DrawHotkeys(C, 36, 176);
    DrawPoints(C, {APage.Points[1]}, 36, 312, 0);
    DrawWindowMockup(C, APage.Kind, 350, 132, 604, 300);
    // The notification area with the program's icon, ringed.
    C.Round(350, 320, 604, 352, 6, theme::Strip, theme::Border);
    C.Text(u"12:00", 540, 320, 596, 352, 12, FW_NORMAL, theme::TextDim, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    C.Circle(516, 336, 13, theme::Accent);
    const int size = C.Len(18);
    DrawIconEx(C.DC(), C.X(516) - size / 2, C.Y(336) - size / 2, AIcon, size, size, 0, nullptr, DI_NORMAL);
    C.Circle(488, 336, 4, theme::TextDim);
    C.Circle(470, 336, 4, theme::TextDim);
  } else {
    DrawPoints(C, APage.Points, 36, 136, 18);
    DrawWindowMockup(C, APage.Kind, 350, 132, 604, 352);
  }

  // Where this page stands among the others.
  const double dotsWidth = (ACount - 1) * 20 + 16;
  double x = 320 - dotsWidth / 2;
  for (int i = 0; i < ACount; ++i) {
    if (i == AIndex) {
      C.Round(x, 392, x + 24, 402, 5, theme::Accent);
      x += 32;
    } else {
      C.Circle(x + 5, 397, 5, theme::SwitchOff);
      x += 18;
    }
  }
}

} // namespace

void DrawTutorialPage(HDC ADC, double AScale, int ALeft, int ATop, int AIndex, int ACount, HICON AIcon) {
  const auto& pages = TutorialPages();
  if (AIndex >= 0 && AIndex < static_cast<int>(pages.size()))
    DrawPage(TPageCanvas(ADC, AScale, ALeft, ATop), pages[static_cast<std::size_t>(AIndex)], AIndex, ACount, AIcon);
}

} // namespace tarvel
