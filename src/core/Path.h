#pragma once

#include <string>
#include <string_view>

namespace tarvel {

// Windows file names, as text: both separators count, and a drive's colon ends a component.

// AFolder and AName with one separator between them; an empty folder gives the bare name.
std::u16string JoinPath(const std::u16string& AFolder, const std::u16string& AName);

// A file name's extension (from the last dot of its last component, dot included), or empty.
std::u16string ExtractFileExt(std::u16string_view AFileName);

} // namespace tarvel
