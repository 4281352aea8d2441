#pragma once

namespace tarvel::metrics {

// The main window's design sizes in pixels at 96 DPI; the window scales them to its own.
inline constexpr int ClientWidth = 557;
inline constexpr int ClientHeight = 546;
inline constexpr int TitleRowHeight = 54;
inline constexpr int MainRowHeight = 50;
// The clipboard card's search row, between the position row and the entry.
inline constexpr int FindRowHeight = 40;
inline constexpr int InfoTitleHeight = 90;
inline constexpr int SettingsRowHeight = 40;
// Where the window is short the settings rows close up to this; eleven of them fit the
// smallest window.
inline constexpr int SettingsMinRowHeight = 29;
// The smallest window the user can drag it to; the layout fits everything into it.
inline constexpr int MinWindowWidth = 420;
inline constexpr int MinClientHeight = 390;
inline constexpr int CardButtonWidth = 128;
inline constexpr int QuitButtonWidth = 104;
inline constexpr int ButtonHeight = 38;
inline constexpr int RowButtonHeight = 34;
inline constexpr int IconSize = 24;

} // namespace tarvel::metrics
