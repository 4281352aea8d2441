#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// The clipboard card shows a bounded beginning of a long text or file list; the entry
// itself always keeps the whole. An edit control lays out all it holds, and wraps each line
// anew: a line of n units costs about n² to lay out, so one long unbroken line is what
// freezes the window (a 10 MB text did, for seconds, each time it was shown). The preview
// ends after MaxMemoPreviewLength units, or earlier once its lines' squared lengths add up
// to that of one line of MaxMemoPreviewLine units.
inline constexpr std::size_t MaxMemoPreviewLength = 65536;
inline constexpr std::size_t MaxMemoPreviewLine = 4096;
// AText, or its beginning as above (never half a surrogate pair) followed by a line that
// says how much more the entry holds.
std::u16string MakeMemoPreviewText(std::u16string_view AText);
// One path per line, as many as the rule above allows (at least one), then a line that says
// how many more the entry holds.
std::vector<std::u16string> MakeMemoPreviewLines(const std::vector<std::u16string>& AFiles);

} // namespace tarvel
