#include "core/param.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "allocation_counter.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Format(const Param& p, double value, bool isNormalised = false, bool useDisplayTexts = true) {
    TextBuf out;
    p.FormatValue(value, isNormalised, out, useDisplayTexts);
    return out.Str();
}

// ---- Range, stepping and non-finite input

TEST(ParamRestrictTest, StepsFromZeroThenClampsAndNeverLeavesTheRange) {
    struct Case {
        const char* what;
        double min, max, step, defaultValue;
        ParamFlags flags;
        double input, expected;
    };
    const Case kCases[] = {
        {"step anchored at 0, rounds up", 0.5, 10, 1, 2, FlagStepped, 0.6, 1.0},
        {"rounds to 0, then clamps to min", 0.5, 10, 1, 2, FlagStepped, 0.4, 0.5},
        {"half rounds away from zero", -10, 10, 1, 0, FlagStepped, 2.5, 3.0},
        {"negative half rounds away from zero", -10, 10, 1, 0, FlagStepped, -2.5, -3.0},
        {"tenth steps", -24, 24, 0.1, 0, FlagStepped, 1.26, 1.3},
        {"unstepped keeps the value", -10, 10, 1, 0, 0, 2.5, 2.5},
        {"above max", -10, 10, 1, 0, 0, 11, 10},
        {"below min", -10, 10, 1, 0, 0, -11, -10},
        {"stepped value that rounds past max", 0, 9.5, 1, 0, FlagStepped, 9.6, 9.5},
        {"NaN becomes the default", -10, 10, 1, 4, 0, kNaN, 4},
        {"NaN becomes the stepped default", -10, 10, 1, 4.4, FlagStepped, kNaN, 4},
        {"+inf clamps to max", -10, 10, 1, 0, 0, kInf, 10},
        {"-inf clamps to min", -10, 10, 1, 0, 0, -kInf, -10},
        {"stepped +inf clamps to max", -10, 10, 1, 0, FlagStepped, kInf, 10},
        {"stepped -inf clamps to min", -10, 10, 1, 0, FlagStepped, -kInf, -10},
        {"huge value over a tiny step", 0, 1, 1e-300, 0, FlagStepped, 1e300, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Param p;
        p.DefineNumber("p", c.defaultValue, c.min, c.max, c.step, "", c.flags);
        EXPECT_DOUBLE_EQ(p.Restrict(c.input), c.expected);
        p.SetValue(c.input);
        EXPECT_DOUBLE_EQ(p.GetValue(), c.expected);
    }
}

TEST(ParamRestrictTest, NonFiniteNormalisedValuesStayInRange) {
    Param p;
    p.DefineNumber("p", 3, -10, 10, 0.1);
    struct Case {
        double norm, expected;
    };
    const Case kCases[] = {{kNaN, 3}, {kInf, 10}, {-kInf, -10}, {1.5, 10}, {-0.5, -10}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.norm);
        EXPECT_DOUBLE_EQ(p.FromNorm(c.norm), c.expected);
        p.SetNorm(c.norm);
        EXPECT_DOUBLE_EQ(p.GetValue(), c.expected);
        EXPECT_TRUE(std::isfinite(p.SnapNorm(c.norm)));
    }
    EXPECT_DOUBLE_EQ(p.ToNorm(kNaN), p.ToNorm(3));
}

TEST(ParamDefineTest, RangeNarrowerThanOneStepWidensToOneStep) {
    struct Case {
        double min, max, step, expectedMax;
    };
    const Case kCases[] = {{0, 0, 1, 1}, {5, 2, 0.5, 5.5}, {0, 0.05, 0.1, 0.1}, {-24, 24, 0.1, 24}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.max);
        Param p;
        p.DefineNumber("p", 0, c.min, c.max, c.step);
        EXPECT_DOUBLE_EQ(p.Max(), c.expectedMax);
    }
}

