#pragma once

#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "ui/win32/Peers.h"

namespace tarvel {

// The peers of one window's controls. It owns them, and hands what the controls report to
// their parent (commands, owner drawing, scrolling) to the peer of the control that sent it,
// whichever window the controls were created on.
class TPeerHost {
public:
  TPeerHost() = default;
  TPeerHost(const TPeerHost&) = delete;
  TPeerHost& operator=(const TPeerHost&) = delete;

  template <class TPeerType, class... TArgs> TPeerType& Bind(TArgs&&... AArgs) {
    auto peer = std::make_unique<TPeerType>(std::forward<TArgs>(AArgs)...);
    TPeerType& result = *peer;
    FPeers.push_back(std::move(peer));
    return result;
  }

  TPeer* PeerOf(HWND AWindow) const noexcept;
  TPeer* PeerOf(const TControl& AModel) const noexcept;
  const std::vector<std::unique_ptr<TPeer>>& Peers() const noexcept { return FPeers; }

  // A control's report to its parent window. True when a peer took it; AResult is then
  // the answer to give.
  bool Route(UINT AMessage, WPARAM AWParam, LPARAM ALParam, LRESULT& AResult);

  // Gives every control the font.
  void SetFont(HFONT AFont) const noexcept;
  // Gives every button the icon list.
  void SetImages(HIMAGELIST AImages) const noexcept;
  void Clear() noexcept { FPeers.clear(); }

private:
  std::vector<std::unique_ptr<TPeer>> FPeers;
};

} // namespace tarvel
