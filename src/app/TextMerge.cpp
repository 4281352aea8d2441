// TMainForm: joining the history's text entries into one.
#include "app/uMain.h"

#include "core/Text.h"

namespace tarvel {

void TMainForm::MergeTextEntries() {
  const TClipHistoryItem* current = FHistory ? FHistory->Current() : nullptr;
  if (!current || current->Kind != cikText)
    return;
  std::u16string result;
  for (int i = 0; i <= FHistory->Index(); ++i) {
    const TClipHistoryItem& item = FHistory->Items(i);
    if (item.Kind != cikText)
      continue;
    if (!result.empty())
      result += u"\r\n";
    result += item.Text;
  }
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