TEST(ParamDefineTest, DisplayPrecisionFollowsTheStep) {
    struct Case {
        double step;
        int precision;
    };
    const Case kCases[] = {{1, 0},    {10, 0},   {0.1, 1},  {0.5, 1},      {0.01, 2},
                           {0.25, 2}, {0.05, 2}, {0.001, 3}, {1e-9, 6}, {M_PI, 6}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.step);
        Param p;
        p.DefineNumber("p", 0, 0, 100, c.step);
        EXPECT_EQ(p.DisplayPrecision(), c.precision);
    }
    Param p;
    p.DefineNumber("p", 0, 0, 100, 1);
    p.SetPrecision(9);
    EXPECT_EQ(p.DisplayPrecision(), 6);
    p.SetPrecision(-1);
    EXPECT_EQ(p.DisplayPrecision(), 0);
}

// ---- Shapes

TEST(ParamShapeTest, ExpShapeMapsGeometrically) {
    Param p;
    p.DefineFrequency("Freq", 1000, 20, 20000, 1);
    EXPECT_EQ(p.GetShape().CurveKind(), 1);
    EXPECT_NEAR(p.FromNorm(0), 20, 1e-9);
    EXPECT_NEAR(p.FromNorm(1), 20000, 1e-9);
    EXPECT_NEAR(p.FromNorm(0.5), std::sqrt(20.0 * 20000.0), 1e-9);  // 632.455...
    EXPECT_NEAR(p.ToNorm(632.4555320336759), 0.5, 1e-12);
    EXPECT_NEAR(p.ToNorm(200), 1.0 / 3.0, 1e-12);
}

TEST(ParamShapeTest, ExpShapeWithZeroMinUsesATinyLowerReference) {
    Param p;
    p.DefineFrequency("Freq", 0, 0, 100, 1);
    EXPECT_NEAR(p.FromNorm(0), 1e-8, 1e-20);
    EXPECT_DOUBLE_EQ(p.ToNorm(0), 0.0);  // log 0 is -inf, clamped
    EXPECT_NEAR(p.FromNorm(1), 100, 1e-9);
}

TEST(ParamShapeTest, NormalisedValuesOutsideTheRangeClamp) {
    struct Case {
        const char* what;
        double value, norm;
    };
    const Case kCases[] = {{"above max", 1e6, 1.0}, {"below min", -1e6, 0.0}, {"max", 24, 1.0}, {"middle", 0, 0.5}};
    Param linear;
    linear.DefineNumber("p", 0, -24, 24, 0.1);
    Param curve;
    curve.DefineNumber("p", 0, -24, 24, 0.1, "", 0, "", ShapePowCurve(2.0));
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_DOUBLE_EQ(linear.ToNorm(c.value), c.norm);
        if (c.norm != 0.5) {
            EXPECT_DOUBLE_EQ(curve.ToNorm(c.value), c.norm);
        }
    }
}

TEST(ParamShapeTest, PowCurveMapsAndReportsItsCurveKind) {
    Param p;
    p.DefineNumber("p", 0, 0, 100, 0.01, "", 0, "", ShapePowCurve(2.0));
    EXPECT_DOUBLE_EQ(p.FromNorm(0.5), 25);
    EXPECT_DOUBLE_EQ(p.ToNorm(25), 0.5);

    struct Case {
        double exponent;
        int kind;
    };
    const Case kCases[] = {{3, 6},     {2.6, 6},        {2.5, 4}, {2, 4},    {1.5, 0},  {1, 0},
                           {0.7, 0},   {2.0 / 3.0, 0},  {0.6, 3}, {0.4, 3},  {0.39, 5}, {0.1, 5}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.exponent);
        EXPECT_EQ(ShapePowCurve(c.exponent).CurveKind(), c.kind);
    }
    EXPECT_EQ(ShapeLinear().CurveKind(), 0);
}

TEST(ParamShapeTest, SnappingMovesANormalisedValueOntoAStep) {
    Param p;
    p.DefineInt("Sel", 0, 0, 4);
    struct Case {
        double norm, snapped;
    };
    const Case kCases[] = {{0.3, 0.25}, {0.374, 0.25}, {0.376, 0.5}, {1.2, 1.0}, {-0.2, 0.0}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.norm);
        EXPECT_DOUBLE_EQ(p.SnapNorm(c.norm), c.snapped);
    }
}

