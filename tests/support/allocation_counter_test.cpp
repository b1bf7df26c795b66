#include "allocation_counter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

// The counter must see the allocations a real fault would make, or the
// real-time tests built on it prove nothing.
TEST(AllocationCounter, SeesVectorGrowthAndMalloc) {
    test_support::AllocationScope scope;
    std::vector<int> values;
    values.push_back(1);
    values.push_back(2);
    values.push_back(3);
    EXPECT_GE(scope.Count(), 2u);
    EXPECT_EQ(values.size(), 3u);
    if (!test_support::MallocIsCounted()) return;
    std::size_t before = scope.Count();
    void* volatile p = std::malloc(16);
    std::free(p);
    EXPECT_EQ(scope.Count(), before + 1);
}

// The failure scope must really fail, and end cleanly, or the entry-point
// guard tests would pass without ever seeing an allocation fail.
TEST(AllocationCounter, FailureScopeFailsNewAndEnds) {
    bool threw = false;
    {
        test_support::AllocationFailureScope failing;
        try {
            std::vector<int> values(64);
            (void)values;
        } catch (const std::bad_alloc&) {
            threw = true;
        }
    }
    EXPECT_TRUE(threw);
    std::vector<int> after(64);
    EXPECT_EQ(after.size(), 64u);
}
