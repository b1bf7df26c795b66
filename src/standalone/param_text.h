#pragma once
// Parameters by name and value texts, for a program's command line: the
// names, display texts and labels are the parameter table's own (the same a
// host shows), so `--set HighPass=300Hz` means what the editor shows.
//
// A value text is, in this order: one of the parameter's display texts
// (letter case and blanks do not matter: "300Hz", "300 hz"), or a number,
// optionally followed by the parameter's label ("6", "6 dB"). A stepped
// parameter takes whole positions only. A number outside the parameter's
// range is refused rather than clamped.
//
// Threads: [main] throughout (display texts may allocate).
#include <optional>
#include <string>

class Param;
class ParamTable;

// [main] The index of the parameter called name (exactly), else of the
// identifier "1".."N" (index + 1, as hosts number them); -1 when none.
int FindParamByName(const ParamTable& params, const std::string& name);

// [main] The real value text stands for, or nullopt with the reason in
// *why (naming the value and what the parameter takes).
std::optional<double> ParseParamText(const Param& param, const std::string& text, std::string* why);

// [main] What a person reads for value: the display text, else the number
// with the label ("6.0 dB", "300Hz").
std::string ParamValueText(const Param& param, double value);

// [main] One line saying what the parameter takes: its positions by name
// and number, or its range with label and default.
std::string DescribeParamValues(const Param& param);
