#include "hpi/sdk/hpi_library.h"

#include <gtest/gtest.h>

#include <string>

#include "hpi_test_host.h"

namespace {

using hpi_test::FakeHostServices;

struct RunLoopServices : hpi_test::HostObject<HPI_IHostServices, HPI_IRunLoop> {
    HPI_Result HandleAssertFailure(const char*, int32_t, const char*, int32_t) override { return HPI_SUCCESS; }
    HPI_Result Trace(int32_t, const char*) override { return HPI_SUCCESS; }
    HPI_Result RegisterTimer(uint32_t periodMs, HPI_TimerProc, void*, uint64_t* outToken) override {
        lastPeriodMs = periodMs;
        *outToken = 77;
        return HPI_SUCCESS;
    }
    HPI_Result UnregisterTimer(uint64_t token) override { return token == 77 ? HPI_SUCCESS : HPI_ERROR_UNKNOWN_ID; }
    HPI_Result RegisterFileDescriptor(int32_t, uint32_t, HPI_FileDescriptorProc, void*, uint64_t*) override {
        return HPI_ERROR_UNIMPLEMENTED;
    }
    HPI_Result UnregisterFileDescriptor(uint64_t) override { return HPI_ERROR_UNKNOWN_ID; }
    uint32_t lastPeriodMs = 0;
};

TEST(Library, StartupKeepsTheFirstServicesUntilShutdown) {
    FakeHostServices first;
    FakeHostServices second;
    EXPECT_EQ(HPI::Startup(&first), HPI_SUCCESS);
    EXPECT_EQ(HPI::Startup(&second), HPI_SUCCESS);  // a second host object changes nothing
    HPI::Check(false, "first only");
    EXPECT_EQ(first.Expressions(), std::vector<std::string>{"first only"});
    EXPECT_TRUE(second.assertions.empty());
    EXPECT_EQ(second.References(), 0);
    EXPECT_EQ(first.References(), 1);
    EXPECT_EQ(HPI::Shutdown(), HPI_SUCCESS);
    EXPECT_EQ(first.References(), 0);
    EXPECT_EQ(HPI::HostServices(), nullptr);
    EXPECT_EQ(HPI::Shutdown(), HPI_SUCCESS);  // nothing held: still fine
}

TEST(Library, StartupWithNullLetsTheServicesGo) {
    FakeHostServices services;
    HPI::Startup(nullptr);  // nothing held, null: nothing happens
    EXPECT_EQ(HPI::HostServices(), nullptr);
    HPI::Startup(&services);
    ASSERT_NE(HPI::HostServices(), nullptr);
    HPI::Startup(nullptr);
    EXPECT_EQ(HPI::HostServices(), nullptr);
    EXPECT_EQ(services.References(), 0);
}

TEST(Library, ReportsAndTracesAreSilentWithoutServices) {
    EXPECT_FALSE(HPI::Check(false, "nobody listens"));
    EXPECT_TRUE(HPI::Check(true, "fine"));
    EXPECT_EQ(HPI::Trace(0, "%s", "nobody"), HPI_ERROR_NULL_OBJECT);
    EXPECT_EQ(HPI::RunLoop(), nullptr);
}

TEST(Library, CheckReportsTheCallersLineAndOptionOne) {
    FakeHostServices services;
    hpi_test::ServicesScope scope(&services);
    const int line = __LINE__ + 1;
    EXPECT_FALSE(HPI::Check(1 + 1 == 3, "1 + 1 == 3"));
    EXPECT_TRUE(HPI::Check(true, "never reported"));
    ASSERT_EQ(services.assertions.size(), 1u);
    EXPECT_EQ(services.assertions[0].line, line);
    EXPECT_EQ(services.assertions[0].expression, "1 + 1 == 3");
    EXPECT_EQ(services.assertions[0].option, 1);
    EXPECT_NE(services.assertions[0].file.find("hpi_library_test.cpp"), std::string::npos);
    EXPECT_EQ(HPI::Trace(kHPI_TracePriority_Exception, "HPIRegisterPlugin exception caught: %s", "unknown"),
              HPI_SUCCESS);
    ASSERT_EQ(services.traces.size(), 1u);
    EXPECT_EQ(services.traces[0].priority, 0x08000000);
    EXPECT_EQ(services.traces[0].message, "HPIRegisterPlugin exception caught: unknown");
}

TEST(Library, TheRunLoopComesFromTheSameHostObject) {
    RunLoopServices host;
    {
        hpi_test::ServicesScope scope(static_cast<HPI_IHostServices*>(&host));
        ASSERT_NE(HPI::RunLoop(), nullptr);
        uint64_t token = 0;
        EXPECT_EQ(HPI::RunLoop()->RegisterTimer(20, [](void*) {}, nullptr, &token), HPI_SUCCESS);
        EXPECT_EQ(host.lastPeriodMs, 20u);
        EXPECT_EQ(HPI::RunLoop()->UnregisterTimer(token), HPI_SUCCESS);
        EXPECT_EQ(host.References(), 2);  // services and run loop
    }
    EXPECT_EQ(host.References(), 0);

    FakeHostServices withoutRunLoop;
    hpi_test::ServicesScope scope(&withoutRunLoop);
    ASSERT_NE(HPI::RunLoop(), nullptr);
    EXPECT_FALSE(HPI::RunLoop()->IsValid());
    uint64_t token = 0;
    EXPECT_EQ(HPI::RunLoop()->RegisterTimer(20, [](void*) {}, nullptr, &token), HPI_ERROR_NULL_OBJECT);
}

TEST(Library, SourcePathStartsAtTheSourceFolder) {
    const struct {
        const char* file;
        const char* path;
    } kCases[] = {
        {"/work/main/src/hpi/sdk/hpi_parameter.h", "src/hpi/sdk/hpi_parameter.h"},
        {"src/hpi/describe.cpp", "src/hpi/describe.cpp"},
        {"/home/x/mysrc/tree/src/core/param.h", "src/core/param.h"},
        {"/a/src/b/src/c.h", "src/c.h"},
        {"C:\\build\\src/hpi/x.cpp", "src/hpi/x.cpp"},
        {"plain.cpp", "plain.cpp"},
        {"", ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.file);
        EXPECT_STREQ(HPI::SourcePath(c.file), c.path);
    }
    EXPECT_STREQ(HPI::SourcePath(nullptr), "");
}

}  // namespace
