#include <gtest/gtest.h>

#include "core/Geometry.h"

namespace tarvel {
namespace {

TEST(GeometryTest, RightAndBottomAreExclusive) {
  const TRect r = TRect::FromSize(10, 20, 3, 2);
  EXPECT_EQ(r, (TRect{10, 20, 13, 22}));
  EXPECT_EQ(r.Width(), 3);
  EXPECT_TRUE(r.Contains({12, 21}));
  EXPECT_FALSE(r.Contains({13, 21}));
  EXPECT_FALSE(r.Contains({12, 22}));
  EXPECT_TRUE((TRect{5, 5, 5, 9}).IsEmpty());
}

TEST(GeometryTest, NormalizeAndIntersect) {
  EXPECT_EQ(NormalizeRect({30, 40, 10, 20}), (TRect{10, 20, 30, 40}));
  EXPECT_EQ(IntersectRect({0, 0, 10, 10}, {5, -5, 20, 5}), (TRect{5, 0, 10, 5}));
  EXPECT_TRUE(IntersectRect({0, 0, 10, 10}, {10, 0, 20, 10}).IsEmpty());
}

} // namespace
} // namespace tarvel
