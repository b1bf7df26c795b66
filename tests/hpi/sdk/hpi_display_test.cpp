#include "hpi/sdk/hpi_display.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <string>

namespace {

struct DoubleTextCase {
    double value;
    int32_t maxChars;  // -2: no limit given
    const char* text;
};

constexpr int32_t kNoLimit = -2;

std::string Text(const HPI_IDisplayDelegate<double>& display, double value, int32_t maxChars) {
    std::string out;
    if (maxChars == kNoLimit) {
        display.ValueToString(value, out);
    } else {
        display.ValueToString(value, maxChars, out);
    }
    return out;
}

TEST(NumberDisplay, TwoDecimalsCutToTheLimitWithoutATrailingPoint) {
    const DoubleTextCase kCases[] = {
        {3.14159, kNoLimit, "3.14"},
        {3.14159, 10, "3.14"},
        {3.14159, 4, "3.14"},
        {3.14159, 3, "3.1"},
        {3.14159, 2, "3"},     // "3." loses its point
        {3.14159, 1, "3"},
        {3.14159, 0, ""},
        {3.14159, -5, ""},
        {123.456, 4, "123"},
        {-3.5, kNoLimit, "-3.50"},
        {-0.001, kNoLimit, "0.00"},  // no "-0.00"
        {-0.0, kNoLimit, "0.00"},
        {0.125, kNoLimit, "0.12"},   // exact binary value, ties to even
        {1e6, kNoLimit, "1000000.00"},
        {1e300, 6, "100000"},        // very long texts cut like any other
    };
    const HPI_CNumberDisplayDelegate<double, 2, 0> display;
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.value << " limit " << c.maxChars);
        EXPECT_EQ(Text(display, c.value, c.maxChars), c.text);
    }
}

TEST(NumberDisplay, NonFiniteValuesHaveNoText) {
    const HPI_CNumberDisplayDelegate<double, 2, 0> display;
    std::string out = "old";
    EXPECT_FALSE(display.ValueToString(std::numeric_limits<double>::quiet_NaN(), out));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(display.ValueToString(std::numeric_limits<double>::infinity(), 8, out));
    EXPECT_EQ(out, "");
}

TEST(NumberDisplay, IntegersAndForcedSign) {
    const HPI_CNumberDisplayDelegate<int32_t, 0, 0> plain;
    const HPI_CNumberDisplayDelegate<double, 1, 1> signedDisplay;
    std::string out;
    plain.ValueToString(42, out);
    EXPECT_EQ(out, "42");
    plain.ValueToString(-7, 1, out);
    EXPECT_EQ(out, "-");
    signedDisplay.ValueToString(2.25, out);
    EXPECT_EQ(out, "+2.2");
    signedDisplay.ValueToString(-2.25, out);
    EXPECT_EQ(out, "-2.2");
    signedDisplay.ValueToString(0.0, out);
    EXPECT_EQ(out, "0.0");
}

struct ParseCase {
    const char* text;
    bool ok;
    double value;
};

TEST(NumberDisplay, DoubleParseTakesOnlyWholeFiniteNumbers) {
    const ParseCase kCases[] = {
        {"3.5", true, 3.5},     {" 3.5 ", true, 3.5},  {"+2", true, 2.0},       {"-0.25", true, -0.25},
        {"1e3", true, 1000.0},  {"abc", false, 0.0},   {"3.5x", false, 0.0},    {"", false, 0.0},
        {"   ", false, 0.0},    {"+", false, 0.0},     {"+-1", false, 0.0},     {"nan", false, 0.0},
        {"inf", false, 0.0},    {"-infinity", false, 0.0}, {"1e400", false, 0.0}, {"1,5", false, 0.0},
    };
    const HPI_CNumberDisplayDelegate<double, 2, 0> display;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.text);
        double value = 99.0;
        EXPECT_EQ(display.StringToValue(c.text, value), c.ok);
        EXPECT_EQ(value, c.value);
    }
}

