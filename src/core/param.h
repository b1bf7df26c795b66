#pragma once
// One automatable parameter: a named real value with a type, a range, a step,
// a default, a display format and a shape that maps the real value to the
// normalised 0..1 value hosts and editor controls speak.
//
// Lifecycle: the plug-in constructor runs one initialiser (Define*) per
// parameter on [main] and may then add display texts or change the precision.
// After that only the value changes. Initialisers may run again on the same
// parameter: each run replaces name, range, flags, unit, shape and formatter,
// while display texts are appended to those already present.
//
// Threads: the value is an atomic double (every store one exchange, every load
// one atomic load), so GetValue/SetValue/SetNorm/GetNorm and the pure value
// arithmetic (Restrict, FromNorm, ToNorm, SnapNorm) are [any] thread and
// allocate nothing. FormatValue, ParseText and DescribeJson may allocate and
// are [main, ui] only. Everything else is written at construction only.
//
// Outside values are made safe: Restrict never returns a non-finite value (NaN
// becomes the default, +inf and -inf clamp to max and min), so no store and no
// parsed text ("nan", "inf") can leave the value outside the range.
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "core/text_buf.h"

class Param;

enum ParamType : int32_t {
    TypeNone = 0,
    TypeBool = 1,
    TypeInt = 2,
    TypeEnum = 3,
    TypeDouble = 4,
};

// Flag bits. Other bits are stored and carried but not interpreted.
using ParamFlags = int32_t;
inline constexpr ParamFlags FlagNotAutomatable = 1;  // host registers it as not automatable
inline constexpr ParamFlags FlagStepped = 2;         // Restrict rounds to whole steps
inline constexpr ParamFlags FlagNegateDisplay = 4;   // shown negated; typed text negated back
inline constexpr ParamFlags FlagSignDisplay = 8;     // non-zero decimals carry "+" or "-"

// Unit code stored for hosts; the core does not interpret it.
enum ParamUnit : int32_t {
    UnitPercentage = 0,
    UnitSeconds = 1,
    UnitMilliseconds = 2,
    UnitDecibels = 4,
    UnitDegrees = 8,
    UnitFrequency = 12,
    UnitCustom = 21,
};

// One value-to-text entry. Entries keep insertion order; lookups take the first match.
struct DisplayText {
    double value = 0.0;
    char text[kTextFieldSize] = {};
};
static_assert(sizeof(DisplayText) == 40);

// Replaces all numeric formatting when present: (real value, out text).
// Called only from [main, ui] display code, never from the audio thread.
using DisplayFormatter = std::function<void(double value, TextBuf& out)>;

// Mapping between the normalised value 0..1 and the real value. Shapes hold
// only data prepared at construction; the Map operations are [any] thread.
class Shape {
public:
    virtual ~Shape() = default;
    // [any]
    virtual std::unique_ptr<Shape> Clone() const = 0;
    // [main] Precomputes data from the parameter's range.
    virtual void Prepare(const Param& param);
    // [any] Display-curve code for hosts (0 linear, 1 exponential, 3..6 power curves).
    virtual int CurveKind() const = 0;
    // [any]
    virtual double MapToValue(double norm, const Param& param) const = 0;
    // [any]
    virtual double MapToNorm(double value, const Param& param) const = 0;
};

// min + n * (max - min)
class ShapeLinear : public Shape {
public:
    // [any]
    std::unique_ptr<Shape> Clone() const override;
    // [any]
    int CurveKind() const override;
    // [any]
    double MapToValue(double norm, const Param& param) const override;
    // [any]
    double MapToNorm(double value, const Param& param) const override;
};

// min + n^e * (max - min); CurveKind by exponent: >2.5 gives 6, >1.5 gives 4,
// <0.4 gives 5, <2/3 gives 3, otherwise 0.
class ShapePowCurve : public Shape {
public:
    // [any]
    explicit ShapePowCurve(double exponent);
    // [any]
    std::unique_ptr<Shape> Clone() const override;
    // [any]
    int CurveKind() const override;
    // [any]
    double MapToValue(double norm, const Param& param) const override;
    // [any]
    double MapToNorm(double value, const Param& param) const override;
    // [any]
    double Exponent() const { return mExponent; }

private:
    double mExponent;
};

