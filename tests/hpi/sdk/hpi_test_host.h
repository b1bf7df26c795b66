#pragma once
// Fake host objects for the SDK tests. They count references instead of
// deleting themselves, so a test owns them and can check that every
// reference the plug-in side took was given back.
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "fake_host_logs.h"
#include "fake_host_object.h"
#include "hpi/sdk/hpi_host_interfaces.h"
#include "hpi/sdk/hpi_library.h"
#include "hpi/sdk/hpi_result.h"

namespace hpi_test {

using test_support::HostObject;

using test_support::Assertion;

struct TraceLine {
    int32_t priority;
    std::string message;
};

class FakeHostServices : public HostObject<HPI_IHostServices> {
public:
    HPI_Result HandleAssertFailure(const char* file, int32_t line, const char* expression,
                                   int32_t option) override {
        assertions.push_back({file, line, expression, option});
        return HPI_SUCCESS;
    }
    HPI_Result Trace(int32_t priority, const char* message) override {
        traces.push_back({priority, message});
        return HPI_SUCCESS;
    }
    // Expression texts reported, in order.
    std::vector<std::string> Expressions() const {
        std::vector<std::string> texts;
        for (const Assertion& a : assertions) {
            texts.push_back(a.expression);
        }
        return texts;
    }

    std::vector<Assertion> assertions;
    std::vector<TraceLine> traces;
};

// Holds the library's host services for one test.
class ServicesScope {
public:
    explicit ServicesScope(HPI_IUnknown* libraryObject) { HPI::Startup(libraryObject); }
    ~ServicesScope() { HPI::Shutdown(); }
    ServicesScope(const ServicesScope&) = delete;
    ServicesScope& operator=(const ServicesScope&) = delete;
};

// Records every automation call as one text line.
class FakeAutomationDelegate : public HostObject<HPI_IAutomationDelegate>,
                               public test_support::AutomationCallLog {
public:
    HPI_Result RegisterParameter(const char* id) override { return Log("register", id); }
    HPI_Result UnregisterParameter(const char* id) override { return Log("unregister", id); }
    HPI_Result PostSetValueRequest(const char* id, double n) override {
        return Log("request", id, n);
    }
    HPI_Result PostCurrentValue(const char* id, double n) override { return Log("current", id, n); }
    HPI_Result PostTouchRequest(const char* id) override { return Log("touch", id); }
    HPI_Result PostReleaseRequest(const char* id) override { return Log("release", id); }
};

// Records posted packets; answers postResult.
class FakeController : public HostObject<HPI_IController>, public test_support::PacketLog {
public:
    HPI_Result GetSampleRate(float* outRate) override {
        *outRate = 48000.0f;
        return HPI_SUCCESS;
    }
    HPI_Result GetInputStemFormat(int32_t* out) override {
        *out = HPI_eStemFormat_Stereo;
        return HPI_SUCCESS;
    }
    HPI_Result GetOutputStemFormat(int32_t* out) override {
        *out = HPI_eStemFormat_Stereo;
        return HPI_SUCCESS;
    }
    HPI_Result PostPacket(uint32_t fieldIndex, const void* data, uint32_t size) override {
        Record(fieldIndex, data, size);
        return postResult;
    }
    HPI_Result SetSignalLatency(int32_t samples) override {
        latency = samples;
        return HPI_SUCCESS;
    }

    HPI_Result postResult = HPI_SUCCESS;
    int32_t latency = -1;
};

}  // namespace hpi_test
