// TMainForm: joining the history's text entries into one.
#include "app/uMain.h"

#include "core/Text.h"
#include "history/TextMerge.h"

namespace tarvel {

void TMainForm::MergeTextEntries() {
  const TClipHistoryItem* current = FHistory ? FHistory->Current() : nullptr;
  if (!current || current->Kind != cikText)
    return;
  const std::u16string result = JoinTextEntries(*FHistory, FHistory->Index());
  if (IsBlank(result))
    return;
  PublishTextToClipboard(result);
  if (!FHistory->IsImmediateDuplicateText(result))
    FHistory->AddText(result);
  UpdateHistoryControls();
  AddLogLine(u"Text merge: " + MakePreviewText(result, 80));
  ShowNotification(u"Merged text");
}

} // namespace tarvel
