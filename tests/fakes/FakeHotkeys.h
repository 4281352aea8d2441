#pragma once

#include <map>
#include <set>
#include <vector>

#include "hotkeys/uHotkeys.h"

namespace tarvel {

// Hotkeys in memory; combinations in Taken belong to another program.
class TFakeHotkeys : public IHotkeys {
public:
  struct TKey {
    std::uint32_t Modifiers;
    std::uint32_t VirtualKey;
    friend bool operator<(const TKey& A, const TKey& B) {
      return A.Modifiers != B.Modifiers ? A.Modifiers < B.Modifiers : A.VirtualKey < B.VirtualKey;
    }
    friend bool operator==(const TKey&, const TKey&) = default;
  };
  std::set<TKey> Taken;
  std::map<int, TKey> Active;
  // Every id asked for, in order.
  std::vector<int> Attempts;

  bool Register(int AId, std::uint32_t AModifiers, std::uint32_t AVirtualKey) override {
    Attempts.push_back(AId);
    const TKey key{AModifiers, AVirtualKey};
    if (Taken.count(key) || Active.count(AId))
      return false;
    for (const auto& [id, active] : Active)
      if (active == key)
        return false;
    Active[AId] = key;
    return true;
  }
  void Unregister(int AId) override { Active.erase(AId); }
};

} // namespace tarvel
