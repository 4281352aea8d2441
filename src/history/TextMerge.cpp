#include "history/TextMerge.h"

namespace tarvel {

std::u16string JoinTextEntries(const TClipHistory& AHistory, int AUpTo) {
  std::u16string result;
  for (int i = 0; i <= AUpTo && i < AHistory.Count(); ++i) {
    const TClipHistoryItem& item = AHistory.Items(i);
    if (item.Kind != cikText)
      continue;
    if (!result.empty())
      result += u"\r\n";
    result += item.Text;
  }
  return result;
}

} // namespace tarvel
