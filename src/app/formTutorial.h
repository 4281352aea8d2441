#pragma once

#include <functional>
#include <string>
#include <vector>

#include "settings/Registry.h"
#include "ui/Controls.h"

namespace tarvel {

// One page of the tutorial: the name of its picture and what the picture says.
// What a page's picture shows.
enum class TTutorialPageKind {
  Tray,     // the program in the notification area, and its hotkeys
  Capture,  // a selection dragged over a picture
  History,  // the clipboard card
  Settings, // the settings card
};

struct TTutorialPage {
  TTutorialPageKind Kind;
  std::u16string Name;
  std::u16string Title;
  std::u16string Subtitle;
  std::vector<std::u16string> Points;
};

// The four pages, in order.
const std::vector<TTutorialPage>& TutorialPages();

inline constexpr char16_t TutorialCaption[] = u"Tutorial";
inline constexpr char16_t TutorialNextCaption[] = u"Next";
inline constexpr char16_t TutorialLastCaption[] = u"Start using Tarvel";

// Whether the stored settings say not to show the tutorial (read afresh every time).
bool IsTutorialSuppressed(IRegistry& ARegistry);
// Stores the choice into the whole settings record, leaving the other values as stored.
void SaveDontShowTutorial(IRegistry& ARegistry, bool AValue);

// The tutorial window's logic: the page shown, the navigation buttons and the check box.
// The window (or a test) drives it the way a user would and closes itself when asked.
class TFormTutorial {
public:
  // APageNames: the names of the pictures, in order (the window's collection).
  TFormTutorial(IRegistry& ARegistry, std::vector<std::u16string> APageNames);
  TFormTutorial(const TFormTutorial&) = delete;
  TFormTutorial& operator=(const TFormTutorial&) = delete;

  void FormShow();
  // Runs on every way of closing.
  void FormClose();
  void btnPreviousClick(TControl& ASender);
  void btnNextClick(TControl& ASender);
  void chkDontShowTutorialClick(TControl& ASender);

  int PageIndex() const noexcept { return FPageIndex; }
  // The picture's name; empty when the collection holds no picture at the index.
  const std::u16string& PageName() const noexcept { return FPageName; }
  int LastPageIndex() const noexcept;
  void ShowPage(int AIndex);

  TButton btnPrevious{u"btnPrevious", u"Previous"};
  TButton btnNext{u"btnNext", TutorialNextCaption};
  // Setting it from code runs its click handler, as a user's click does.
  TCheckBox chkDontShowTutorial{u"chkDontShowTutorial", u"Don't show this tutorial again"};
  // Asks the window to close (its close then runs FormClose).
  std::function<void()> OnCloseRequest;
  // The page shown changed.
  std::function<void()> OnPageChanged;

private:
  void UpdateNavigation();
  void StoreDontShowTutorial();

  IRegistry& FRegistry;
  std::vector<std::u16string> FPageNames;
  int FPageIndex = 0;
  std::u16string FPageName;
};

// The start-up step: unless the stored settings suppress it, AShowModal shows the tutorial
// window and returns when it is closed. Returns what AShowModal returned (false when the
// session ends while the window is up), true when nothing was shown.
bool ShowTutorialIfNeeded(IRegistry& ARegistry, const std::function<bool()>& AShowModal);

} // namespace tarvel
