// Region lists: whatever rectangles a frame collects, the reduced list covers
// exactly the same pixels once, and pixel alignment never loses coverage.
#include "editor/region_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace {

// Coverage of each cell of the grid spanned by every edge of both lists.
struct Coverage {
    std::vector<float> xs;
    std::vector<float> ys;
};

Coverage GridOf(const BoundsList& a, const BoundsList& b) {
    std::set<float> xs;
    std::set<float> ys;
    for (const BoundsList* list : {&a, &b}) {
        for (const Bounds& r : *list) {
            xs.insert({r.left, r.right});
            ys.insert({r.top, r.bottom});
        }
    }
    return {{xs.begin(), xs.end()}, {ys.begin(), ys.end()}};
}

int CoverCount(const BoundsList& list, float x, float y) {
    return static_cast<int>(
        std::count_if(list.begin(), list.end(), [&](const Bounds& r) { return r.Contains(x, y); }));
}

// Fails when a cell is covered by one list and not the other, or twice by
// the reduced list.
void ExpectSameUnionWithoutOverlap(const BoundsList& input, const BoundsList& reduced) {
    const Coverage grid = GridOf(input, reduced);
    for (std::size_t i = 0; i + 1 < grid.xs.size(); ++i) {
        for (std::size_t j = 0; j + 1 < grid.ys.size(); ++j) {
            const float x = (grid.xs[i] + grid.xs[i + 1]) / 2;
            const float y = (grid.ys[j] + grid.ys[j + 1]) / 2;
            const int before = CoverCount(input, x, y);
            const int after = CoverCount(reduced, x, y);
            ASSERT_EQ(before > 0, after > 0) << "cell at " << x << "," << y;
            ASSERT_LE(after, 1) << "cell at " << x << "," << y;
        }
    }
}

BoundsList RandomRegions(std::mt19937& random, int count) {
    std::uniform_int_distribution<int> corner(0, 40);
    std::uniform_int_distribution<int> side(1, 25);
    BoundsList list;
    for (int i = 0; i < count; ++i) {
        // Quarter units, as grown and aligned control rectangles have.
        const float left = corner(random) * 0.25f * 4;
        const float top = corner(random) * 0.75f;
        list.push_back({left, top, left + side(random) * 1.25f, top + side(random) * 0.5f});
    }
    return list;
}

TEST(RegionList, RandomRegionsKeepTheirUnionAndNeverOverlap) {
    std::mt19937 random(20261210);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        const BoundsList input = RandomRegions(random, 1 + round % 12);
        BoundsList reduced = input;
        Optimize(reduced);
        ExpectSameUnionWithoutOverlap(input, reduced);
    }
}

TEST(RegionList, AlignedRegionsCoverTheOriginalsOnWholePixels) {
    std::mt19937 random(7);
    const float scales[] = {0.5f, 0.75f, 1.0f, 1.5f, 2.0f, 3.0f};
    for (int round = 0; round < 200; ++round) {
        const float s = scales[round % 6];
        SCOPED_TRACE(s);
        BoundsList input = RandomRegions(random, 1 + round % 8);
        for (Bounds& r : input) r = r.Grown(0.75f);
        BoundsList aligned = input;
        for (Bounds& r : aligned) r = r.Aligned(s);
        Optimize(aligned);
        for (const Bounds& r : aligned) {
            for (float edge : {r.left, r.top, r.right, r.bottom}) {
                EXPECT_FLOAT_EQ(edge * s, std::round(edge * s));
            }
        }
        for (const Bounds& r : input) {
            // Every corner cell of every original is still covered once.
            EXPECT_EQ(CoverCount(aligned, r.left + 0.01f, r.top + 0.01f), 1);
            EXPECT_EQ(CoverCount(aligned, r.right - 0.01f, r.bottom - 0.01f), 1);
        }
    }
}

TEST(RegionList, ContainedAndEmptyRegionsAreDroppedAndNeighboursJoined) {
    struct Case {
        const char* what;
        BoundsList input;
        BoundsList expected;
    };
    const Case cases[] = {
        {"inside another", {{0, 0, 10, 10}, {2, 2, 5, 5}}, {{0, 0, 10, 10}}},
        {"around another", {{2, 2, 5, 5}, {0, 0, 10, 10}}, {{0, 0, 10, 10}}},
        {"without area", {{0, 0, 10, 10}, {20, 20, 20, 30}}, {{0, 0, 10, 10}}},
        {"stacked", {{0, 0, 10, 5}, {0, 5, 10, 9}}, {{0, 0, 10, 9}}},
        {"side by side", {{0, 0, 4, 5}, {4, 0, 10, 5}}, {{0, 0, 10, 5}}},
        {"same twice", {{1, 1, 3, 3}, {1, 1, 3, 3}}, {{1, 1, 3, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BoundsList list = c.input;
        Optimize(list);
        EXPECT_EQ(list, c.expected);
    }
}

}  // namespace
