#pragma once

#include <string>
#include <vector>

#include "app/ActivityLog.h"

namespace tarvel {

// What a command told the user, in order, without time stamps.
class TFakeActivityLog : public IActivityLog {
public:
  std::vector<std::u16string> Lines;
  std::vector<std::u16string> Balloons;

  void AddLogLine(const std::u16string& AText) override { Lines.push_back(AText); }
  void ShowNotification(const std::u16string& AText) override { Balloons.push_back(AText); }
};

} // namespace tarvel
