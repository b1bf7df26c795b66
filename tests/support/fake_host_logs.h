#pragma once
// What the tests' fake host objects record, shared by the SDK and module
// fakes: every automation-delegate call as one text line, the packets posted
// to the controller, and the assertion failures reported to the host.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "hpi/sdk/hpi_result.h"

namespace test_support {

struct Assertion {
    std::string file;
    int32_t line = 0;
    std::string expression;
    int32_t option = 0;
};

// Automation calls as "register:ID", "request:ID:0.5000" and so on.
class AutomationCallLog {
public:
    // Log lines starting with what.
    std::vector<std::string> CallsOf(const std::string& what) const {
        std::vector<std::string> found;
        for (const std::string& call : calls) {
            if (call.rfind(what + ":", 0) == 0) {
                found.push_back(call);
            }
        }
        return found;
    }

    std::vector<std::string> calls;

protected:
    HPI_Result Log(const char* what, const char* id) {
        calls.push_back(std::string(what) + ":" + id);
        return HPI_SUCCESS;
    }
    HPI_Result Log(const char* what, const char* id, double n) {
        char value[32];
        std::snprintf(value, sizeof value, "%.4f", n);
        calls.push_back(std::string(what) + ":" + id + ":" + value);
        return HPI_SUCCESS;
    }
};

// Packets posted to the controller, in order.
class PacketLog {
public:
    struct Packet {
        uint32_t field;
        std::vector<unsigned char> bytes;
    };
    std::vector<Packet> packets;

protected:
    void Record(uint32_t field, const void* data, uint32_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        packets.push_back({field, std::vector<unsigned char>(bytes, bytes + size)});
    }
};

}  // namespace test_support
