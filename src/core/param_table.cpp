#include "core/param_table.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

// True when format holds at most one conversion and that one prints an int
// (flags, width and precision of at most three digits each; no '*', no length
// modifier), so passing one int to it is well defined.
bool IsSafeCounterFormat(const char* format) {
    int conversions = 0;
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '%') continue;
        while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr) ++p;
        for (int digits = 0; std::isdigit(static_cast<unsigned char>(*p)); ++digits, ++p) {
            if (digits == 3) return false;
        }
        if (*p == '.') {
            ++p;
            for (int digits = 0; std::isdigit(static_cast<unsigned char>(*p)); ++digits, ++p) {
                if (digits == 3) return false;
            }
        }
        if (*p == '\0' || std::strchr("diouxX", *p) == nullptr) return false;
        if (++conversions > 1) return false;
    }
    return true;
}

bool SameGroup(const Param& param, const char* group) {
    return std::strcmp(param.Group(), group == nullptr ? "" : group) == 0;
}

}  // namespace

TextBuf FormatCounterName(const char* nameFormat, int counter) {
    TextBuf name;
    const char* format = nameFormat == nullptr ? "" : nameFormat;
    if (IsSafeCounterFormat(format)) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
        name.SetFormatted(kMaxTextFieldChars, format, counter);
#pragma GCC diagnostic pop
    } else {
        name.Set(format, kMaxTextFieldChars);
        name.AppendFormatted(kMaxTextFieldChars - name.Length(), "%d", counter);
    }
    return name;
}

ParamTable::ParamTable(int count) {
    const int size = std::max(count, 0);
    mParams.reserve(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i) mParams.push_back(std::make_unique<Param>());
}

Param* ParamTable::GetParam(int index) {
    if (index < 0 || index >= Count()) return nullptr;
    return mParams[static_cast<std::size_t>(index)].get();
}

const Param* ParamTable::GetParam(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return mParams[static_cast<std::size_t>(index)].get();
}

void ParamTable::DefineRange(int first, int last, int counterStart, const char* nameFormat, double defaultValue,
                             double min, double max, double step, const char* label, ParamFlags flags,
                             const char* group, const Shape& shape, ParamUnit unit,
                             const DisplayFormatter& formatter) {
    // The counter belongs to the index, so skipped indices keep the numbering.
    const int begin = std::max(first, 0);
    const int end = std::min(last, Count() - 1);
    for (int i = begin; i <= end; ++i) {
        Param* param = GetParam(i);
        const int counter = static_cast<int>(static_cast<long long>(counterStart) + (i - static_cast<long long>(first)));
        const TextBuf name = FormatCounterName(nameFormat, counter);
        param->DefineNumber(name.Get(), defaultValue, min, max, step, label, flags, group, shape, unit,
                            formatter);
    }
}

void ParamTable::CloneRange(int first, int last, int destFirst, const char* searchText,
                            const char* replacementText, const char* newGroup) {
    if (last < first) return;
    const long long count = static_cast<long long>(last) - first + 1;
    auto cloneOne = [&](long long k) {
        const long long dest = destFirst + k;
        const Param* source = GetParam(static_cast<int>(first + k));
        if (source == nullptr || dest < 0 || dest >= Count()) return;
        Param* target = GetParam(static_cast<int>(dest));
        const double value = source->GetValue();
        target->DefineLike(*source, searchText, replacementText, newGroup);
        target->SetValue(value);
    };
    // Walk away from the overlap so each source is read before it is overwritten.
    if (destFirst > first) {
        for (long long k = count - 1; k >= 0; --k) cloneOne(k);
    } else {
        for (long long k = 0; k < count; ++k) cloneOne(k);
    }
}

void ParamTable::CopyValues(int srcFirst, int destFirst, int count) {
    auto copyOne = [&](long long k) {
        const Param* source = GetParam(static_cast<int>(std::clamp<long long>(srcFirst + k, -1, Count())));
        Param* target = GetParam(static_cast<int>(std::clamp<long long>(destFirst + k, -1, Count())));
        if (source != nullptr && target != nullptr) target->SetValue(source->GetValue());
    };
    if (destFirst > srcFirst) {
        for (long long k = static_cast<long long>(count) - 1; k >= 0; --k) copyOne(k);
    } else {
        for (long long k = 0; k < count; ++k) copyOne(k);
    }
}

void ParamTable::CopyValuesBetweenGroups(const char* fromGroup, const char* toGroup) {
    std::vector<Param*> from;
    std::vector<Param*> to;
    for (const auto& param : mParams) {
        if (SameGroup(*param, fromGroup)) from.push_back(param.get());
        if (SameGroup(*param, toGroup)) to.push_back(param.get());
    }
    const std::size_t pairs = std::min(from.size(), to.size());
    for (std::size_t k = 0; k < pairs; ++k) to[k]->SetValue(from[k]->GetValue());
}

void ParamTable::ForEachInRange(int first, int last, const ParamFunction& fn) {
    const int begin = std::max(first, 0);
    const int end = std::min(last, Count() - 1);
    for (int i = begin; i <= end; ++i) fn(i, *mParams[static_cast<std::size_t>(i)]);
}

void ParamTable::ForEachInGroup(const char* group, const ParamFunction& fn) {
    for (int i = 0; i < Count(); ++i) {
        Param& param = *mParams[static_cast<std::size_t>(i)];
        if (SameGroup(param, group)) fn(i, param);
    }
}

void ParamTable::ResetRangeToDefault(int first, int last) {
    ForEachInRange(first, last, [](int, Param& param) { param.ResetToDefault(); });
}

void ParamTable::ResetGroupToDefault(const char* group) {
    ForEachInGroup(group, [](int, Param& param) { param.ResetToDefault(); });
}

void ParamTable::ResetAllToDefault() { ResetRangeToDefault(0, Count() - 1); }

namespace {

void Randomize(int, Param& param) {
    // Fifteen random bits whatever RAND_MAX is, so norm stays below 1.
    const float norm = static_cast<float>(std::rand() % 32768) * (1.0f / 32768.0f);
    param.SetNorm(norm);
}

}  // namespace

void ParamTable::RandomizeRange(int first, int last) { ForEachInRange(first, last, Randomize); }

void ParamTable::RandomizeGroup(const char* group) { ForEachInGroup(group, Randomize); }

void ParamTable::RandomizeAll() { RandomizeRange(0, Count() - 1); }
