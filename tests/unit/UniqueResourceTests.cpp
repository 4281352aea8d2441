#include <gtest/gtest.h>

#include <vector>

#include "core/UniqueResource.h"

namespace tarvel {
namespace {

std::vector<int> GClosed;

struct TCountingPolicy {
  using THandle = int;
  static THandle Invalid() noexcept { return -1; }
  static void Close(THandle AHandle) noexcept { GClosed.push_back(AHandle); }
};
using TOwner = TUniqueResource<TCountingPolicy>;

class UniqueResourceTest : public testing::Test {
protected:
  void SetUp() override { GClosed.clear(); }
};

TEST_F(UniqueResourceTest, ClosesOnceOnEveryPath) {
  {
    TOwner a(1);
    TOwner b(std::move(a));
    EXPECT_FALSE(a.Valid());
    TOwner c(2);
    c = std::move(b); // closes 2, takes 1
    EXPECT_EQ(GClosed, std::vector<int>{2});
  }
  EXPECT_EQ(GClosed, (std::vector<int>{2, 1}));
}

TEST_F(UniqueResourceTest, InvalidIsNeverClosedAndReleaseGivesUpOwnership) {
  { TOwner empty; }
  {
    TOwner r(5);
    EXPECT_EQ(r.Release(), 5);
  }
  EXPECT_TRUE(GClosed.empty());
}

TEST_F(UniqueResourceTest, PutClosesTheOldHandleBeforeRefilling) {
  TOwner r(3);
  *r.Put() = 4;
  EXPECT_EQ(GClosed, std::vector<int>{3});
  r.Reset();
  EXPECT_EQ(GClosed, (std::vector<int>{3, 4}));
}

} // namespace
} // namespace tarvel
