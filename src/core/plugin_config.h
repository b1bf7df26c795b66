#pragma once
// The product's description of itself, handed to the framework bases at
// construction. The bases copy what they need; the texts are only pointed to
// and must outlive the constructor call.
#include <cstdint>

struct PluginConfig {
    int32_t parameterCount = 0;
    int32_t presetCount = 0;
    const char* channelIOString = "";
    const char* pluginName = "";
    const char* productName = "";
    const char* manufacturerName = "";
    int32_t pluginVersion = 0;  // 0xMMMMmmpp: major, minor, patch
    int32_t uniqueID = 0;       // four-character code
    int32_t manufacturerID = 0; // four-character code
    int32_t latency = 0;        // starting value only
    bool receivesMidi = false;
    bool sendsMidi = false;
    bool handlesMPE = false;
    bool stateChunks = false;
    int32_t pluginKind = 0;     // 0 effect, 1 instrument, 2 MIDI effect
    bool hasEditor = false;
    int32_t editorWidth = 0;
    int32_t editorHeight = 0;
    int32_t editorMinWidth = 0;
    int32_t editorMaxWidth = 0;
    int32_t editorMinHeight = 0;
    int32_t editorMaxHeight = 0;
    bool hostResize = false;
    const char* bundleID = "";
};

// [any] Four-character code: the first letter is the most significant byte.
constexpr int32_t FourCharCode(const char (&text)[5]) {
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(text[3])));
}
