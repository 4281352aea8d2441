#pragma once

namespace tarvel {

// Dialog ids of the main window's children. They are part of how the window can be found
// from outside (automation, end-to-end tests), so keep them stable.
enum TControlId : int {
  idBtnCard1 = 100,
  idBtnCard2,
  idBtnCard3,
  idBtnQuit,
  idSpeedButton1,
  idSpnClipboardPage,
  idSpnClipboardPageUpDown,
  idTrkSlider,
  idImage1,
  idMemo1,
  idBtnDeleteEntry,
  idBtnSave,
  idLabel1,
  idSettingsCaption0, // ten caption buttons of the settings card, top to bottom
  idChkAutostart = idSettingsCaption0 + 10,
  idSwtNotifications,
  idSpnMaxClipentries,
  idSpnMaxClipentriesUpDown,
  idCmbLanguageOCR,
  idEdtHotkeyControl,
  idEdtHotkeyOCR,
  idEdtHotkeyScreenBox,
  idEdtHotkeyScreentFull,
  idEdtHotkeySave,
  idImage2,
  idLblAppInfo,
  idSwtShowLog,
  idBtnShowTutorial,
  idChkUpdate,
  idMemoInfoLog,
  // The three cards: each holds its controls, so hiding a card hides all of them.
  idCrdMain,
  idCrdSettings,
  idCrdInfo,
  // The clipboard card's search field, its pin button and "Clear history".
  idEdtFind,
  idBtnPinEntry,
  idBtnClearHistory,
  // The settings card's OCR text layout: its caption and its list.
  idOcrTextLayoutCaption,
  idCmbOcrTextLayout,
};

} // namespace tarvel