TEST(NumberDisplay, IntegerParseRejectsFractionsAndOverflow) {
    const struct {
        const char* text;
        bool ok;
        int32_t value;
    } kCases[] = {
        {"12", true, 12},        {"-2147483648", true, INT32_MIN}, {"2147483648", false, 0},
        {"12.5", false, 0},      {"12.0", false, 0},               {" 7\t", true, 7},
        {"0x10", false, 0},      {"", false, 0},
    };
    const HPI_CNumberDisplayDelegate<int32_t, 0, 0> display;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.text);
        int32_t value = 99;
        EXPECT_EQ(display.StringToValue(c.text, value), c.ok);
        EXPECT_EQ(value, c.value);
    }
}

TEST(UnitDisplay, UnitIsAppendedOnlyWhenItFitsWhole) {
    const HPI_CUnitDisplayDelegateDecorator<double> display(HPI_CNumberDisplayDelegate<double, 2, 0>(), "dB");
    const DoubleTextCase kCases[] = {
        {-3.0, kNoLimit, "-3.00dB"},
        {-3.0, 7, "-3.00dB"},
        {-3.0, 20, "-3.00dB"},
        {-3.0, 6, "-3.00"},   // room for one character only
        {-3.0, 5, "-3.00"},
        {-3.0, 4, "-3.0"},
        {-3.0, 3, "-3"},
        {1.0, 6, "1.00dB"},
        {1.0, 3, "1.0"},
        {1.0, 0, ""},
        {1.0, -1, ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.value << " limit " << c.maxChars);
        EXPECT_EQ(Text(display, c.value, c.maxChars), c.text);
    }
}

TEST(UnitDisplay, ParseStripsOnlyAnExactUnitSuffix) {
    const HPI_CUnitDisplayDelegateDecorator<double> display(HPI_CNumberDisplayDelegate<double, 2, 0>(), "dB");
    const ParseCase kCases[] = {
        {"-3.00dB", true, -3.0}, {"-3.00 dB", true, -3.0}, {"3.5", true, 3.5},   {"dB", false, 0.0},
        {"3.5db", false, 0.0},   {"3dBdB", false, 0.0},    {"dB3", false, 0.0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.text);
        double value = 99.0;
        EXPECT_EQ(display.StringToValue(c.text, value), c.ok);
        EXPECT_EQ(value, c.value);
    }
}

TEST(UnitDisplay, CloneOwnsItsOwnInnerDisplay) {
    auto original = std::make_unique<HPI_CUnitDisplayDelegateDecorator<double>>(
        HPI_CNumberDisplayDelegate<double, 2, 0>(), "Hz");
    const auto clone = original->Clone();
    original.reset();
    std::string out;
    EXPECT_TRUE(clone->ValueToString(50.0, out));
    EXPECT_EQ(out, "50.00Hz");
}

// A selector kept as a number: named positions show and read as their
// names, the other values as numbers with their unit.
TEST(NamedValueDisplay, NamesWhereTheyExistNumbersElsewhere) {
    const HPI_CUnitDisplayDelegateDecorator<int32_t> number(HPI_CNumberDisplayDelegate<int32_t, 0, 0>(), "x");
    auto made = std::make_unique<HPI_CNamedValueDisplayDelegateDecorator<int32_t>>(
        number, std::map<int32_t, std::string>{{0, "OFF"}, {2, "80Hz"}});
    const auto display = made->Clone();
    made.reset();  // the clone owns its own inner display
    const struct {
        int32_t value;
        int32_t maxChars;
        const char* text;
    } kShown[] = {
        {0, kNoLimit, "OFF"}, {2, kNoLimit, "80Hz"}, {2, 2, "80"}, {1, kNoLimit, "1x"}, {7, 1, "7"},
    };
    for (const auto& c : kShown) {
        SCOPED_TRACE(testing::Message() << c.value << " limit " << c.maxChars);
        std::string out;
        EXPECT_TRUE(c.maxChars == kNoLimit ? display->ValueToString(c.value, out)
                                           : display->ValueToString(c.value, c.maxChars, out));
        EXPECT_EQ(out, c.text);
    }
    const struct {
        const char* text;
        bool ok;
        int32_t value;
    } kRead[] = {{"80Hz", true, 2}, {"OFF", true, 0}, {"3", true, 3}, {"3x", true, 3}, {"off", false, 0}};
    for (const auto& c : kRead) {
        SCOPED_TRACE(c.text);
        int32_t value = 99;
        EXPECT_EQ(display->StringToValue(c.text, value), c.ok);
        EXPECT_EQ(value, c.value);
    }
}

