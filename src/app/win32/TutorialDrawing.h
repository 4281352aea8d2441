#pragma once

#include <windows.h>

namespace tarvel {

// The tutorial's pictures are designed at this size and drawn scaled to the picture area.
inline constexpr int TutorialPageWidth = 640;
inline constexpr int TutorialPageHeight = 427;

// Draws page AIndex of ACount (its number, title, subtitle and picture) into ADC, design
// units scaled by AScale and placed at ALeft, ATop. AIcon is the program icon the first
// page shows.
void DrawTutorialPage(HDC ADC, double AScale, int ALeft, int ATop, int AIndex, int ACount, HICON AIcon);

} // namespace tarvel
