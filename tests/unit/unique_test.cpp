// The owners of handles and COM references release exactly once.
#include "platform/unique.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

namespace {

std::vector<int> closed;

struct FakeTraits {
    static void Close(int handle) { closed.push_back(handle); }
};
using Owner = platform::Unique<int, FakeTraits>;

static_assert(!std::is_copy_constructible_v<Owner> && !std::is_copy_assignable_v<Owner>);

TEST(Unique, ClosesOnceWhateverHappensToIt) {
    closed.clear();
    {
        Owner a(7);
        Owner b(std::move(a));       // moved: only b closes
        Owner c(9);
        c = std::move(b);            // c lets 9 go, takes 7
        EXPECT_EQ(closed, std::vector<int>{9});
        c = std::move(c);            // self-move keeps it
        EXPECT_TRUE(static_cast<bool>(c));
        EXPECT_FALSE(static_cast<bool>(a));
    }
    EXPECT_EQ(closed, (std::vector<int>{9, 7}));
}

TEST(Unique, ReleaseHandsOverAndResetReplaces) {
    closed.clear();
    Owner a(3);
    EXPECT_EQ(a.release(), 3);
    a.reset(4);
    a.reset(5);
    a.reset();
    EXPECT_EQ(closed, (std::vector<int>{4, 5}));
}

struct Counted {
    int refs = 1;
    int releases = 0;
    void Release() {
        ++releases;
        --refs;
    }
};

TEST(ComPtr, ReleasesItsReferenceOnceAndPutDropsTheOldOne) {
    Counted first, second;
    {
        platform::ComPtr<Counted> p;
        *p.put() = &first;
        platform::ComPtr<Counted> q(std::move(p));
        EXPECT_EQ(p.get(), nullptr);
        *q.put() = &second;  // a new reference: the old one goes
        EXPECT_EQ(first.releases, 1);
        EXPECT_EQ(second.releases, 0);
    }
    EXPECT_EQ(first.releases, 1);
    EXPECT_EQ(second.releases, 1);
}

}  // namespace
