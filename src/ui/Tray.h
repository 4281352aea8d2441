#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/Menus.h"

namespace tarvel {

// The notification-area icon: hint, right-click menu, double-click and balloon. The peer
// adds the icon while Visible is true and removes it as soon as it turns false.
class TTrayIcon {
public:
  std::u16string Hint;
  std::vector<TMenuItem> Menu;
  // The menu is about to open: the items can be brought up to date.
  std::function<void()> OnPopup;
  std::function<void()> OnDblClick;

  bool Visible() const noexcept { return FVisible; }
  void SetVisible(bool AValue);

  // Balloon fields, shown by ShowBalloonHint; empty texts remove the balloon.
  std::u16string BalloonTitle;
  std::u16string BalloonHint;
  unsigned BalloonTimeout = 1000;
  void ShowBalloonHint();

  // The user's actions, as the peer reports them.
  void UserDblClick() {
    if (OnDblClick)
      OnDblClick();
  }
  void UserOpenMenu() {
    if (OnPopup)
      OnPopup();
  }
  void UserChooseMenuItem(std::size_t AIndex) {
    if (AIndex < Menu.size() && Menu[AIndex].Enabled && Menu[AIndex].OnClick)
      Menu[AIndex].OnClick();
  }

  std::function<void()> OnVisibleChanged;
  std::function<void()> OnShowBalloon;

private:
  bool FVisible = false;
};

} // namespace tarvel