// exp(n * mul + add), prepared so that n = 0 gives min (or 1e-8 when min <= 0)
// and n = 1 gives max.
class ShapeExp : public Shape {
public:
    // [any]
    std::unique_ptr<Shape> Clone() const override;
    // [any]
    void Prepare(const Param& param) override;
    // [any]
    int CurveKind() const override;
    // [any]
    double MapToValue(double norm, const Param& param) const override;
    // [any]
    double MapToNorm(double value, const Param& param) const override;
    // [any]
    double Mul() const { return mMul; }
    // [any]
    double Add() const { return mAdd; }

private:
    double mMul = 1.0;
    double mAdd = 1.0;
};

class Param {
public:
    // [main]
    Param();   // type None, range 0..1, step 1, default 0, ShapeLinear, unit custom
    // [main]
    ~Param();
    Param(const Param&) = delete;
    Param& operator=(const Param&) = delete;

    // ---- Initialisers [main], construction only. Each sets the type only while
    // it is still TypeNone, so the outermost initialiser's type wins. A max
    // below min + step widens to min + step. Texts longer than 31 characters
    // are cut. Null texts count as "".

    // [main]
    void DefineNumber(const char* name, double defaultValue, double min, double max, double step,
                      const char* label = "", ParamFlags flags = 0, const char* group = "",
                      const Shape& shape = ShapeLinear(), ParamUnit unit = UnitCustom,
                      DisplayFormatter formatter = {});
    // [main] Step 1, FlagStepped added.
    void DefineInt(const char* name, int defaultValue, int min, int max, const char* label = "",
                   ParamFlags flags = 0, const char* group = "");
    // [main] Values 0..count-1. texts, when given and its first entry is non-null, are
    // added for values 0, 1, ...; at most count are used, a null entry counts
    // as "". An empty list (or a null first text) adds none.
    void DefineEnum(const char* name, int defaultValue, int count, const char* label = "",
                    ParamFlags flags = 0, const char* group = "",
                    std::initializer_list<const char*> texts = {});
    // [main] Values 0..texts.size()-1, text i added for value i.
    void DefineEnumList(const char* name, int defaultValue, std::initializer_list<const char*> texts,
                        ParamFlags flags = 0, const char* group = "");
    // [main] Enum 0/1 with offText for 0 and onText for 1.
    void DefineBool(const char* name, bool defaultValue, const char* label = "", ParamFlags flags = 0,
                    const char* group = "", const char* offText = "off", const char* onText = "on");
    // [main]
    void DefineSeconds(const char* name, double defaultValue, double min, double max, double step,
                       ParamFlags flags = 0, const char* group = "");            // "Seconds", unit 1
    // [main]
    void DefineMilliseconds(const char* name, double defaultValue, double min, double max,
                            ParamFlags flags = 0, const char* group = "");      // step 1, "ms", unit 2
    // [main]
    void DefinePercentage(const char* name, double defaultValue, double min, double max,
                          ParamFlags flags = 0, const char* group = "");        // step 1, "%", unit 0
    // [main]
    void DefineAngle(const char* name, double defaultValue, double min, double max,
                     ParamFlags flags = 0, const char* group = "");             // step 1, "degrees", unit 8
    // [main]
    void DefineGain(const char* name, double defaultValue, double min, double max, double step,
                    ParamFlags flags = 0, const char* group = "");              // "dB", unit 4
    // [main]
    void DefineFrequency(const char* name, double defaultValue, double min, double max, double step,
                         ParamFlags flags = 0, const char* group = "");         // "Hz", ShapeExp, unit 12
    // [main] Enum over MIDI notes lowestNote..highestNote, value i - lowestNote reading
    // e.g. "C 4" (natural notes carry a blank). Note 60 is C 4 when middleCIsC3,
    // else C 3. defaultValue is an enum index.
    void DefinePitch(const char* name, int defaultValue, int lowestNote, int highestNote,
                     ParamFlags flags = 0, const char* group = "", bool middleCIsC3 = false);
    // [main] Copies source's definition (and appends its display texts). The first
    // occurrence of searchText in the name is replaced by replacementText; the
    // group becomes newGroup unless it is null or empty. source may be this.
    void DefineLike(const Param& source, const char* searchText, const char* replacementText,
                    const char* newGroup);

    // ---- Value arithmetic [any], no allocation, no lock.