TEST(ParamShapeTest, ValueArithmeticAllocatesNothing) {
    Param p;
    p.DefineFrequency("Freq", 1000, 20, 20000, 1);
    test_support::AllocationScope scope;
    double sum = 0;
    for (int i = 0; i < 100; ++i) {
        p.SetNorm(i / 100.0);
        p.SetValue(p.GetValue() + 1);
        sum += p.GetNorm() + p.FromNorm(0.3) + p.ToNorm(400) + p.Restrict(kNaN) + p.SnapNorm(0.7);
    }
    EXPECT_EQ(scope.Count(), 0u);
    EXPECT_TRUE(std::isfinite(sum));
}

// ---- Initialisers

TEST(ParamDefineTest, OutermostInitialiserSetsTypeUnitAndLabel) {
    struct Case {
        const char* what;
        void (*define)(Param&);
        ParamType type;
        ParamUnit unit;
        const char* label;
        bool stepped;
    };
    const Case kCases[] = {
        {"number", [](Param& p) { p.DefineNumber("x", 0, 0, 1, 0.1, "Q"); }, TypeDouble, UnitCustom, "Q", false},
        {"int", [](Param& p) { p.DefineInt("x", 0, 0, 4, "st"); }, TypeInt, UnitCustom, "st", true},
        {"enum", [](Param& p) { p.DefineEnum("x", 0, 3); }, TypeEnum, UnitCustom, "", true},
        {"enum list", [](Param& p) { p.DefineEnumList("x", 0, {"a", "b"}); }, TypeEnum, UnitCustom, "", true},
        {"bool", [](Param& p) { p.DefineBool("x", true); }, TypeBool, UnitCustom, "", true},
        {"seconds", [](Param& p) { p.DefineSeconds("x", 1, 0, 10, 0.1); }, TypeDouble, UnitSeconds, "Seconds", false},
        {"ms", [](Param& p) { p.DefineMilliseconds("x", 1, 0, 10); }, TypeDouble, UnitMilliseconds, "ms", false},
        {"percent", [](Param& p) { p.DefinePercentage("x", 1, 0, 100); }, TypeDouble, UnitPercentage, "%", false},
        {"angle", [](Param& p) { p.DefineAngle("x", 0, 0, 360); }, TypeDouble, UnitDegrees, "degrees", false},
        {"gain", [](Param& p) { p.DefineGain("x", 0, -12, 12, 0.5); }, TypeDouble, UnitDecibels, "dB", false},
        {"frequency", [](Param& p) { p.DefineFrequency("x", 100, 20, 2e4, 1); }, TypeDouble, UnitFrequency, "Hz",
         false},
        {"pitch", [](Param& p) { p.DefinePitch("x", 0, 60, 72); }, TypeEnum, UnitCustom, "", true},
        {"int redefined as number keeps int",
         [](Param& p) {
             p.DefineInt("x", 0, 0, 4);
             p.DefineNumber("x", 0, 0, 1, 0.1, "Q");
         },
         TypeInt, UnitCustom, "Q", false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Param p;
        c.define(p);
        EXPECT_EQ(p.Type(), c.type);
        EXPECT_EQ(p.Unit(), c.unit);
        EXPECT_STREQ(p.Label(), c.label);
        EXPECT_EQ((p.Flags() & FlagStepped) != 0, c.stepped);
    }
}

TEST(ParamDefineTest, EnumAndBoolTexts) {
    Param enumWithTexts;
    enumWithTexts.DefineEnum("Mode", 1, 3, "", 0, "", {"A", "B", "C"});
    EXPECT_EQ(enumWithTexts.DisplayTextCount(), 3);
    EXPECT_DOUBLE_EQ(enumWithTexts.Max(), 2);
    EXPECT_EQ(Format(enumWithTexts, 2), "C");

    Param nullFirst;
    nullFirst.DefineEnum("Mode", 0, 3, "", 0, "", {nullptr, "B"});
    EXPECT_EQ(nullFirst.DisplayTextCount(), 0);

    Param moreTextsThanValues;
    moreTextsThanValues.DefineEnum("Mode", 0, 2, "", 0, "", {"A", "B", "C"});
    EXPECT_EQ(moreTextsThanValues.DisplayTextCount(), 2);

    Param list;
    list.DefineEnumList("Shape", 0, {"Sine", "Saw", "Square"});
    EXPECT_DOUBLE_EQ(list.Max(), 2);
    EXPECT_EQ(Format(list, 1), "Saw");

    Param toggle;
    toggle.DefineBool("Power", true, "", 0, "", "Off", "On");
    EXPECT_DOUBLE_EQ(toggle.GetValue(), 1);
    EXPECT_EQ(Format(toggle, 0), "Off");
    EXPECT_EQ(Format(toggle, 1), "On");
}

TEST(ParamDefineTest, PitchTextsNameTheNotes) {
    struct Case {
        bool middleCIsC3;
        int lowest, highest;
        double value;
        const char* text;
    };
    const Case kCases[] = {
        {true, 58, 62, 2, "C 4"},  {false, 58, 62, 2, "C 3"}, {true, 58, 62, 3, "C#4"},
        {true, 58, 62, 1, "B 3"},  {false, 0, 11, 0, "C -2"}, {false, 0, 127, 127, "G 8"},
        {true, -1, 0, 0, "B -2"},  // notes below 0 keep a valid letter
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        Param p;
        p.DefinePitch("Note", 0, c.lowest, c.highest, 0, "", c.middleCIsC3);
        EXPECT_EQ(p.DisplayTextCount(), c.highest - c.lowest + 1);
        EXPECT_DOUBLE_EQ(p.Max(), c.highest - c.lowest);
        EXPECT_STREQ(p.FindDisplayText(c.value), c.text);
    }
}

TEST(ParamDefineTest, LongTextsAreCutTo31Characters) {
    const std::string longText(60, 'n');
    Param p;
    p.DefineNumber(longText.c_str(), 0, 0, 1, 0.1, longText.c_str(), 0, longText.c_str());
    p.AddDisplayText(0, longText.c_str());
    const std::string cut(31, 'n');
    EXPECT_EQ(p.Name(), cut);
    EXPECT_EQ(p.Label(), cut);
    EXPECT_EQ(p.Group(), cut);
    EXPECT_EQ(p.FindDisplayText(0), cut);
}

TEST(ParamDefineTest, DefineLikeCopiesTheDefinitionAndRewritesTheName) {
    Param source;
    source.DefineFrequency("Gain L", 1000, 20, 20000, 1, FlagSignDisplay, "left");
    source.AddDisplayText(20, "Lowest");
    source.SetValue(500);

    struct Case {
        const char* search;
        const char* replacement;
        const char* newGroup;
        const char* name;
        const char* group;
    };
    const Case kCases[] = {
        {"L", "R", "right", "Gain R", "right"},
        {"X", "R", "", "Gain L", "left"},
        {"", "R", nullptr, "Gain L", "left"},
        {"Gain", "Level", nullptr, "Level L", "left"},
        {"L", "a replacement far too long for the name field", nullptr, "Gain a replacement far too long", "left"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Param copy;
        copy.DefineLike(source, c.search, c.replacement, c.newGroup);
        EXPECT_STREQ(copy.Name(), c.name);
        EXPECT_STREQ(copy.Group(), c.group);
        EXPECT_EQ(copy.Type(), TypeDouble);
        EXPECT_EQ(copy.Unit(), UnitFrequency);
        EXPECT_STREQ(copy.Label(), "Hz");
        EXPECT_EQ(copy.Flags(), FlagSignDisplay);
        EXPECT_DOUBLE_EQ(copy.Default(), 1000);
        EXPECT_DOUBLE_EQ(copy.GetValue(), 1000);  // the definition, not the value
        EXPECT_EQ(copy.GetShape().CurveKind(), 1);
        EXPECT_NEAR(copy.FromNorm(0), 20, 1e-9);  // the cloned shape was prepared
        EXPECT_STREQ(copy.FindDisplayText(20), "Lowest");
    }

    Param toggle;
    toggle.DefineBool("On", false);
    Param like;
    like.DefineLike(toggle, nullptr, nullptr, nullptr);
    EXPECT_EQ(like.Type(), TypeBool);
    EXPECT_EQ(like.DisplayTextCount(), 2);
}

TEST(ParamDefineTest, DefineLikeOfItselfAppendsItsOwnTexts) {
    Param p;
    p.DefineEnumList("Mode A", 0, {"x", "y"});
    p.DefineLike(p, "A", "B", nullptr);
    EXPECT_STREQ(p.Name(), "Mode B");
    EXPECT_EQ(p.DisplayTextCount(), 4);
    EXPECT_STREQ(p.DisplayTextAt(3), "y");
}

TEST(ParamDefineTest, DefineLikeCopiesTheFormatter) {
    Param source;
    source.DefineNumber("p", 0, 0, 10, 1, "", 0, "", ShapeLinear(), UnitCustom,
                        [](double v, TextBuf& out) { out.SetFormatted(32, "<%g>", v); });
    Param copy;
    copy.DefineLike(source, "", "", "");
    EXPECT_EQ(Format(copy, 3), "<3>");
    EXPECT_EQ(Format(source, 3), "<3>");
}

// ---- Display

struct FormatCase {
    const char* what;
    double step;
    ParamFlags flags;
    double value;
    const char* expected;
};

TEST(ParamDisplayTest, FormatValuePrintsTheNumber) {
    const FormatCase kCases[] = {
        {"one decimal", 0.1, 0, 1.25, "1.2"},
        {"negative zero", 0.1, 0, -0.0, "0.0"},
        {"tiny negative rounds to zero", 0.1, 0, -0.04, "0.0"},
        {"sign, positive", 0.1, FlagSignDisplay, 3, "+3.0"},
        {"sign, negative", 0.1, FlagSignDisplay, -3, "-3.0"},
        {"sign, zero", 0.1, FlagSignDisplay, 0, "0.0"},
        {"sign, tiny positive", 0.1, FlagSignDisplay, 0.01, "0.0"},
        {"sign, tiny negative", 0.1, FlagSignDisplay, -0.01, "0.0"},
        {"no decimals, half up", 1, 0, 2.5, "3"},
        {"no decimals, half down", 1, 0, -2.5, "-3"},
        {"no decimals, small negative", 1, 0, -0.4, "0"},
        {"no decimals ignores sign display", 1, FlagSignDisplay, 3, "3"},
        {"negated", 0.1, FlagNegateDisplay, 3, "-3.0"},
        {"negated zero", 0.1, FlagNegateDisplay, 0, "0.0"},
        {"negated with sign", 0.1, FlagNegateDisplay | FlagSignDisplay, -3, "+3.0"},
        {"two decimals", 0.25, 0, 0.125, "0.12"},
        {"beyond int32 clamps", 1, 0, 1e20, "2147483647"},
        {"huge decimals cut to 32", 0.1, 0, 1e40, "10000000000000000303786028427003"},
    };
    for (const FormatCase& c : kCases) {
        SCOPED_TRACE(c.what);
        Param p;
        p.DefineNumber("p", 0, -1e50, 1e50, c.step, "dB", c.flags);
        EXPECT_EQ(Format(p, c.value), c.expected);
    }
}

TEST(ParamDisplayTest, FormatValueOfNonFiniteAndNormalisedValues) {
    Param p;
    p.DefineNumber("p", 1.5, -24, 24, 0.1);
    EXPECT_EQ(Format(p, kNaN), "1.5");
    EXPECT_EQ(Format(p, kInf), "24.0");
    EXPECT_EQ(Format(p, -kInf), "-24.0");
    EXPECT_EQ(Format(p, 0.5, true), "0.0");
    EXPECT_EQ(Format(p, 1.0, true), "24.0");
    EXPECT_EQ(Format(p, kNaN, true), "1.5");
    EXPECT_EQ(Format(p, 50), "50.0");  // a real value is shown as given
}

TEST(ParamDisplayTest, DisplayTextsAndFormatter) {
    Param p;
    p.DefineInt("Sel", 0, 0, 3);
    p.AddDisplayText(0, "OFF");
    p.AddDisplayText(1, "");
    p.AddDisplayText(1, "never reached");
    p.AddDisplayText(2, "Two");
    p.AddDisplayText(2, "Second two");
    EXPECT_EQ(Format(p, 0), "OFF");
    EXPECT_EQ(Format(p, 0, false, false), "0");
    EXPECT_EQ(Format(p, 1), "1");    // an empty text falls back to the number
    EXPECT_EQ(Format(p, 2), "Two");  // first match wins
    EXPECT_EQ(Format(p, 3), "3");
    EXPECT_EQ(Format(p, 1.0 / 3.0, true), "1");

    Param formatted;
    formatted.DefineNumber("p", 0, 0, 10, 0.1, "", 0, "", ShapeLinear(), UnitCustom,
                           [](double v, TextBuf& out) { out.SetFormatted(32, "v=%.2f", v); });
    formatted.AddDisplayText(1, "One");
    EXPECT_EQ(Format(formatted, 1), "v=1.00");  // the formatter replaces everything
    EXPECT_EQ(Format(formatted, 0.5, true), "v=5.00");
}

TEST(ParamDisplayTest, DisplayTextLookups) {
    Param p;
    p.DefineInt("Sel", 0, 0, 3, "Hz");
    p.AddDisplayText(0, "OFF");
    p.AddDisplayText(1, "");
    p.AddDisplayText(2, "Two");

    EXPECT_STREQ(p.FindDisplayText(2), "Two");
    EXPECT_STREQ(p.FindDisplayText(2.5), "");
    EXPECT_EQ(p.DisplayTextCount(), 3);

    double value = -1;
    EXPECT_STREQ(p.DisplayTextAt(2, &value), "Two");
    EXPECT_DOUBLE_EQ(value, 2);
    for (int bad : {-1, 3, 1000}) {
        SCOPED_TRACE(bad);
        value = -7;
        EXPECT_STREQ(p.DisplayTextAt(bad, &value), "");
        EXPECT_DOUBLE_EQ(value, -7);
    }

    EXPECT_TRUE(p.MatchDisplayText("Two", value));
    EXPECT_DOUBLE_EQ(value, 2);
    EXPECT_FALSE(p.MatchDisplayText("two", value));
    EXPECT_TRUE(p.MatchDisplayText(nullptr, value));  // null reads as "", the entry at 1
    EXPECT_DOUBLE_EQ(value, 1);

    struct LabelCase {
        double value;
        const char* label;
    };
    const LabelCase kLabels[] = {{0, ""}, {1, "Hz"}, {2, ""}, {3, "Hz"}};
    for (const LabelCase& c : kLabels) {
        SCOPED_TRACE(c.value);
        p.SetValue(c.value);
        EXPECT_STREQ(p.LabelFor(), c.label);
    }

    Param fine;
    fine.DefineNumber("p", 0, 0, 4, 0.1, "Hz");
    fine.AddDisplayText(1, "one");
    fine.SetValue(1.7);
    EXPECT_STREQ(fine.LabelFor(), "");  // truncated to 1
    fine.SetValue(2.5);
    EXPECT_STREQ(fine.LabelFor(), "Hz");
}

TEST(ParamDisplayTest, ParseTextReadsDisplayTextsThenNumbers) {
    Param number;
    number.DefineNumber("p", 15, 10, 20, 0.1);
    number.AddDisplayText(99, "Max");
    Param negated;
    negated.DefineNumber("p", 0, -10, 10, 0.1, "", FlagNegateDisplay);
    Param stepped;
    stepped.DefineInt("p", 0, -10, 10);
    Param choice;
    choice.DefineEnumList("p", 0, {"OFF", "50Hz", "80Hz"});
    Param bare;
    bare.DefineEnum("p", 2, 4);
    Param toggle;
    toggle.DefineBool("p", false, "", 0, "", "Off", "On");

    struct Case {
        const char* what;
        const Param* param;
        const char* text;
        double expected;
    };
    const Case kCases[] = {
        {"number", &number, "12.34", 12.34},
        {"number with unit", &number, " 12.5 dB", 12.5},
        {"no number reads 0, clamped", &number, "abc", 10},
        {"empty", &number, "", 10},
        {"null", &number, nullptr, 10},
        {"above max", &number, "1e9", 20},
        {"display text returns its value unrestricted", &number, "Max", 99},
        {"nan is the default", &number, "nan", 15},
        {"inf is max", &number, "inf", 20},
        {"-inf is min", &number, "-infinity", 10},
        {"negated back", &negated, "3", -3},
        {"stepped", &stepped, "2.5", 3},
        {"enum text", &choice, "80Hz", 2},
        {"enum text is case-sensitive", &choice, "80hz", 0},
        {"enum number without text", &choice, "2", 0},
        {"enum without texts", &bare, "3", 0},
        {"bool text", &toggle, "On", 1},
        {"bool other text", &toggle, "1", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_DOUBLE_EQ(c.param->ParseText(c.text), c.expected);
    }
}

TEST(ParamDisplayTest, DescribeJsonAppendsOneObject) {
    Param gain;
    gain.DefineGain("Out", 0, -24, 24, 0.5);
    TextBuf out("[");
    gain.DescribeJson(out, 3);
    EXPECT_STREQ(out.Get(),
                 "[{\"id\":3, \"name\":\"Out\", \"type\":\"float\", \"min\":-24.000000, "
                 "\"max\":24.000000, \"default\":0.000000, \"rate\":\"control\"}");

    struct Case {
        void (*define)(Param&);
        const char* expected;
    };
    const Case kCases[] = {
        {[](Param&) {},
         "{\"id\":0, \"name\":\"\", \"min\":0.000000, \"max\":1.000000, \"default\":0.000000, \"rate\":\"control\"}"},
        {[](Param& p) { p.DefineBool("B", true); },
         "{\"id\":0, \"name\":\"B\", \"type\":\"bool\", \"min\":0.000000, \"max\":1.000000, "
         "\"default\":1.000000, \"rate\":\"control\"}"},
        {[](Param& p) { p.DefineInt("I", 2, 1, 5); },
         "{\"id\":0, \"name\":\"I\", \"type\":\"int\", \"min\":1.000000, \"max\":5.000000, "
         "\"default\":2.000000, \"rate\":\"control\"}"},
        {[](Param& p) { p.DefineEnum("E", 0, 3); },
         "{\"id\":0, \"name\":\"E\", \"type\":\"enum\", \"min\":0.000000, \"max\":2.000000, "
         "\"default\":0.000000, \"rate\":\"control\"}"},
        {[](Param& p) { p.DefineNumber("Say \"hi\"\\", 0, 0, 1, 0.1); },
         "{\"id\":0, \"name\":\"Say \\\"hi\\\"\\\\\", \"type\":\"float\", \"min\":0.000000, "
         "\"max\":1.000000, \"default\":0.000000, \"rate\":\"control\"}"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.expected);
        Param p;
        c.define(p);
        TextBuf json;
        p.DescribeJson(json, 0);
        EXPECT_STREQ(json.Get(), c.expected);
    }
}

TEST(ParamValueTest, ResetRestoresTheDefault) {
    Param p;
    p.DefineNumber("p", 2.5, 0, 10, 0.1);
    EXPECT_DOUBLE_EQ(p.GetValue(), 2.5);
    p.SetValue(7);
    EXPECT_DOUBLE_EQ(p.GetNorm(), 0.7);
    p.ResetToDefault();
    EXPECT_DOUBLE_EQ(p.GetValue(), 2.5);
}

}  // namespace
