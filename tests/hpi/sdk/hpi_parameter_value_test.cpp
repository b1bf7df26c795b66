#include "hpi/sdk/hpi_parameter_value.h"

#include <gtest/gtest.h>

#include <string>

#include "hpi_test_host.h"

namespace {

TEST(ParameterValue, LongIdentifiersAreReportedAndCutTo31Characters) {
    hpi_test::FakeHostServices services;
    hpi_test::ServicesScope scope(&services);
    const struct {
        std::size_t length;
        std::size_t kept;
        bool reported;
    } kCases[] = {{0, 0, false}, {31, 31, false}, {32, 31, true}, {200, 31, true}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.length);
        services.assertions.clear();
        const std::string id(c.length, 'x');
        const HPI_CParameterValue<double> value(id.c_str(), 1.0);
        EXPECT_EQ(std::string(value.Identifier()), std::string(c.kept, 'x'));
        EXPECT_EQ(services.assertions.size(), c.reported ? 1u : 0u);
        if (c.reported) {
            EXPECT_EQ(services.assertions[0].expression, "len < kMaxIdentifierSize");
            EXPECT_EQ(services.assertions[0].option, 1);
        }
    }
}

TEST(ParameterValue, NullIdentifierIsEmpty) {
    const HPI_CParameterValue<bool> value(nullptr, true);
    EXPECT_STREQ(value.Identifier(), "");
}

TEST(ParameterValue, OnlyTheOwnTypeAnswers) {
    const HPI_CParameterValue<int32_t> value("7", 42);
    int32_t asInt = 0;
    bool asBool = false;
    float asFloat = 0.0f;
    double asDouble = 0.0;
    std::string asText = "untouched";
    EXPECT_TRUE(value.GetValueAsInt32(asInt));
    EXPECT_EQ(asInt, 42);
    EXPECT_FALSE(value.GetValueAsBool(asBool));
    EXPECT_FALSE(value.GetValueAsFloat(asFloat));
    EXPECT_FALSE(value.GetValueAsDouble(asDouble));
    EXPECT_FALSE(value.GetValueAsString(asText));
    EXPECT_EQ(asDouble, 0.0);
    EXPECT_EQ(asText, "untouched");
}

TEST(ParameterValue, CloneIsIndependent) {
    HPI_CParameterValue<double> value("gain", 1.5);
    const auto clone = value.Clone();
    value.SetValue(-2.0);
    double cloned = 0.0;
    EXPECT_TRUE(clone->GetValueAsDouble(cloned));
    EXPECT_EQ(cloned, 1.5);
    EXPECT_STREQ(clone->Identifier(), "gain");
    EXPECT_NE(clone->Identifier(), value.Identifier());
}

}  // namespace
