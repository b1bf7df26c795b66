#include "lv2/lv2_ports.h"

#include <algorithm>
#include <set>

#include "core/param_table.h"

LV2PortKind LV2PortLayout::KindOf(int64_t index) const {
    if (index < 0 || index >= PortCount()) {
        return LV2PortKind::kNone;
    }
    if (index < params) {
        return LV2PortKind::kControlInput;
    }
    if (index == LatencyPort()) {
        return LV2PortKind::kLatencyOutput;
    }
    if (index < FirstAudioOutput()) {
        return LV2PortKind::kAudioInput;
    }
    if (index < EventInputPort()) {
        return LV2PortKind::kAudioOutput;
    }
    return index == EventInputPort() ? LV2PortKind::kEventInput : LV2PortKind::kEventOutput;
}

int LV2PortLayout::ChannelOrParamOf(int64_t index) const {
    switch (KindOf(index)) {
        case LV2PortKind::kControlInput:
            return static_cast<int>(index);
        case LV2PortKind::kAudioInput:
            return static_cast<int>(index - FirstAudioInput());
        case LV2PortKind::kAudioOutput:
            return static_cast<int>(index - FirstAudioOutput());
        case LV2PortKind::kLatencyOutput:
        case LV2PortKind::kEventInput:
        case LV2PortKind::kEventOutput:
        case LV2PortKind::kNone:
        default:
            return -1;
    }
}

std::string SymbolOfName(const char* name) {
    std::string symbol;
    bool pendingSeparator = false;
    for (const char* c = name != nullptr ? name : ""; *c != '\0'; ++c) {
        const char ch = *c;
        const bool letter = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
        const bool digit = ch >= '0' && ch <= '9';
        if (!letter && !digit) {
            pendingSeparator = true;
            continue;
        }
        if (pendingSeparator && !symbol.empty()) {
            symbol += '_';
        }
        pendingSeparator = false;
        symbol += letter && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
    }
    if (symbol.empty()) {
        return "param";
    }
    // A symbol is a C identifier: it may not start with a digit.
    if (symbol.front() >= '0' && symbol.front() <= '9') {
        symbol.insert(symbol.begin(), '_');
    }
    return symbol;
}

std::string AudioPortSymbol(bool input, int channel, int count) {
    const std::string stem = input ? "in" : "out";
    if (count == 1) {
        return stem;
    }
    if (count == 2) {
        return stem + (channel == 0 ? "_l" : "_r");
    }
    return stem + "_" + std::to_string(channel + 1);
}

std::string AudioPortName(bool input, int channel, int count) {
    const std::string stem = input ? "Input" : "Output";
    if (count == 1) {
        return stem;
    }
    if (count == 2) {
        return stem + (channel == 0 ? " L" : " R");
    }
    return stem + " " + std::to_string(channel + 1);
}

std::vector<std::string> ParamSymbols(const ParamTable& params, const LV2PortLayout& layout,
                                      int enabledParam) {
    std::set<std::string> taken{kLatencyPortSymbol, kEventInputPortSymbol, kEventOutputPortSymbol};
    if (enabledParam >= 0 && enabledParam < params.Count()) {
        taken.insert(kEnablePortSymbol);
    }
    for (int i = 0; i < layout.audioInputs; ++i) {
        taken.insert(AudioPortSymbol(true, i, layout.audioInputs));
    }
    for (int i = 0; i < layout.audioOutputs; ++i) {
        taken.insert(AudioPortSymbol(false, i, layout.audioOutputs));
    }
    std::vector<std::string> symbols;
    symbols.reserve(static_cast<std::size_t>(std::max(params.Count(), 0)));
    for (int i = 0; i < params.Count(); ++i) {
        if (i == enabledParam) {
            symbols.emplace_back(kEnablePortSymbol);
            continue;
        }
        const std::string base = SymbolOfName(params.GetParam(i)->Name());
        std::string symbol = base;
        for (int suffix = 2; taken.count(symbol) != 0; ++suffix) {
            symbol = base + "_" + std::to_string(suffix);
        }
        taken.insert(symbol);
        symbols.push_back(symbol);
    }
    return symbols;
}
