#include "core/param_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<double> Values(const ParamTable& table) {
    std::vector<double> values;
    for (int i = 0; i < table.Count(); ++i) values.push_back(table.GetParam(i)->GetValue());
    return values;
}

// Six plain 0..100 parameters holding their index times ten.
class NumberedTable : public ::testing::Test {
protected:
    NumberedTable() : table(6) {
        for (int i = 0; i < table.Count(); ++i) {
            table.GetParam(i)->DefineNumber("p", 0, 0, 100, 1);
            table.GetParam(i)->SetValue(i * 10);
        }
    }
    ParamTable table;
};

TEST(ParamTableTest, SizeIsFixedAndLookupsOutsideItGiveNull) {
    ParamTable table(3);
    EXPECT_EQ(table.Count(), 3);
    EXPECT_NE(table.GetParam(2), nullptr);
    EXPECT_EQ(table.GetParam(3), nullptr);
    EXPECT_EQ(table.GetParam(-1), nullptr);
    EXPECT_EQ(ParamTable(-5).Count(), 0);
}

TEST(ParamTableTest, DefineRangeNamesEachParameterFromTheCounter) {
    ParamTable table(4);
    table.DefineRange(1, 3, 7, "Band %d Gain", 0, -12, 12, 0.5, "dB", 0, "eq");
    EXPECT_STREQ(table.GetParam(0)->Name(), "");
    EXPECT_STREQ(table.GetParam(1)->Name(), "Band 7 Gain");
    EXPECT_STREQ(table.GetParam(3)->Name(), "Band 9 Gain");
    EXPECT_STREQ(table.GetParam(3)->Group(), "eq");
    EXPECT_DOUBLE_EQ(table.GetParam(3)->Max(), 12);
}

TEST(ParamTableTest, DefineRangeSkipsIndicesOutsideTheTable) {
    ParamTable table(3);
    table.DefineRange(-2, 100, 1, "P%d", 0, 0, 1, 1);
    EXPECT_STREQ(table.GetParam(0)->Name(), "P3");  // the counter belongs to the index
    EXPECT_STREQ(table.GetParam(2)->Name(), "P5");
}

