#pragma once

#include <array>
#include <cstddef>
#include <optional>

#include "app/ActivityLog.h"
#include "app/Dialogs.h"
#include "hotkeys/uHotkeys.h"
#include "settings/uAppSettings.h"
#include "ui/Controls.h"

namespace tarvel {

inline constexpr char16_t ReservedHotkeyText[] = u"This shortcut is reserved. Restoring the previous value.";
inline constexpr char16_t HotkeyInUseText[] = u"This hotkey is already in use. Restoring the previous value.";

// A hotkey field's letter, upper-cased; 0 when the field is missing or blank.
char16_t HotkeyEditLetter(const TLetterEdit* AEdit);

// The settings card's five letter fields, in the order of THotkeyLetters.
using THotkeyEdits = std::array<TLetterEdit*, LetterHotkeyCount>;

// What the hotkey configuration needs of the main window.
class IHotkeyConfigHost {
public:
  virtual ~IHotkeyConfigHost() = default;
  // True while the window fills its controls: leaving a field then checks nothing.
  virtual bool LoadingSettings() const = 0;
  // Stores the settings, the fields' letters among them (StoreLetters).
  virtual void SaveSettings() = 0;
  // The letters the settings hold: the set that is registered.
  virtual THotkeyLetters StoredHotkeyLetters() const = 0;
  // A field was left with its letter accepted (the info card lists the hotkeys).
  virtual void HotkeyLettersChanged() = 0;
};

struct THotkeyConfigServices {
  IHotkeys& Hotkeys;
  IDialogs& Dialogs;
  IActivityLog& Log;
};

// The nine global hotkeys, registered and released as one set, and the five letters the
// user can change: a letter is checked when its field is left, refused with a warning (the
// field gets back the letter it had when it was entered), or stored and the set registered
// again.
class THotkeyConfig {
public:
  THotkeyConfig(THotkeyConfigServices AServices, const THotkeyEdits& AEdits, IHotkeyConfigHost& AHost);

  // Each field shows its letter.
  void ShowLetters(const THotkeyLetters& ALetters);
  // The fields' letters into ASettings; a blank field keeps the letter it had.
  void StoreLetters(TTarvelSettings& ASettings) const;

  // The focus handlers of the five fields; any other control is ignored.
  void HotkeyEditEnter(const TControl& ASender);
  void HotkeyEditExit(const TControl& ASender);

  // Registers the set unless it is registered; a failure is logged and notified.
  void RegisterHotkeys();
  void UnregisterHotkeys();
  // After a letter changed: the whole set again.
  void ReregisterHotkeys();
  bool Registered() const noexcept { return FRegistered; }

private:
  // Registers the set again without reporting a failure; FRefusal says what failed.
  bool TryReregisterHotkeys();
  void ReportHotkeysUnavailable();
  // The position of a hotkey field, or nothing for another control.
  std::optional<std::size_t> EditIndex(const TControl& ASender) const;

  THotkeyConfigServices FServices;
  THotkeyEdits FEdits;
  IHotkeyConfigHost& FHost;
  // The letter each field had when it was last entered (0 for a blank field).
  THotkeyLetters FPrevious{};
  bool FRegistered = false;
  THotkeyRefusal FRefusal;
};

} // namespace tarvel
