#pragma once

#include <windows.h>

#include "settings/Registry.h"

namespace tarvel {

inline constexpr wchar_t TutorialWindowClass[] = L"TarvelTutorial";
inline constexpr wchar_t TutorialPageClass[] = L"TarvelTutorialPage";
// The tutorial window's controls.
enum TTutorialControlId { idTutorialPage = 100, idTutorialPrevious, idTutorialDontShow, idTutorialNext };

// Shows the tutorial over AOwner (disabled meanwhile) and returns when it is closed. False
// when the message loop was told to end (WM_QUIT) while it was up: the window is closed as
// by its close button and the quit is posted again for the caller's loop.
bool RunTutorialWindow(HINSTANCE AInstance, HWND AOwner, IRegistry& ARegistry);

} // namespace tarvel