TEST(ParamTableTest, CounterNameFormatsAreSafe) {
    struct Case {
        const char* format;
        int counter;
        const char* name;
    };
    const Case kCases[] = {
        {"Osc %i", 3, "Osc 3"},
        {"Osc %02d %%", 3, "Osc 03 %"},
        {"%x", 255, "ff"},
        {"No counter", 3, "No counter"},
        {"Width %040d", 1, "Width 0000000000000000000000000"},  // cut to 31
        {"Str %s", 3, "Str %s3"},                                // %s would read an int as a pointer
        {"Two %d %d", 4, "Two %d %d4"},                          // a second conversion has no argument
        {"Long %ld", 5, "Long %ld5"},
        {"Star %*d", 6, "Star %*d6"},
        {"Huge %99999999d", 7, "Huge %99999999d7"},
        {"Trailing %", 8, "Trailing %8"},
        {nullptr, 9, ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const TextBuf name = FormatCounterName(c.format, c.counter);
        EXPECT_STREQ(name.Get(), c.name);
        EXPECT_LE(name.Length(), kMaxTextFieldChars);
    }
}

TEST(ParamTableTest, CloneRangeCopiesDefinitionsAndValues) {
    ParamTable table(4);
    table.GetParam(0)->DefineGain("Gain L", 0, -12, 12, 0.5, 0, "left");
    table.GetParam(1)->DefineEnumList("Mode L", 0, {"A", "B"}, 0, "left");
    table.GetParam(0)->SetValue(6);
    table.GetParam(1)->SetValue(1);

    table.CloneRange(0, 1, 2, "L", "R", "right");
    EXPECT_STREQ(table.GetParam(2)->Name(), "Gain R");
    EXPECT_STREQ(table.GetParam(3)->Name(), "Mode R");
    EXPECT_STREQ(table.GetParam(3)->Group(), "right");
    EXPECT_EQ(table.GetParam(3)->Type(), TypeEnum);
    EXPECT_DOUBLE_EQ(table.GetParam(2)->GetValue(), 6);
    EXPECT_DOUBLE_EQ(table.GetParam(3)->GetValue(), 1);
    EXPECT_EQ(table.GetParam(3)->DisplayTextCount(), 2);
}

TEST_F(NumberedTable, CloneRangeIntoAnOverlapCopiesEachSourceBeforeOverwritingIt) {
    table.GetParam(0)->DefineNumber("a", 0, 0, 100, 1);
    table.GetParam(1)->DefineNumber("b", 0, 0, 100, 1);
    table.GetParam(2)->DefineNumber("c", 0, 0, 100, 1);
    table.GetParam(0)->SetValue(1);
    table.GetParam(1)->SetValue(2);
    table.GetParam(2)->SetValue(3);
    table.CloneRange(0, 2, 1, "", "", nullptr);
    EXPECT_STREQ(table.GetParam(1)->Name(), "a");
    EXPECT_STREQ(table.GetParam(2)->Name(), "b");
    EXPECT_STREQ(table.GetParam(3)->Name(), "c");
    EXPECT_DOUBLE_EQ(table.GetParam(3)->GetValue(), 3);
}

TEST_F(NumberedTable, CloneRangeOutsideTheTableIsIgnored) {
    table.CloneRange(4, 7, 0, "", "", nullptr);  // sources 6 and 7 do not exist
    table.CloneRange(2, 5, 4, "", "", nullptr);  // destinations 6 and 7 do not exist
    EXPECT_EQ(Values(table), (std::vector<double>{40, 50, 20, 30, 20, 30}));
}

TEST_F(NumberedTable, CopyValues) {
    struct Case {
        const char* what;
        int src, dest, count;
        std::vector<double> expected;
    };
    const Case kCases[] = {
        {"plain", 0, 3, 2, {0, 10, 20, 0, 10, 50}},
        {"overlap forward", 0, 1, 3, {0, 0, 10, 20, 40, 50}},
        {"overlap backward", 2, 1, 3, {0, 20, 30, 40, 40, 50}},
        {"past the end", 4, 0, 5, {40, 50, 20, 30, 40, 50}},
        {"before the start", -2, 0, 3, {0, 10, 0, 30, 40, 50}},
        {"negative count", 0, 1, -3, {0, 10, 20, 30, 40, 50}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        for (int i = 0; i < table.Count(); ++i) table.GetParam(i)->SetValue(i * 10);
        table.CopyValues(c.src, c.dest, c.count);
        EXPECT_EQ(Values(table), c.expected);
    }
}

TEST(ParamTableTest, CopyValuesRestrictsToTheDestinationRange) {
    ParamTable table(2);
    table.GetParam(0)->DefineNumber("wide", 50, 0, 100, 1);
    table.GetParam(1)->DefineNumber("narrow", 0, 0, 10, 1);
    table.CopyValues(0, 1, 1);
    EXPECT_DOUBLE_EQ(table.GetParam(1)->GetValue(), 10);
}

TEST_F(NumberedTable, GroupsPairInTableOrder) {
    const char* kGroups[] = {"a", "b", "a", "b", "a", ""};
    for (int i = 0; i < table.Count(); ++i) table.GetParam(i)->DefineNumber("p", 0, 0, 100, 1, "", 0, kGroups[i]);
    for (int i = 0; i < table.Count(); ++i) table.GetParam(i)->SetValue(i * 10);

    table.CopyValuesBetweenGroups("a", "b");  // two pairs: 0 -> 1, 2 -> 3
    EXPECT_EQ(Values(table), (std::vector<double>{0, 0, 20, 20, 40, 50}));

    std::vector<int> visited;
    table.ForEachInGroup("a", [&](int index, Param&) { visited.push_back(index); });
    EXPECT_EQ(visited, (std::vector<int>{0, 2, 4}));
    visited.clear();
    table.ForEachInGroup(nullptr, [&](int index, Param&) { visited.push_back(index); });
    EXPECT_EQ(visited, (std::vector<int>{5}));

    table.ResetGroupToDefault("b");
    EXPECT_EQ(Values(table), (std::vector<double>{0, 0, 20, 0, 40, 50}));
}

TEST_F(NumberedTable, RangesAreClippedToTheTable) {
    std::vector<int> visited;
    table.ForEachInRange(-3, 2, [&](int index, Param&) { visited.push_back(index); });
    EXPECT_EQ(visited, (std::vector<int>{0, 1, 2}));
    visited.clear();
    table.ForEachInRange(4, 1000, [&](int index, Param&) { visited.push_back(index); });
    EXPECT_EQ(visited, (std::vector<int>{4, 5}));

    table.ResetRangeToDefault(4, 99);
    EXPECT_EQ(Values(table), (std::vector<double>{0, 10, 20, 30, 0, 0}));
    table.ResetAllToDefault();
    EXPECT_EQ(Values(table), std::vector<double>(6, 0));
}

TEST_F(NumberedTable, RandomizeStaysInRangeAndTouchesOnlyItsTargets) {
    std::srand(1);
    table.RandomizeRange(2, 3);
    EXPECT_DOUBLE_EQ(table.GetParam(0)->GetValue(), 0);
    EXPECT_DOUBLE_EQ(table.GetParam(5)->GetValue(), 50);
    bool anyChanged = false;
    for (int round = 0; round < 50; ++round) {
        table.RandomizeAll();
        for (int i = 0; i < table.Count(); ++i) {
            const double v = table.GetParam(i)->GetValue();
            EXPECT_GE(v, 0);
            EXPECT_LT(v, 100);  // r * 2^-15 stays below 1
            anyChanged |= v != i * 10;
        }
    }
    EXPECT_TRUE(anyChanged);
}

}  // namespace
