#include "platform/unique_handle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace regcorvex::test {
namespace {

// Handles are ints, -1 is empty, and every close is written down in the log the traits carry.
struct LoggedTraits {
  using Handle = int;
  static constexpr int kEmpty = -1;
  std::vector<int>* closed = nullptr;
  void Close(int handle) const { closed->push_back(handle); }
};
using Owner = platform::UniqueHandle<LoggedTraits>;

TEST(UniqueHandleTest, EachHandleIsClosedOnceByItsLastOwner) {
  std::vector<int> closed;
  {
    Owner first(3, {&closed});
    Owner second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), 3);
    Owner third(5, {&closed});
    third = std::move(second);  // 5 goes now; 3 moves on
    EXPECT_EQ(closed, std::vector<int>{5});
    Owner& same = third;
    third = std::move(same);  // moving onto itself keeps the handle open
    EXPECT_EQ(third.get(), 3);
    EXPECT_EQ(closed, std::vector<int>{5});
  }
  EXPECT_EQ(closed, (std::vector<int>{5, 3}));
}

TEST(UniqueHandleTest, EmptyOwnersCloseNothing) {
  std::vector<int> closed;
  {
    const Owner none;
    EXPECT_FALSE(none);
    const Owner failed(LoggedTraits::kEmpty, {&closed});  // what a failed open returns
    Owner kept(7, {&closed});
    EXPECT_EQ(kept.release(), 7);
    EXPECT_FALSE(kept);
    Owner reset(8, {&closed});
    reset.reset();
    reset.reset();
    EXPECT_FALSE(reset);
  }
  EXPECT_EQ(closed, std::vector<int>{8});
}

TEST(UniqueHandleTest, TheTraitsTravelWithTheHandle) {
  std::vector<int> first_log;
  std::vector<int> second_log;
  Owner target(1, {&first_log});
  target = Owner(2, {&second_log});
  target.reset();
  EXPECT_EQ(first_log, std::vector<int>{1});
  EXPECT_EQ(second_log, std::vector<int>{2});
}

}  // namespace
}  // namespace regcorvex::test
