#pragma once
// The plug-in's ordered parameter table: a fixed number of Params created with
// the table and addressed by index from 0; parameters are never added or
// removed afterwards, so a Param pointer stays valid for the table's life.
//
// Table-wide operations address parameters by index range (first..last,
// inclusive) or by group name (exact string equality). Indices outside the
// table are skipped, never read or written.
//
// Threads: construction, DefineRange and CloneRange are [main] at plug-in
// construction. GetParam/Count are [any]. The value operations (CopyValues,
// Reset*, Randomize*, ForEach*) touch only atomic values and are [main] or
// [ui]; Randomize* use the standard library's rand() and are not meant for the
// audio thread.
#include <functional>
#include <memory>
#include <vector>

#include "core/param.h"

class ParamTable {
public:
    using ParamFunction = std::function<void(int index, Param& param)>;

    // [main] count < 0 gives an empty table
    explicit ParamTable(int count);
    ParamTable(const ParamTable&) = delete;
    ParamTable& operator=(const ParamTable&) = delete;

    // [any]
    int Count() const { return static_cast<int>(mParams.size()); }
    // [any] nullptr outside the table
    Param* GetParam(int index);
    // [any] nullptr outside the table
    const Param* GetParam(int index) const;

    // [main] Defines first..last with DefineNumber, each named nameFormat formatted
    // with a counter that starts at counterStart and rises by one (cut to 31
    // characters). nameFormat may hold one integer conversion (%d, %i, %u, %x,
    // %X, %o with flags, width and precision) and "%%"; any other conversion
    // makes the whole format plain text followed by the counter.
    void DefineRange(int first, int last, int counterStart, const char* nameFormat, double defaultValue,
                     double min, double max, double step, const char* label = "", ParamFlags flags = 0,
                     const char* group = "", const Shape& shape = ShapeLinear(), ParamUnit unit = UnitCustom,
                     const DisplayFormatter& formatter = {});
    // [main] Parameter destFirst + k becomes DefineLike(parameter first + k) and takes
    // its value. Overlapping ranges behave as if every source were copied first.
    void CloneRange(int first, int last, int destFirst, const char* searchText, const char* replacementText,
                    const char* newGroup);
    // [main, ui] Value of srcFirst + k into destFirst + k, k = 0..count-1 (SetValue, so
    // restricted to the destination's range). Overlaps copy as from a snapshot.
    void CopyValues(int srcFirst, int destFirst, int count);
    // [main, ui] The k-th parameter of toGroup takes the value of the k-th of fromGroup,
    // for as many pairs as the shorter list has.
    void CopyValuesBetweenGroups(const char* fromGroup, const char* toGroup);

    // [main, ui]
    void ForEachInRange(int first, int last, const ParamFunction& fn);
    // [main, ui]
    void ForEachInGroup(const char* group, const ParamFunction& fn);

    // [main, ui]
    void ResetRangeToDefault(int first, int last);
    // [main, ui]
    void ResetGroupToDefault(const char* group);
    // [main, ui]
    void ResetAllToDefault();

    // [main, ui] Each parameter gets SetNorm(r * 2^-15) formed in single precision, r the
    // low fifteen bits of rand() (0..32767 on every platform).
    void RandomizeRange(int first, int last);
    // [main, ui]
    void RandomizeGroup(const char* group);
    // [main, ui]
    void RandomizeAll();

private:
    std::vector<std::unique_ptr<Param>> mParams;
};

// [main, ui] Formats a DefineRange name: see DefineRange for what nameFormat may hold.
// The result is at most 31 characters. [any] allocates
TextBuf FormatCounterName(const char* nameFormat, int counter);
