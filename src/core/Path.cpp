#include "core/Path.h"

namespace tarvel {

std::u16string JoinPath(const std::u16string& AFolder, const std::u16string& AName) {
  if (AFolder.empty())
    return AName;
  if (AFolder.back() == u'\\' || AFolder.back() == u'/')
    return AFolder + AName;
  return AFolder + u'\\' + AName;
}

std::u16string ExtractFileExt(std::u16string_view AFileName) {
  const std::size_t component = AFileName.find_last_of(u"\\/:");
  const std::size_t dot = AFileName.rfind(u'.');
  if (dot == std::u16string_view::npos || (component != std::u16string_view::npos && dot < component))
    return {};
  return std::u16string(AFileName.substr(dot));
}

} // namespace tarvel
