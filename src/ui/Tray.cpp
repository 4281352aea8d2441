#include "ui/Tray.h"

namespace tarvel {

void TTrayIcon::SetVisible(bool AValue) {
  if (FVisible == AValue)
    return;
  FVisible = AValue;
  if (OnVisibleChanged)
    OnVisibleChanged();
}

void TTrayIcon::ShowBalloonHint() {
  if (OnShowBalloon)
    OnShowBalloon();
}

} // namespace tarvel