    // [any] Stepped (rounded to whole steps anchored at 0, halves away from zero)
    // when FlagStepped is set, then clamped to min..max. Never non-finite.
    double Restrict(double value) const;
    // [any]
    double FromNorm(double norm) const;        // Restrict(shape's MapToValue(norm))
    // [any]
    double ToNorm(double value) const;         // shape's MapToNorm(Restrict(value)), in 0..1
    // [any]
    double SnapNorm(double norm) const;        // ToNorm(FromNorm(norm)): norm moved onto a step

    // [any]
    void SetValue(double value);               // stores Restrict(value)
    // [any]
    void SetNorm(double norm);                 // stores FromNorm(norm)
    // [any]
    void ResetToDefault();                     // stores the default as it is
    // [any]
    double GetValue() const;
    // [any]
    double GetNorm() const;                    // ToNorm(GetValue())

    // ---- Display [main, ui].

    // [main, ui] Writes the display text of value (real, or normalised when isNormalised)
    // without the label: the formatter if any, else a non-empty display text
    // for exactly that value (when useDisplayTexts), else the number with the
    // display precision. At most 32 characters; zero never shows a sign.
    void FormatValue(double value, bool isNormalised, TextBuf& out, bool useDisplayTexts = true) const;
    // [main, ui] Real value of a typed or host text: a matching display text's value, else
    // 0 for bool and enum, else the leading number (atof rules, negated back
    // for FlagNegateDisplay) restricted. Null counts as "".
    double ParseText(const char* text) const;

    // [main] construction
    void AddDisplayText(double value, const char* text);
    // [main]
    const char* FindDisplayText(double value) const;                // "" when no entry has value
    // [main, ui] Entry index's text, its value stored in *value when non-null. An index
    // outside 0..DisplayTextCount()-1 gives "" and leaves *value alone.
    const char* DisplayTextAt(int index, double* value = nullptr) const;
    // [main, ui]
    bool MatchDisplayText(const char* text, double& value) const;  // exact, case-sensitive
    // [main, ui]
    int DisplayTextCount() const;
    // [main, ui] "" when the current value, truncated, has a non-empty display text; else the
    // label.
    const char* LabelFor() const;

    // [main, ui]
    const char* Name() const { return mName; }
    // [main, ui]
    const char* Label() const { return mLabel; }
    // [main, ui]
    const char* Group() const { return mGroup; }
    // [main] construction; clamped to 0..6
    void SetPrecision(int precision);

    // [main, ui] Appends {"id":.., "name":"..", "type":"..", "min":.., "max":.., "default":..,
    // "rate":"control"}. Name characters that would break the JSON (quote, backslash, controls) are
    // escaped.
    void DescribeJson(TextBuf& out, int id) const;

    // ---- Read access [any].
    // [any]
    ParamType Type() const { return mType; }
    // [any]
    ParamUnit Unit() const { return mUnit; }
    // [any]
    double Min() const { return mMin; }
    // [any]
    double Max() const { return mMax; }
    // [any]
    double Step() const { return mStep; }
    // [any]
    double Default() const { return mDefault; }
    // [any]
    ParamFlags Flags() const { return mFlags; }
    // [any]
    int DisplayPrecision() const { return mDisplayPrecision; }
    // [any]
    const Shape& GetShape() const { return *mShape; }
    // [any]
    bool HasDisplayFormatter() const { return static_cast<bool>(mDisplayFormatter); }
    // [any]
    const DisplayFormatter& GetDisplayFormatter() const { return mDisplayFormatter; }
    // [any]
    bool HasDisplayTexts() const { return !mDisplayTexts.empty(); }

private:
    ParamType mType = TypeNone;
    ParamUnit mUnit = UnitCustom;
    std::atomic<double> mValue{0.0};
    double mMin = 0.0;
    double mMax = 1.0;
    double mStep = 1.0;
    double mDefault = 0.0;
    int32_t mDisplayPrecision = 0;
    ParamFlags mFlags = 0;
    char mName[kTextFieldSize] = {};
    char mLabel[kTextFieldSize] = {};
    char mGroup[kTextFieldSize] = {};
    std::unique_ptr<Shape> mShape;
    DisplayFormatter mDisplayFormatter;
    std::vector<DisplayText> mDisplayTexts;
};
