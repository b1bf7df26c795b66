#include "host_object.h"

#include <map>
#include <mutex>

namespace hpihost {
namespace {

struct Register {
    std::mutex mLock;
    std::map<std::string, int> mKinds;
    int mTotal = 0;
};

Register& TheRegister() {
    static Register reg;
    return reg;
}

}  // namespace

namespace detail {
void CountHostObject(const char* kind, int delta) {
    Register& reg = TheRegister();
    std::lock_guard<std::mutex> lock(reg.mLock);
    int& count = reg.mKinds[kind];
    count += delta;
    if (count == 0) {
        reg.mKinds.erase(kind);
    }
    reg.mTotal += delta;
}
}  // namespace detail

int LiveHostObjectCount() {
    Register& reg = TheRegister();
    std::lock_guard<std::mutex> lock(reg.mLock);
    return reg.mTotal;
}

std::string LiveHostObjectSummary() {
    Register& reg = TheRegister();
    std::lock_guard<std::mutex> lock(reg.mLock);
    std::string text;
    for (const auto& [kind, count] : reg.mKinds) {
        if (!text.empty()) {
            text += ", ";
        }
        text += kind + " x" + std::to_string(count);
    }
    return text;
}

}  // namespace hpihost
