#pragma once

#include <string>

#include "history/uHistory.h"

namespace tarvel {

// The texts of the text entries from the oldest up to and including AUpTo, in order, joined
// by CR LF; image and file entries in that range are left out. Duplicates stay.
std::u16string JoinTextEntries(const TClipHistory& AHistory, int AUpTo);

} // namespace tarvel
