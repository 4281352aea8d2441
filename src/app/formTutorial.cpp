#include "app/formTutorial.h"

#include <algorithm>

#include "core/Errors.h"
#include "settings/uAppSettings.h"

namespace tarvel {

const std::vector<TTutorialPage>& TutorialPages() {
  static const std::vector<TTutorialPage> pages = {
      {TTutorialPageKind::Tray,
       u"1_hidden_in_tray",
       u"Hidden in tray",
       u"Use hotkeys to capture anything instantly",
       {u"Tarvel lives in the notification area", u"Everything is one hotkey away"}},
      {TTutorialPageKind::Capture,
       u"2_capture_anything",
       u"Capture anything",
       u"Text, images or screenshots",
       {u"Copy the text of any control with UI Automation", u"Read text that cannot be selected with OCR",
        u"Take a screenshot of an area or of the whole screen"}},
      {TTutorialPageKind::History,
       u"3_clipboard_history",
       u"Clipboard history",
       u"Browse and restore your clips",
       {u"Everything you copy is saved: text, images, files and folders", u"Undo and redo through the history",
        u"Restore any entry to the clipboard"}},
      {TTutorialPageKind::Settings,
       u"4_customize_behavior",
       u"Customize behavior",
       u"Hotkeys, OCR and startup",
       {u"Change the hotkeys", u"Choose the OCR language", u"Start with Windows"}},
  };
  return pages;
}

bool IsTutorialSuppressed(IRegistry& ARegistry) {
  TTarvelSettings settings;
  LoadAppSettings(ARegistry, settings);
  return settings.DontShowTutorial;
}

void SaveDontShowTutorial(IRegistry& ARegistry, bool AValue) {
  TTarvelSettings settings;
  LoadAppSettings(ARegistry, settings);
  settings.DontShowTutorial = AValue;
  SaveAppSettings(ARegistry, settings);
}

TFormTutorial::TFormTutorial(IRegistry& ARegistry, std::vector<std::u16string> APageNames)
    : FRegistry(ARegistry), FPageNames(std::move(APageNames)) {
  btnPrevious.OnClick = [this](TControl& ASender) { btnPreviousClick(ASender); };
  btnNext.OnClick = [this](TControl& ASender) { btnNextClick(ASender); };
  chkDontShowTutorial.OnClick = [this](TControl& ASender) { chkDontShowTutorialClick(ASender); };
}

int TFormTutorial::LastPageIndex() const noexcept {
  return std::max(0, static_cast<int>(FPageNames.size()) - 1);
}

void TFormTutorial::FormShow() {
  const bool suppressed = IsTutorialSuppressed(FRegistry);
  if (chkDontShowTutorial.Checked() == suppressed)
    StoreDontShowTutorial(); // a click handler runs only on a change
  else
    chkDontShowTutorial.SetChecked(suppressed);
  ShowPage(0);
}

void TFormTutorial::FormClose() {
  StoreDontShowTutorial();
}

void TFormTutorial::ShowPage(int AIndex) {
  FPageIndex = std::clamp(AIndex, 0, LastPageIndex());
  FPageName = FPageIndex < static_cast<int>(FPageNames.size()) ? FPageNames[FPageIndex] : std::u16string();
  UpdateNavigation();
  if (OnPageChanged)
    OnPageChanged();
}

void TFormTutorial::UpdateNavigation() {
  btnPrevious.SetEnabled(FPageIndex > 0);
  btnNext.SetCaption(FPageIndex < LastPageIndex() ? TutorialNextCaption : TutorialLastCaption);
}

void TFormTutorial::btnPreviousClick(TControl&) {
  ShowPage(FPageIndex - 1);
}

void TFormTutorial::btnNextClick(TControl&) {
  if (FPageIndex < LastPageIndex()) {
    ShowPage(FPageIndex + 1);
    return;
  }
  StoreDontShowTutorial();
  if (OnCloseRequest)
    OnCloseRequest();
}

void TFormTutorial::chkDontShowTutorialClick(TControl&) {
  StoreDontShowTutorial();
}

void TFormTutorial::StoreDontShowTutorial() {
  try {
    SaveDontShowTutorial(FRegistry, chkDontShowTutorial.Checked());
  } catch (const EError&) {
    // The settings cannot be stored (the key is locked or gone): the tutorial simply
    // comes again at the next start; nothing else depends on the choice.
  }
}

bool ShowTutorialIfNeeded(IRegistry& ARegistry, const std::function<bool()>& AShowModal) {
  if (IsTutorialSuppressed(ARegistry))
    return true;
  return AShowModal();
}

} // namespace tarvel
