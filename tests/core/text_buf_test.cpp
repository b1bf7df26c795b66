#include "core/text_buf.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(TextBufTest, SettersCutAtTheLimit) {
    struct Case {
        const char* what;
        int maxChars;
        const char* expected;
    };
    const Case kCases[] = {
        {"unlimited", kUnlimitedChars, "Preamp Gain"},
        {"exact fit", 11, "Preamp Gain"},
        {"cut", 6, "Preamp"},
        {"zero", 0, ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        TextBuf set;
        set.Set("Preamp Gain", c.maxChars);
        EXPECT_STREQ(set.Get(), c.expected);

        TextBuf formatted;
        formatted.SetFormatted(c.maxChars, "%s %s", "Preamp", "Gain");
        EXPECT_STREQ(formatted.Get(), c.expected);

        TextBuf appended("x");
        appended.Append("Preamp Gain", c.maxChars);
        EXPECT_EQ(appended.Str(), std::string("x") + c.expected);

        TextBuf appendedFormatted("x");
        appendedFormatted.AppendFormatted(c.maxChars, "%s Gain", "Preamp");
        EXPECT_EQ(appendedFormatted.Str(), std::string("x") + c.expected);
    }
}

TEST(TextBufTest, LongFormattedOutputIsCutNotOverflowed) {
    TextBuf text;
    text.SetFormatted(32, "%.6f", 1e300);  // 300 digits before the point
    EXPECT_EQ(text.Length(), 32);
    text.SetFormatted(kUnlimitedChars, "%0500d", 7);
    EXPECT_EQ(text.Length(), 500);
}

TEST(TextBufTest, NullTextCountsAsEmpty) {
    TextBuf text("abc");
    text.Append(nullptr);
    EXPECT_STREQ(text.Get(), "abc");
    text.Set(nullptr);
    EXPECT_STREQ(text.Get(), "");
    EXPECT_TRUE(text.Empty());
}

TEST(TextBufTest, SettingFromItsOwnTextIsSafe) {
    TextBuf text("Low Gain");
    text.Set(text.Get() + 4, 3);
    EXPECT_STREQ(text.Get(), "Gai");
}

TEST(TextBufTest, CutNeverSplitsAUtf8Character) {
    TextBuf text;
    text.Set("ab\xC2\xB0" "c", 3);  // "ab°c": the cut falls inside the degree sign
    EXPECT_STREQ(text.Get(), "ab");
    text.Set("ab\xC2\xB0" "c", 4);
    EXPECT_STREQ(text.Get(), "ab\xC2\xB0");
}

TEST(CopyTextFieldTest, CutsAt31AndNeverWritesPastTheField) {
    struct Guarded {
        char field[kTextFieldSize];
        char guard[8];
    };
    const std::string exact(31, 'a');
    const std::string tooLong(200, 'b');
    struct Case {
        const char* what;
        const char* text;
        std::string expected;
    };
    const Case kCases[] = {
        {"short", "Mid Gain", "Mid Gain"},
        {"exactly 31", exact.c_str(), exact},
        {"200 characters", tooLong.c_str(), std::string(31, 'b')},
        {"null", nullptr, ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Guarded g;
        std::memset(&g, 'Z', sizeof(g));
        CopyTextField(g.field, c.text);
        EXPECT_EQ(std::string(g.field), c.expected);
        EXPECT_EQ(std::string(g.guard, sizeof(g.guard)), std::string(sizeof(g.guard), 'Z'));
    }
}

}  // namespace
