// The handle owner closes each handle exactly once.
#include <gtest/gtest.h>

#include <vector>

#include "platform/unique_resource.h"

namespace unroll {
namespace {

struct CountingTraits {
  using Handle = int;
  static Handle Invalid() { return -1; }
  void Close(Handle h) const { closed->push_back(h); }
  std::vector<int>* closed = nullptr;
};
using Owned = UniqueResource<CountingTraits>;

TEST(UniqueResource, ClosesOnceThroughMovesResetAndPut) {
  std::vector<int> closed;
  {
    Owned a(CountingTraits{&closed}, 1);
    Owned b(std::move(a));
    EXPECT_FALSE(a.valid());
    Owned c(CountingTraits{&closed}, 2);
    c = std::move(b);  // closes 2, takes 1
    EXPECT_EQ(closed, std::vector<int>({2}));
    c.reset(3);  // closes 1
    *c.put() = 4;  // closes 3
    EXPECT_EQ(c.get(), 4);
    Owned d(CountingTraits{&closed}, 5);
    EXPECT_EQ(d.release(), 5);  // released: never closed
  }
  EXPECT_EQ(closed, std::vector<int>({2, 1, 3, 4}));
}

}  // namespace
}  // namespace unroll
