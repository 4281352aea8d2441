#include "core/Geometry.h"

#include <algorithm>

namespace tarvel {

TRect NormalizeRect(const TRect& ARect) noexcept {
  return {std::min(ARect.Left, ARect.Right), std::min(ARect.Top, ARect.Bottom), std::max(ARect.Left, ARect.Right),
          std::max(ARect.Top, ARect.Bottom)};
}

TRect IntersectRect(const TRect& A, const TRect& B) noexcept {
  TRect r{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right), std::min(A.Bottom, B.Bottom)};
  return r.IsEmpty() ? TRect{} : r;
}

} // namespace tarvel
