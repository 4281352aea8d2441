#pragma once

#include <deque>
#include <string>
#include <vector>

#include "app/Dialogs.h"

namespace tarvel {

// Answers message boxes from a queue (mrNone when empty) and records what was asked.
class TFakeDialogs : public IDialogs {
public:
  struct TShown {
    std::u16string Text;
    TMsgDlgType Type;
    unsigned Buttons;
  };
  std::deque<TModalResult> Answers;
  std::vector<TShown> Shown;
  // Save dialogs: answered from a queue (cancelled when empty), and what they offered.
  std::deque<std::optional<TSaveDialogResult>> SaveAnswers;
  std::vector<TSaveDialogOptions> SaveShown;

  TModalResult MessageDlg(const std::u16string& AText, TMsgDlgType AType, unsigned AButtons) override {
    Shown.push_back({AText, AType, AButtons});
    if (Answers.empty())
      return mrNone;
    const TModalResult r = Answers.front();
    Answers.pop_front();
    return r;
  }

  // Warning boxes shown, in order.
  std::vector<std::u16string> Warnings;
  void WarningBox(const std::u16string& AText) override { Warnings.push_back(AText); }

  std::optional<TSaveDialogResult> SaveDialog(const TSaveDialogOptions& AOptions) override {
    SaveShown.push_back(AOptions);
    if (SaveAnswers.empty())
      return std::nullopt;
    auto r = SaveAnswers.front();
    SaveAnswers.pop_front();
    return r;
  }
};

} // namespace tarvel
