#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvel {

// The longest run of characters without a blank or line break a message box shows on one
// line, the most lines and the most characters it shows.
inline constexpr std::size_t MaxBoxRunChars = 80;
inline constexpr std::size_t MaxBoxLines = 30;
inline constexpr std::size_t MaxBoxChars = 1000;

// A text as a message box shows it, so that the box fits the screen whatever the text: a
// longer run without a blank or line break is broken into lines of MaxBoxRunChars
// characters (never inside a surrogate pair), and a text of more lines or characters is
// cut and ends with "...". A text within the limits comes back as it is.
std::u16string FitBoxText(std::u16string_view AText);

} // namespace tarvel
