#include "core/param.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr int kMaxDisplayPrecision = 6;
constexpr int kMaxJsonPieceChars = 8192;
// Lower reference of an exponential shape whose minimum is not above zero.
constexpr double kExpShapeFloor = 1e-8;

const char* OrEmpty(const char* text) { return text == nullptr ? "" : text; }

// Zero shows without a sign: "-0.0" or "+0.00" (a tiny value rounded away)
// reads "0.0" / "0.00".
void DropSignOfZero(TextBuf& out) {
    const std::string& text = out.Str();
    if (text.empty() || (text[0] != '-' && text[0] != '+')) return;
    if (text.find_first_of("123456789") != std::string::npos) return;
    if (text.find_first_of("0") == std::string::npos) return;  // "-inf", "-nan"
    std::string unsigned_text = text.substr(1);
    out.Set(unsigned_text.c_str());
}

// The name inside a JSON string: quote, backslash and control characters escaped.
std::string JsonEscaped(const char* text) {
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

// ---- Shapes

void Shape::Prepare(const Param&) {}

std::unique_ptr<Shape> ShapeLinear::Clone() const { return std::make_unique<ShapeLinear>(*this); }

int ShapeLinear::CurveKind() const { return 0; }

double ShapeLinear::MapToValue(double norm, const Param& param) const {
    return param.Min() + norm * (param.Max() - param.Min());
}

double ShapeLinear::MapToNorm(double value, const Param& param) const {
    return (value - param.Min()) / (param.Max() - param.Min());
}

ShapePowCurve::ShapePowCurve(double exponent) : mExponent(exponent) {}

std::unique_ptr<Shape> ShapePowCurve::Clone() const { return std::make_unique<ShapePowCurve>(*this); }

int ShapePowCurve::CurveKind() const {
    if (mExponent > 2.5) return 6;
    if (mExponent > 1.5) return 4;
    if (mExponent < 0.4) return 5;
    if (mExponent < 2.0 / 3.0) return 3;
    return 0;
}

double ShapePowCurve::MapToValue(double norm, const Param& param) const {
    return param.Min() + std::pow(norm, mExponent) * (param.Max() - param.Min());
}

double ShapePowCurve::MapToNorm(double value, const Param& param) const {
    return std::pow((value - param.Min()) / (param.Max() - param.Min()), 1.0 / mExponent);
}

std::unique_ptr<Shape> ShapeExp::Clone() const { return std::make_unique<ShapeExp>(*this); }

void ShapeExp::Prepare(const Param& param) {
    const double lowest = param.Min() > 0.0 ? param.Min() : kExpShapeFloor;
    mAdd = std::log(lowest);
    mMul = std::log(param.Max() / lowest);
}

int ShapeExp::CurveKind() const { return 1; }

double ShapeExp::MapToValue(double norm, const Param&) const { return std::exp(norm * mMul + mAdd); }

double ShapeExp::MapToNorm(double value, const Param&) const { return (std::log(value) - mAdd) / mMul; }

// ---- Param: construction and initialisers

Param::Param() : mShape(std::make_unique<ShapeLinear>()) {}

Param::~Param() = default;

void Param::DefineNumber(const char* name, double defaultValue, double min, double max, double step,
                         const char* label, ParamFlags flags, const char* group, const Shape& shape,
                         ParamUnit unit, DisplayFormatter formatter) {
    if (mType == TypeNone) mType = TypeDouble;
    CopyTextField(mName, name);
    CopyTextField(mLabel, label);
    CopyTextField(mGroup, group);

    mMin = min;
    mMax = std::max(max, min + step);  // a range narrower than one step widens to one step
    mStep = step;
    mDefault = defaultValue;
    mUnit = unit;
    mFlags = flags;
    mDisplayFormatter = std::move(formatter);
    mValue.exchange(Restrict(defaultValue));

    int precision = 0;
    for (double s = step; s != std::floor(s) && precision < kMaxDisplayPrecision; s *= 10.0) {
        ++precision;
    }
    mDisplayPrecision = precision;

    // Clone before replacing: shape may be this parameter's own shape.
    std::unique_ptr<Shape> newShape = shape.Clone();
    mShape = std::move(newShape);
    mShape->Prepare(*this);
}

void Param::DefineInt(const char* name, int defaultValue, int min, int max, const char* label,
                      ParamFlags flags, const char* group) {
    if (mType == TypeNone) mType = TypeInt;
    DefineNumber(name, defaultValue, min, max, 1.0, label, flags | FlagStepped, group, ShapeLinear(),
                 UnitCustom);
}

void Param::DefineEnum(const char* name, int defaultValue, int count, const char* label, ParamFlags flags,
                       const char* group, std::initializer_list<const char*> texts) {
    if (mType == TypeNone) mType = TypeEnum;
    DefineInt(name, defaultValue, 0, count - 1, label, flags | FlagStepped, group);
    if (texts.size() == 0 || *texts.begin() == nullptr) return;
    int value = 0;
    for (const char* text : texts) {
        if (value >= count) break;
        AddDisplayText(value, OrEmpty(text));
        ++value;
    }
}

void Param::DefineEnumList(const char* name, int defaultValue, std::initializer_list<const char*> texts,
                           ParamFlags flags, const char* group) {
    if (mType == TypeNone) mType = TypeEnum;
    const int count = static_cast<int>(texts.size());
    DefineNumber(name, defaultValue, 0.0, count - 1, 1.0, "", flags | FlagStepped, group, ShapeLinear(),
                 UnitCustom);
    int value = 0;
    for (const char* text : texts) AddDisplayText(value++, OrEmpty(text));
}

void Param::DefineBool(const char* name, bool defaultValue, const char* label, ParamFlags flags,
                       const char* group, const char* offText, const char* onText) {
    if (mType == TypeNone) mType = TypeBool;
    DefineEnum(name, defaultValue ? 1 : 0, 2, label, flags | FlagStepped, group);
    AddDisplayText(0.0, OrEmpty(offText));
    AddDisplayText(1.0, OrEmpty(onText));
}

void Param::DefineSeconds(const char* name, double defaultValue, double min, double max, double step,
                          ParamFlags flags, const char* group) {
    if (mType == TypeNone) mType = TypeDouble;
    DefineNumber(name, defaultValue, min, max, step, "Seconds", flags, group, ShapeLinear(), UnitSeconds);
}

void Param::DefineMilliseconds(const char* name, double defaultValue, double min, double max,
                               ParamFlags flags, const char* group) {
    if (mType == TypeNone) mType = TypeDouble;
    DefineNumber(name, defaultValue, min, max, 1.0, "ms", flags, group, ShapeLinear(), UnitMilliseconds);
}

void Param::DefinePercentage(const char* name, double defaultValue, double min, double max,
                             ParamFlags flags, const char* group) {
    if (mType == TypeNone) mType = TypeDouble;
    DefineNumber(name, defaultValue, min, max, 1.0, "%", flags, group, ShapeLinear(), UnitPercentage);
}

void Param::DefineAngle(const char* name, double defaultValue, double min, double max, ParamFlags flags,
                        const char* group) {
    if (mType == TypeNone) mType = TypeDouble;
    DefineNumber(name, defaultValue, min, max, 1.0, "degrees", flags, group, ShapeLinear(), UnitDegrees);
}

void Param::DefineGain(const char* name, double defaultValue, double min, double max, double step,
                       ParamFlags flags, const char* group) {
    if (mType == TypeNone) mType = TypeDouble;
    DefineNumber(name, defaultValue, min, max, step, "dB", flags, group, ShapeLinear(), UnitDecibels);
}

void Param::DefineFrequency(const char* name, double defaultValue, double min, double max, double step,
                            ParamFlags flags, const char* group) {
    if (mType == TypeNone) mType = TypeDouble;
    DefineNumber(name, defaultValue, min, max, step, "Hz", flags, group, ShapeExp(), UnitFrequency);
}

void Param::DefinePitch(const char* name, int defaultValue, int lowestNote, int highestNote,
                        ParamFlags flags, const char* group, bool middleCIsC3) {
    static const char* const kNoteLetters[12] = {"C ", "C#", "D ", "D#", "E ", "F ",
                                                 "F#", "G ", "G#", "A ", "A#", "B "};
    if (mType == TypeNone) mType = TypeEnum;
    const long long count = static_cast<long long>(highestNote) - lowestNote + 1;
    DefineEnum(name, defaultValue, static_cast<int>(std::clamp<long long>(count, 0, 1LL << 30)), "", flags,
               group);
    const int octaveOffset = middleCIsC3 ? 1 : 2;
    for (long long note = lowestNote; note <= highestNote; ++note) {
        // Floor division keeps notes below 0 on the right letter and octave.
        const long long letter = ((note % 12) + 12) % 12;
        const long long octave = (note - letter) / 12 - octaveOffset;
        TextBuf text;
        text.SetFormatted(kMaxTextFieldChars, "%s%lld", kNoteLetters[letter], octave);
        AddDisplayText(static_cast<double>(note - lowestNote), text.Get());
    }
}

void Param::DefineLike(const Param& source, const char* searchText, const char* replacementText,
                       const char* newGroup) {
    // Everything is copied out of source first: source may be this parameter.
    std::string name = source.mName;
    const std::string search = OrEmpty(searchText);
    if (!search.empty()) {
        const std::size_t at = name.find(search);
        if (at != std::string::npos) name.replace(at, search.size(), OrEmpty(replacementText));
    }
    const std::string group = (newGroup != nullptr && newGroup[0] != '\0') ? newGroup : source.mGroup;
    const std::string label = source.mLabel;
    std::unique_ptr<Shape> shape = source.mShape->Clone();
    DisplayFormatter formatter = source.mDisplayFormatter;
    const std::vector<DisplayText> texts = source.mDisplayTexts;

    if (mType == TypeNone) mType = source.mType;
    DefineNumber(name.c_str(), source.mDefault, source.mMin, source.mMax, source.mStep, label.c_str(),
                 source.mFlags, group.c_str(), *shape, source.mUnit, std::move(formatter));
    for (const DisplayText& entry : texts) AddDisplayText(entry.value, entry.text);
}

// ---- Value arithmetic

double Param::Restrict(double value) const {
    double v = std::isnan(value) ? mDefault : value;
    if ((mFlags & FlagStepped) != 0 && mStep > 0.0) {
        const double steps = v / mStep;
        if (std::isfinite(steps)) v = std::round(steps) * mStep;  // round: halves away from zero
    }
    v = std::max(mMin, v);
    v = std::min(mMax, v);
    if (!std::isfinite(v)) {
        // Reachable only with a non-finite range or default.
        v = std::isfinite(mMin) ? mMin : (std::isfinite(mMax) ? mMax : 0.0);
    }
    return v;
}

double Param::FromNorm(double norm) const { return Restrict(mShape->MapToValue(norm, *this)); }

double Param::ToNorm(double value) const {
    const double norm = mShape->MapToNorm(Restrict(value), *this);
    if (std::isnan(norm)) return 0.0;
    return std::clamp(norm, 0.0, 1.0);
}

double Param::SnapNorm(double norm) const { return ToNorm(FromNorm(norm)); }

void Param::SetValue(double value) { mValue.exchange(Restrict(value)); }

void Param::SetNorm(double norm) { mValue.exchange(Restrict(FromNorm(norm))); }

void Param::ResetToDefault() { mValue.exchange(mDefault); }

double Param::GetValue() const { return mValue.load(); }

double Param::GetNorm() const { return ToNorm(GetValue()); }

// ---- Display

void Param::FormatValue(double value, bool isNormalised, TextBuf& out, bool useDisplayTexts) const {
    double v = value;
    if (isNormalised) {
        v = FromNorm(v);
    } else if (!std::isfinite(v)) {
        v = Restrict(v);  // never show "nan" or "inf"
    }

    if (mDisplayFormatter) {
        mDisplayFormatter(v, out);
        return;
    }

    if (useDisplayTexts) {
        for (const DisplayText& entry : mDisplayTexts) {
            if (entry.value != v) continue;
            if (entry.text[0] != '\0') {
                out.Set(entry.text, kMaxDisplayChars);
                return;
            }
            break;  // an empty text falls back to the number
        }
    }

    double d = (mFlags & FlagNegateDisplay) != 0 ? -v : v;
    if (d == 0.0) d = 0.0;  // -0 becomes +0

    if (mDisplayPrecision == 0) {
        constexpr double kLowest = std::numeric_limits<int32_t>::min();
        constexpr double kHighest = std::numeric_limits<int32_t>::max();
        const double rounded = std::clamp(std::round(d), kLowest, kHighest);
        out.SetFormatted(kMaxDisplayChars, "%d", static_cast<int32_t>(rounded));
    } else if ((mFlags & FlagSignDisplay) != 0 && d != 0.0) {
        out.SetFormatted(kMaxDisplayChars, "%+.*f", mDisplayPrecision, d);
    } else {
        out.SetFormatted(kMaxDisplayChars, "%.*f", mDisplayPrecision, d);
    }
    DropSignOfZero(out);
}

double Param::ParseText(const char* text) const {
    const char* input = OrEmpty(text);
    for (const DisplayText& entry : mDisplayTexts) {
        if (std::strcmp(entry.text, input) == 0) return entry.value;
    }
    if (mType == TypeBool || mType == TypeEnum) return 0.0;
    double v = std::strtod(input, nullptr);  // atof rules: no number reads 0
    if ((mFlags & FlagNegateDisplay) != 0) v = -v;
    return Restrict(v);
}

void Param::AddDisplayText(double value, const char* text) {
    DisplayText entry;
    entry.value = value;
    CopyTextField(entry.text, text);
    mDisplayTexts.push_back(entry);
}

const char* Param::FindDisplayText(double value) const {
    for (const DisplayText& entry : mDisplayTexts) {
        if (entry.value == value) return entry.text;
    }
    return "";
}

const char* Param::DisplayTextAt(int index, double* value) const {
    if (index < 0 || index >= DisplayTextCount()) return "";
    const DisplayText& entry = mDisplayTexts[static_cast<std::size_t>(index)];
    if (value != nullptr) *value = entry.value;
    return entry.text;
}

bool Param::MatchDisplayText(const char* text, double& value) const {
    const char* input = OrEmpty(text);
    for (const DisplayText& entry : mDisplayTexts) {
        if (std::strcmp(entry.text, input) == 0) {
            value = entry.value;
            return true;
        }
    }
    return false;
}

int Param::DisplayTextCount() const { return static_cast<int>(mDisplayTexts.size()); }

const char* Param::LabelFor() const {
    const double truncated = std::trunc(GetValue());
    for (const DisplayText& entry : mDisplayTexts) {
        if (entry.value == truncated && entry.text[0] != '\0') return "";
    }
    return mLabel;
}

void Param::SetPrecision(int precision) { mDisplayPrecision = std::clamp(precision, 0, kMaxDisplayPrecision); }

void Param::DescribeJson(TextBuf& out, int id) const {
    out.AppendFormatted(kMaxJsonPieceChars, "{");
    out.AppendFormatted(kMaxJsonPieceChars, "\"id\":%i, ", id);
    out.AppendFormatted(kMaxJsonPieceChars, "\"name\":\"%s\", ", JsonEscaped(mName).c_str());
    static const char* const kTypeNames[] = {nullptr, "bool", "int", "enum", "float"};
    if (mType >= TypeBool && mType <= TypeDouble) {
        out.AppendFormatted(kMaxJsonPieceChars, "\"type\":\"%s\", ", kTypeNames[mType]);
    }
    out.AppendFormatted(kMaxJsonPieceChars, "\"min\":%f, ", mMin);
    out.AppendFormatted(kMaxJsonPieceChars, "\"max\":%f, ", mMax);
    out.AppendFormatted(kMaxJsonPieceChars, "\"default\":%f, ", mDefault);
    out.AppendFormatted(kMaxJsonPieceChars, "\"rate\":\"control\"");
    out.AppendFormatted(kMaxJsonPieceChars, "}");
}
