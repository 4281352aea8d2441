#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tarvel {

struct TMenuItem {
  std::u16string Caption;
  int ImageIndex = -1;
  std::function<void()> OnClick;
  // A disabled item is shown greyed and cannot be chosen.
  bool Enabled = true;
};

// The context menu of a control (TControl::PopupMenu). The control's peer opens it on a right
// click, Shift+F10 or the menu key, after OnPopup has brought the items up to date.
class TPopupMenu {
public:
  std::vector<TMenuItem> Items;
  std::function<void()> OnPopup;

  // The menu is about to open.
  void UserOpen() {
    if (OnPopup)
      OnPopup();
  }
  void UserChoose(std::size_t AIndex) {
    if (AIndex < Items.size() && Items[AIndex].Enabled && Items[AIndex].OnClick)
      Items[AIndex].OnClick();
  }
};

} // namespace tarvel
