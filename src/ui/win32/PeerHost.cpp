#include "ui/win32/PeerHost.h"

namespace tarvel {

TPeer* TPeerHost::PeerOf(HWND AWindow) const noexcept {
  for (const auto& peer : FPeers)
    if (peer->Owns(AWindow))
      return peer.get();
  return nullptr;
}

TPeer* TPeerHost::PeerOf(const TControl& AModel) const noexcept {
  for (const auto& peer : FPeers)
    if (&peer->Model() == &AModel)
      return peer.get();
  return nullptr;
}

bool TPeerHost::Route(UINT AMessage, WPARAM AWParam, LPARAM ALParam, LRESULT& AResult) {
  switch (AMessage) {
  case WM_COMMAND:
    if (TPeer* peer = PeerOf(reinterpret_cast<HWND>(ALParam))) {
      peer->Command(HIWORD(AWParam));
      AResult = 0;
      return true;
    }
    break;
  case WM_HSCROLL:
  case WM_VSCROLL:
    if (TPeer* peer = PeerOf(reinterpret_cast<HWND>(ALParam))) {
      peer->Scroll(LOWORD(AWParam));
      AResult = 0;
      return true;
    }
    break;
  case WM_DRAWITEM: {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(ALParam);
    if (TPeer* peer = PeerOf(item->hwndItem)) {
      peer->DrawItem(*item);
      AResult = TRUE;
      return true;
    }
    break;
  }
  default: break;
  }
  return false;
}

void TPeerHost::SetFont(HFONT AFont) const noexcept {
  for (const auto& peer : FPeers)
    SendMessageW(peer->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(AFont), FALSE);
}

void TPeerHost::SetImages(HIMAGELIST AImages) const noexcept {
  for (const auto& peer : FPeers)
    if (auto* button = dynamic_cast<TButtonPeer*>(peer.get()))
      button->SetImages(AImages);
}

} // namespace tarvel