TEST(StringDisplay, TextsPerValueAndNotFound) {
    const HPI_CStringDisplayDelegate<int32_t> display({{0, "OFF"}, {1, "50"}, {2, "80"}, {3, "160"}});
    const struct {
        int32_t value;
        int32_t maxChars;
        bool ok;
        const char* text;
    } kCases[] = {
        {0, kNoLimit, true, "OFF"}, {3, kNoLimit, true, "160"}, {3, 2, true, "16"},
        {7, kNoLimit, false, "String Not Found"}, {-1, kNoLimit, false, "String Not Found"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.value);
        std::string out;
        const bool ok = c.maxChars == kNoLimit ? display.ValueToString(c.value, out)
                                               : display.ValueToString(c.value, c.maxChars, out);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(out, c.text);
    }
    int32_t value = 99;
    EXPECT_TRUE(display.StringToValue("80", value));
    EXPECT_EQ(value, 2);
    EXPECT_FALSE(display.StringToValue("90", value));
    EXPECT_EQ(value, 0);
}

TEST(StringDisplay, SharedTextReadsAsTheSmallestValue) {
    const HPI_CStringDisplayDelegate<int32_t> display({{3, "X"}, {1, "X"}, {2, "Y"}});
    int32_t value = 0;
    EXPECT_TRUE(display.StringToValue("X", value));
    EXPECT_EQ(value, 1);
}

TEST(BinaryDisplay, FullTextsAndParse) {
    const HPI_CBinaryDisplayDelegate<bool> display("bypass", "on");
    std::string out;
    display.ValueToString(true, out);
    EXPECT_EQ(out, "on");
    display.ValueToString(false, out);
    EXPECT_EQ(out, "bypass");
    const struct {
        const char* text;
        bool ok;
        bool value;
    } kCases[] = {{"on", true, true}, {"bypass", true, false}, {"ON", false, false}, {"", false, false}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.text);
        bool value = !c.value;
        EXPECT_EQ(display.StringToValue(c.text, value), c.ok);
        EXPECT_EQ(value, c.value);
    }
}

TEST(BinaryDisplay, ShortenedPairsByLimit) {
    HPI_CBinaryDisplayDelegate<bool> display("bypass", "processing");
    display.AddShortenedStrings("byp", "proc", 4);
    display.AddShortenedStrings("b", "p", 1);
    display.AddShortenedStrings("bp", "pr", 2);
    display.AddShortenedStrings("bp", "pc", 2);  // same limit replaces
    const struct {
        int32_t maxChars;
        const char* falseText;
        const char* trueText;
    } kCases[] = {
        {10, "bypass", "processing"},  // reaches the longer full text
        {30, "bypass", "processing"},
        {9, "byp", "proc"},
        {4, "byp", "proc"},
        {3, "bp", "pc"},
        {1, "b", "p"},
        {0, "", ""},                   // no pair fits: the smallest pair, cut to the limit
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.maxChars);
        std::string out;
        display.ValueToString(false, c.maxChars, out);
        EXPECT_EQ(out, c.falseText);
        display.ValueToString(true, c.maxChars, out);
        EXPECT_EQ(out, c.trueText);
    }
}

TEST(BinaryDisplay, WithoutPairsTheFullTextIsStillCutToTheLimit) {
    const HPI_CBinaryDisplayDelegate<bool> display("bypass", "on");
    std::string out;
    display.ValueToString(false, 3, out);
    EXPECT_EQ(out, "byp");
    display.ValueToString(true, 3, out);
    EXPECT_EQ(out, "on");
}

}  // namespace
