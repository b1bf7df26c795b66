#pragma once
// What a product tells the VST3 adapter and factory about itself: the
// factory's vendor record, the one audio-module class, its factory programs
// and which of its parameters is the strip's own bypass switch.
//
// Threads: built once on [main] by the module and read-only from then on.
#include <string>
#include <vector>

#include "vst3/vst3_abi.h"

// One factory program: its name and a real value for every Param in index
// order (missing values leave a Param alone).
struct VST3Program {
    std::string name;
    std::vector<double> values;
};

struct VST3ProductDescription {
    std::string vendor;
    std::string url;
    std::string email;
    vst3::InterfaceId classId{};
    std::string className;
    std::string subCategories;  // "Fx|EQ"
    std::string version;        // "7.0.0"
    std::string sdkVersion;     // the interface version we declare
    std::vector<VST3Program> programs;
    // The product's switch whose value 1 processes and 0 passes the input
    // through (the inverse of the host's bypass); -1 when there is none.
    int processingSwitchParam = -1;
};

// What the factory hands the product's constructor.
struct VST3InstanceInfo {
    const VST3ProductDescription* product = nullptr;  // outlives the instance
};
