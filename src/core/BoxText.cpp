#include "core/BoxText.h"

namespace tarvel {

namespace {

bool IsBlank(char16_t AChar) noexcept {
  return AChar == u' ' || AChar == u'\t' || AChar == u'\r' || AChar == u'\n';
}

bool IsLowSurrogate(char16_t AChar) noexcept {
  return AChar >= 0xDC00 && AChar <= 0xDFFF;
}

std::u16string Cut(std::u16string AText) {
  while (!AText.empty() && IsBlank(AText.back()))
    AText.pop_back();
  if (!AText.empty() && AText.back() >= 0xD800 && AText.back() <= 0xDBFF)
    AText.pop_back();
  return AText + u"...";
}

} // namespace

std::u16string FitBoxText(std::u16string_view AText) {
  std::u16string fitted;
  std::size_t lines = 1;
  std::size_t run = 0;
  for (const char16_t c : AText) {
    if (c == u'\n' && lines == MaxBoxLines)
      return Cut(std::move(fitted));
    if (!IsBlank(c) && run >= MaxBoxRunChars && !IsLowSurrogate(c)) {
      if (lines == MaxBoxLines)
        return Cut(std::move(fitted));
      fitted += u"\r\n";
      ++lines;
      run = 0;
    }
    if (fitted.size() >= MaxBoxChars)
      return Cut(std::move(fitted));
    fitted += c;
    if (c == u'\n') {
      ++lines;
      run = 0;
    } else {
      run = IsBlank(c) ? 0 : run + 1;
    }
  }
  return fitted;
}

} // namespace tarvel
