#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tarvel {

struct TMenuItem {
  std::u16string Caption;
  int ImageIndex = -1;
  std::function<void()> OnClick;
};

// The notification-area icon: hint, right-click menu, double-click and balloon. The peer
// adds the icon while Visible is true and removes it as soon as it turns false.
class TTrayIcon {
public:
  std::u16string Hint;
  std::vector<TMenuItem> Menu;
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
  void UserChooseMenuItem(std::size_t AIndex) {
    if (AIndex < Menu.size() && Menu[AIndex].OnClick)
      Menu[AIndex].OnClick();
  }

  std::function<void()> OnVisibleChanged;
  std::function<void()> OnShowBalloon;

private:
  bool FVisible = false;
};

} // namespace tarvel
