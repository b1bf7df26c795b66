#include "allocation_counter.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
