#include "hpi/sdk/hpi_result.h"

#include <gtest/gtest.h>

#include <string>

#include "hpi/sdk/hpi_exception.h"
#include "hpi_test_host.h"

namespace {

TEST(Result, NamesAndRanges) {
    const struct {
        int32_t code;
        const char* name;
    } kCases[] = {
        {0, "HPI_SUCCESS"},
        {-20001, "HPI_ERROR_INVALID_PARAMETER_ID"},
        {-20004, "HPI_ERROR_NULL_OBJECT"},
        {-20009, "HPI_ERROR_UNIMPLEMENTED"},
        {-20028, "HPI_RESULT_NEW_PACKET_POSTED"},
        {-20029, "<unknown error code>"},  // the gap in the list
        {-20030, "HPI_ERROR_PLUGIN_NULL_PARAMETER"},
        {-20046, "HPI_ERROR_ARGUMENT_BUFFER_OVERFLOW"},
        {-20047, "<unknown error code>"},
        {-20051, "<unknown error code>"},
        {-20599, "<unknown error code>"},
        {-20600, "plug-in defined error"},
        {-20800, "plug-in defined error"},
        {-21000, "plug-in defined error"},
        {-21001, "<unknown error code>"},
        {1, "<unknown error code>"},
        {kHPI_ExportFailure, "<unknown error code>"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.code);
        EXPECT_STREQ(HPI_ResultName(c.code), c.name);
    }
}

TEST(Result, EveryNamedCodeHasItsOwnName) {
    for (int32_t code = -20046; code <= -20001; ++code) {
        SCOPED_TRACE(code);
        const std::string name = HPI_ResultName(code);
        if (code == -20029) {
            EXPECT_EQ(name, "<unknown error code>");
        } else {
            EXPECT_EQ(name.rfind("HPI_", 0), 0u);
            EXPECT_STRNE(HPI_ResultName(code), HPI_ResultName(code + 1));
        }
    }
}

TEST(CheckedResult, ZeroPassesAnythingElseIsTracedAndThrown) {
    hpi_test::FakeHostServices services;
    hpi_test::ServicesScope scope(&services);
    HPI_CheckedResult result;
    EXPECT_NO_THROW(result = HPI_SUCCESS);
    try {
        result = HPI_ERROR_NULL_OBJECT;
        FAIL() << "no exception";
    } catch (const HPI::Exception::ResultError& error) {
        EXPECT_EQ(error.Result(), HPI_ERROR_NULL_OBJECT);
        EXPECT_STREQ(error.what(), "HPI_ERROR_NULL_OBJECT (-20004)");
    }
    EXPECT_THROW(HPI_CheckedResult(-20700), HPI::Exception::Any);
    ASSERT_EQ(services.traces.size(), 2u);
    EXPECT_EQ(services.traces[0].priority, kHPI_TracePriority_CheckedResult);
    EXPECT_EQ(services.traces[0].message, "HPI_CheckedResult - throwing HPI_ERROR_NULL_OBJECT (-20004)");
    EXPECT_EQ(services.traces[1].message, "HPI_CheckedResult - throwing plug-in defined error (-20700)");
}

}  // namespace
