#include "core/host_identity.h"

#include <cstring>

namespace {

struct HostEntry {
    const char* text;
    int32_t code;
};

// Searched in this order: a text that is part of a later one must come after
// it ("wavelab elements" before "wavelab"), and an early short text wins over
// anything later that contains it.
constexpr HostEntry kHosts[] = {
    {"reaper", 1},        {"protools", 2},
    {"cubase", 3},        {"nuendo", 4},
    {"cakewalk", 5},      {"vegas", 6},
    {"fruity", 7},        {"samplitude", 8},
    {"live", 9},          {"tracktion", 10},
    {"ntracks", 11},      {"melodyne", 12},
    {"vstmanlib", 13},    {"aulab", 14},
    {"forte", 15},        {"chainer", 16},
    {"audition", 17},     {"orion", 18},
    {"bias", 19},         {"sawstudio", 20},
    {"logic", 21},        {"garageband", 22},
    {"digital", 23},      {"audiomulch", 25},
    {"presonus", 26},     {"vst3plugintesthost", 27},
    {"ardour", 28},       {"renoise", 29},
    {"openmpt", 30},      {"wavelab elements", 32},
    {"wavelab", 31},      {"twistedwave", 33},
    {"bitwig studio", 34}, {"reason", 36},
    {"gwvst", 37},        {"waveform", 38},
    {"audacity", 39},     {"acoustica", 40},
    {"plugindoctor", 41}, {"izotope rx", 42},
    {"savihost", 43},     {"blue cat's vst host", 44},
    {"mixbus", 45},       {"standalone", 24},
    {"www", 35},
};

// ASCII only, so the result does not depend on the process locale.
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

int32_t HostCodeOfName(const char* name) {
    if (name == nullptr) return kHostUnknown;
    char lower[kMaxHostNameChars + 1];
    int length = 0;
    while (length < kMaxHostNameChars && name[length] != '\0') {
        lower[length] = LowerAscii(name[length]);
        ++length;
    }
    lower[length] = '\0';
    for (const HostEntry& entry : kHosts) {
        if (std::strstr(lower, entry.text) != nullptr) return entry.code;
    }
    return kHostUnknown;
}
